// Ctrl-C and SIGTERM for a host tool that writes one output at a time
// under a temporary name: the temporary file goes, and the process ends
// with the tool's cancel code, whatever its threads are doing.
#ifndef CORVANE_PLATFORM_INTERRUPT_POSIX_H
#define CORVANE_PLATFORM_INTERRUPT_POSIX_H

// Creates a file from a mkstemp template (ending in XXXXXX, filled in) and
// from then on has SIGINT, SIGTERM and SIGHUP remove it and end the
// process with exitCode; no signal comes between the two. The descriptor,
// or -1 with errno. The path may be at most 4095 bytes.
int PosixCreateRemovedOnInterrupt(char* pathTemplate, int exitCode);

// The file is in place or gone: the signals now only end the process.
void PosixForgetOnInterrupt();

#endif
