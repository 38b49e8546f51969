// The few C library routines the stub needs, without the C runtime: it is
// linked with -nostdlib to stay small, and the compiler may call memcpy,
// memmove and memset on its own.
#ifndef CORVANE_APP_MINI_CRT_H
#define CORVANE_APP_MINI_CRT_H

#include <stddef.h>

// Copies a zero-terminated string, terminator included; returns its length.
int StrCopy(char* to, const char* from);

#endif
