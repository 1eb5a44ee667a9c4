// Help for every dialog, and dialog placement.
#pragma once

#include <windows.h>

#include <cstdint>

// Starts the help viewer at the topic and returns at once; a start that fails is reported
// on the standard output only.
void LaunchHelp(std::int32_t mapId);

// Centres the dialog on its owner, kept on the desktop.
void CentreDialog(HWND dialog);

// For a host's own modeless dialog: centres it, and destroys it on OK or Cancel.
extern "C" INT_PTR CALLBACK HelpDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
