// The setup dialog is not built yet; its template 110 is not in the resources either, so
// DialogBoxParamA fails before this procedure could run and the request answers FALSE.
#include "dialogs/setup_dialog.h"

INT_PTR CALLBACK SetupDlgProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

std::uint32_t HasServerName = 0;
