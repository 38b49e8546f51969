// The shell's folder browser for the destination folder.
#ifndef CORVANE_UI_FOLDER_CHOOSER_H
#define CORVANE_UI_FOLDER_CHOOSER_H

// Opens the browser on the folder chosen last; a choice goes into the
// folder edit and becomes the last folder.
void ChooseFolder();

#endif
