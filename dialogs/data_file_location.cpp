#include "dialogs/data_file_location.h"

#include <shlobj.h>

#include "dialogs/dialog_support.h"
#include "platform/fixed_text.h"
#include "resources/resource_ids.h"
#include "setup/call_values.h"
#include "setup/messages.h"

const char kOutsideCodePage[] =
    "The database name and the locations can hold only characters of this computer's code page: the server would "
    "receive others changed. Please change the text and try again.";

namespace {

const char kNoDirectory[] = "Failed to select a valid directory.";
const char kLocationTooLong[] =
    "The data file location can be at most 512 characters long. Please shorten it and try again.";

}  // namespace

int BrowseForFolder(HWND dialog, int button) {
    char displayName[MAX_PATH] = {};
    BROWSEINFOA browse = {};
    browse.pszDisplayName = displayName;
    browse.lpszTitle = "Select directory name:";
    browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_RETURNFSANCESTORS;
    LPITEMIDLIST item = SHBrowseForFolderA(&browse);
    if (item == nullptr) return 0;
    char path[MAX_PATH] = {};
    const BOOL found = SHGetPathFromIDListA(item, path);
    const DWORD error = found ? 0 : GetLastError();
    CoTaskMemFree(item);
    if (found) {
        SetDlgItemTextA(dialog, button == IDC_CREATE_BROWSE ? IDC_CREATE_DICTIONARY : IDC_DATAFILE_LOCATION, path);
        return 1;
    }
    FixedText<772> message = {};
    char* systemText = nullptr;
    if (error != 0 &&
        FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM, nullptr, error,
                       MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<LPSTR>(&systemText), 0, nullptr))
        message.assign(systemText);
    if (systemText != nullptr) LocalFree(systemText);
    message.append(kNoDirectory);
    ShowProductBox(dialog, message.c_str(), MB_ICONINFORMATION);
    return 0;
}

extern "C" INT_PTR CALLBACK AddDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    INT_PTR answered = FALSE;
    if (AnsweredWithoutRecord(dialog, message, answered)) return answered;
    if (message == WM_INITDIALOG) {
        SendDlgItemMessageA(dialog, IDC_DATAFILE_LOCATION, EM_LIMITTEXT, ProfileText::maxLength(), 0);
        return TRUE;
    }
    if (message != WM_COMMAND) return FALSE;
    switch (LOWORD(wParam)) {
    case IDC_DATAFILE_LOCATION:
        if (HIWORD(wParam) == EN_CHANGE)
            EnableWindow(GetDlgItem(dialog, IDOK), GetWindowTextLengthA(GetDlgItem(dialog, IDC_DATAFILE_LOCATION)) > 0);
        return TRUE;
    case IDC_DATAFILE_BROWSE:
        BrowseForFolder(dialog, IDC_DATAFILE_BROWSE);
        return TRUE;
    case IDOK:  // a text a program put past the limit is refused, never taken cut or changed
        if (BoxLength(dialog, IDC_DATAFILE_LOCATION) > static_cast<int>(ProfileText::maxLength()) ||
            !BoxTextIsAnsi(dialog, IDC_DATAFILE_LOCATION)) {
            ShowFailure(dialog, BoxTextIsAnsi(dialog, IDC_DATAFILE_LOCATION) ? kLocationTooLong : kOutsideCodePage);
            return TRUE;
        }
        ReadBoxText(dialog, IDC_DATAFILE_LOCATION, Settings->DatafileLoc.value);
        EndDialog(dialog, IDOK);
        return TRUE;
    case IDCANCEL:
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    default:
        return FALSE;
    }
}
