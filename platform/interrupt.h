// Interruptions for the host tools: Ctrl-C, SIGTERM and SIGHUP on POSIX;
// Ctrl-C, Ctrl-Break and the console's closing on Windows
// (interrupt_posix.cpp, interrupt_win32.cpp). A tool that writes one
// output under a temporary name has the file removed and the process
// ended, whatever its threads are doing; a tool that reads an archive has
// the interruption noted, and ends its run as a Cancel does.
#ifndef CORVANE_PLATFORM_INTERRUPT_H
#define CORVANE_PLATFORM_INTERRUPT_H

// Creates a file from a template (a UTF-8 path ending in XXXXXX, filled
// in) and from then on has an interruption remove it and end the process
// with exitCode; no interruption comes between the two. The descriptor,
// or -1 with errno. The path may be at most 4095 bytes.
int CreateRemovedOnInterrupt(char* pathTemplate, int exitCode);

// The file is in place or gone: an interruption now only ends the process.
void ForgetOnInterrupt();

// From now on interruptions are only noted, and a blocking read or wait
// they interrupt fails (EINTR) instead of going on.
void NoteInterrupts();

// Whether one has come since NoteInterrupts.
bool InterruptNoted();

#endif
