// The library's message boxes, in one place: the caption comes from the string table
// (string 1002), failures carry a stop icon, and a remote failure is its fixed prefix
// followed at once by the status text the string library gives.
#pragma once

#include <windows.h>

#include <cstdint>

#include "platform/fixed_text.h"

// A box with the product's caption; answers what MessageBoxA answers.
int ShowProductBox(HWND owner, const char* text, UINT flags);

// MB_OK | MB_ICONSTOP with the product's caption.
void ShowFailure(HWND owner, const char* text);

// prefix (ending in a blank) + the text of status, as one failure box.
void ShowRemoteFailure(HWND owner, const char* prefix, std::uint16_t status, UINT flags = MB_OK | MB_ICONSTOP);

// Long enough for any product string filled with a 512-character name.
using MessageText = FixedText<1100>;
// A string of this library as a printf format, filled with the arguments.
void FormatProductString(MessageText& out, unsigned stringId, ...);
