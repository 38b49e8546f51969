// The engine's host in the stub: the overwrite question as a message box,
// the status line of the progress window, and the message pump.
#ifndef CORVANE_APP_ENGINE_HOST_STUB_H
#define CORVANE_APP_ENGINE_HOST_STUB_H

#include "app/app_state.h"

// A host whose context is the stub's record.
EngineHost StubEngineHost(AppState* s);

// Puts the status line the engine last asked for into the progress
// window, if it has not gone there yet.
void ShowPendingStatus(AppState* s);

#endif
