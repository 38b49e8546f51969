// The shell's folder browser for the destination folder.
#ifndef CORVANE_UI_FOLDER_CHOOSER_H
#define CORVANE_UI_FOLDER_CHOOSER_H

struct StubWindows;

// Opens the browser, owned by the main window, on the folder chosen last;
// a choice goes into the folder edit and becomes the last folder.
void ChooseFolder(StubWindows* w);

#endif
