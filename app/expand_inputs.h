// What the expand command takes from the main window before a run: the
// password, when the archive is protected, and the destination folder.
#ifndef CORVANE_APP_EXPAND_INPUTS_H
#define CORVANE_APP_EXPAND_INPUTS_H

#include "app/app_state.h"

// Checks the typed password and keeps it as the archive's key when it is
// right; otherwise says so and puts the focus back on the password edit.
bool PasswordAccepted(AppState* s);

// Forms the destination folder from the folder edit, and makes it with the
// user's consent. False, after the message, when there is none to run to.
bool DestinationReady(AppState* s);

#endif
