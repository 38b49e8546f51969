// The console or terminal of the host tools, and their text output: the
// POSIX terminal in console_posix.cpp, the Windows console in
// console_win32.cpp. Text is UTF-8 throughout the tools; on a Windows
// console it is shown through the wide calls, whatever its code page.
#ifndef CORVANE_PLATFORM_CONSOLE_H
#define CORVANE_PLATFORM_CONSOLE_H

#include <stdio.h>

#include <string>

// Called first by main: on Windows the arguments are replaced by their
// UTF-8 form (the wide command line), and the standard streams are put in
// binary mode, so that bytes go through as they are on POSIX.
void ConsoleStartProcess(int* argc, char*** argv);

// printf to stdout or stderr, UTF-8 text.
void ConsolePrintf(FILE* stream, const char* format, ...)
    __attribute__((format(gnu_printf, 2, 3)));

// Whether the stream goes to a terminal or console.
bool ConsoleIsTerminal(FILE* stream);

// Whether a question can be asked and answered: standard input is the
// terminal or console, and it can be opened.
bool ConsoleCanAsk();

// Shows the prompt on the terminal and reads one line typed there,
// without its line end; without echo when echo is false (the line end is
// still shown). False when the terminal closes first or an interruption
// ends the wait (also one that came before the wait began).
bool ConsoleAsk(const std::string& prompt, bool echo, std::string* line);

// The width of the terminal of standard error; 80 when it says none.
int ConsoleColumns();

// Draws a line of at most ConsoleColumns() - 1 columns over the line of
// standard error the cursor is on (empty: clears it).
void ConsoleRedrawLine(const std::string& text);

#endif
