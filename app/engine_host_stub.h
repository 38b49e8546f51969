// The engine's host in the stub: the overwrite question as a message box,
// the status line of the progress window, and the message pump.
#ifndef CORVANE_APP_ENGINE_HOST_STUB_H
#define CORVANE_APP_ENGINE_HOST_STUB_H

#include "app/app_state.h"

// A host whose context is the stub's record.
EngineHost StubEngineHost(AppState* s);

#endif
