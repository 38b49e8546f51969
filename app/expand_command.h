// The Expand button's command: the password and the destination, the run
// behind the progress window, its report, the run command, and the close
// of the main window.
#ifndef CORVANE_APP_EXPAND_COMMAND_H
#define CORVANE_APP_EXPAND_COMMAND_H

// context is the stub's AppState. A fatal result of the run ends the
// process (app/fatal_end.h).
void ExpandCommand(void* context);

#endif
