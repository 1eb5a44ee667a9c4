// The "Add data file location" dialog (template 150) and the folder browser behind its "..."
// button and the Create Database dialog's "Browse...".
#pragma once

#include <windows.h>

// Ends with 1 and the typed location in the record's DatafileLoc, or 2 on Cancel.
extern "C" INT_PTR CALLBACK AddDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Refusals of a location or name that would reach the server changed.
extern const char kOutsideCodePage[];

// The shell's folder browser; a chosen folder replaces the text of box 123 when button is
// 125 (the Create Database dialog's), else of box 151. 1 when a folder was put into the box;
// 0 when the user cancelled (nothing said) or the item has no file-system path (said).
int BrowseForFolder(HWND dialog, int button);
