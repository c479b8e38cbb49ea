// Resets of single applications' settings to their factory values: the photo viewer, the file
// browser, the e-book reader, the e-mail client and the Wi-Fi switch. Their keys are opened,
// never created: an application without its key is left without one.
#pragma once

#include "ce/types.h"

// Writes the photo viewer's factory values; 1 always.
int ResetPhotoViewerSettings();

// Writes the file browser's factory values and deletes its encrypted-file list; 1 always.
int ResetFileBrowserSettings();

// Deletes the e-book reader's state files from its data folder; 1 always. A state file whose
// path does not fit MAX_PATH characters is left alone.
int ResetEbookSettings();

// Empties the e-mail account value; ERROR_SUCCESS, or the registry error of the open or write.
LONG ResetEmail();

// Writes the e-mail client's factory options; 1 always.
int ResetEmailSettings();

// Switches the user's Wi-Fi setting off; 1 always.
int ResetWifiSettings();
