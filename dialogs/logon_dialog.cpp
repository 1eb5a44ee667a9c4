#include "dialogs/logon_dialog.h"

#include "dialogs/dialog_support.h"
#include "dialogs/setup_dialog.h"
#include "remote/admin_library.h"
#include "resources/resource_ids.h"
#include "setup/call_values.h"
#include "setup/messages.h"

std::uint32_t LogonHasUser = 0;
std::uint32_t LogonHasServer = 0;

namespace {

const char kConnectFailurePrefix[] = "Failed to connect to server. ";
const char kTooLong[] =
    "The server name, user name and password can each be at most 512 characters long. Please shorten them and try again.";
const int kLogonBoxes[] = {IDC_LOGON_SERVER, IDC_LOGON_USER, IDC_LOGON_PASSWORD};

void UpdateLogonControls(HWND dialog) { EnableWindow(GetDlgItem(dialog, IDOK), LogonHasUser && LogonHasServer); }

bool BoxHasText(HWND dialog, int id) { return GetWindowTextLengthA(GetDlgItem(dialog, id)) > 0; }

void InitLogon(HWND dialog) {
    // Typing and pasting stop at what the connection takes.
    for (int box : kLogonBoxes)
        SendDlgItemMessageA(dialog, box, EM_LIMITTEXT, static_cast<WPARAM>(ProfileText::maxLength()), 0);
    LogonHasServer = 0;
    if (HasServerName) {
        SetDlgItemTextA(dialog, IDC_LOGON_SERVER, Settings->ServerName.value.c_str());
        LogonHasServer = 1;
    }
    LogonHasUser = 0;
    EnableWindow(GetDlgItem(dialog, IDOK), FALSE);
}

// One connection attempt with what the boxes hold. The user name and the password live only
// in these buffers, wiped before they go out of scope: neither is kept anywhere.
INT_PTR TryLogon(HWND dialog, WPARAM command) {
    // A text set from elsewhere can still be longer: it is refused, never sent cut short.
    for (int box : kLogonBoxes) {
        if (GetWindowTextLengthA(GetDlgItem(dialog, box)) > static_cast<int>(ProfileText::maxLength())) {
            ShowFailure(dialog, kTooLong);
            return FALSE;
        }
    }
    ProfileText user, password;
    ReadBoxText(dialog, IDC_LOGON_USER, user);
    ReadBoxText(dialog, IDC_LOGON_PASSWORD, password);
    // A server typed here replaces the setup dialog's.
    ReadBoxText(dialog, IDC_LOGON_SERVER, Settings->ServerName.value);
    Settings->ServerName.isSet = 1;

    SetCursorShape(IDC_WAIT);
    std::uint16_t status = DBUConnect(Settings->ServerName.value.c_str(), user.c_str(), password.c_str(), &RemoteSession);
    SetCursorShape(IDC_ARROW);
    SecureZeroMemory(user.data(), user.capacity());
    SecureZeroMemory(password.data(), password.capacity());
    if (status == kStatusSuccess) {
        EndDialog(dialog, static_cast<INT_PTR>(command));
        return TRUE;
    }
    RemoteSession = kNoRemoteSession;
    ShowRemoteFailure(dialog, kConnectFailurePrefix, status);
    return FALSE;  // stays open with what was typed, for another try
}

}  // namespace

extern "C" INT_PTR CALLBACK LogonDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    INT_PTR answered = FALSE;
    if (AnsweredWithoutRecord(dialog, message, answered)) return answered;
    if (message == WM_INITDIALOG) {
        InitLogon(dialog);
        return TRUE;
    }
    if (message != WM_COMMAND) return FALSE;
    switch (LOWORD(wParam)) {
    case IDC_LOGON_USER:
        if (HIWORD(wParam) == EN_CHANGE) {
            LogonHasUser = BoxHasText(dialog, IDC_LOGON_USER);
            UpdateLogonControls(dialog);
        }
        return TRUE;
    case IDC_LOGON_SERVER:
        if (HIWORD(wParam) == EN_CHANGE) {
            LogonHasServer = BoxHasText(dialog, IDC_LOGON_SERVER);
            UpdateLogonControls(dialog);
        }
        return TRUE;
    case IDCANCEL:
        EndDialog(dialog, static_cast<INT_PTR>(wParam));
        return TRUE;
    case IDOK:
        return TryLogon(dialog, wParam);
    default:
        return FALSE;
    }
}
