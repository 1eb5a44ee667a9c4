// The engine DSN dialog (templates 130 "Create Engine DSN" and 131 "Modify Engine DSN"): an
// engine DSN on the server whose session the opener holds (RemoteSession, ServerType),
// created, modified, renamed or overwritten on OK. Ends with 1 only after the server took it.
#pragma once

#include <windows.h>

#include <cstdint>

#include "platform/fixed_text.h"

extern "C" INT_PTR CALLBACK EngDSNDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Set by the opener: nonzero to create (template 130), 0 to modify the engine DSN that the
// record's ServerDSN names (template 131).
extern std::uint32_t IsCreateEngineDsn;
// Raised when OK created or modified the engine DSN, cleared when a request failed; the opener
// clears it before opening. An overwrite answered Yes ends the dialog with it cleared.
extern std::uint32_t EngineDsnSaved;
// The engine DSN's name as the modify dialog found it: OK under another name is a rename.
extern ProfileText InitialEngineDsnName;
// The name box is not empty; a database has been chosen. OK needs both.
extern std::uint32_t EngineNameEntered;
extern std::uint32_t EngineDatabaseChosen;
// What the procedure answers for the messages it handles; TRUE at start, then as the last
// message left it.
extern std::int32_t EngineDialogResult;
