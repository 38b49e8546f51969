// Ctrl-C, SIGTERM and SIGHUP for the host tools. A tool that writes one
// output under a temporary name has the file removed and the process
// ended, whatever its threads are doing; a tool that reads an archive has
// the signal noted, and ends its run as a Cancel does.
#ifndef CORVANE_PLATFORM_INTERRUPT_POSIX_H
#define CORVANE_PLATFORM_INTERRUPT_POSIX_H

// Creates a file from a mkstemp template (ending in XXXXXX, filled in) and
// from then on has SIGINT, SIGTERM and SIGHUP remove it and end the
// process with exitCode; no signal comes between the two. The descriptor,
// or -1 with errno. The path may be at most 4095 bytes.
int PosixCreateRemovedOnInterrupt(char* pathTemplate, int exitCode);

// The file is in place or gone: the signals now only end the process.
void PosixForgetOnInterrupt();

// From now on the three signals are only noted, and a blocking read or
// wait they interrupt fails with EINTR instead of going on.
void PosixNoteInterrupts();

// Whether one of them has come since PosixNoteInterrupts.
bool PosixInterrupted();

#endif
