// Shows one of the product's windows for scripts/screenshots.sh until it is closed: "replication" (default) a
// remove request's question, "logon", "advanced", "create" or "add-location" that dialog, anything else the
// probe's connection message.
#include <windows.h>

#include <string>

#include "dialogs/advanced_dialog.h"
#include "dialogs/create_database_dialog.h"
#include "dialogs/data_file_location.h"
#include "dialogs/logon_dialog.h"
#include "dialogs/setup_dialog.h"
#include "resources/resource_ids.h"
#include "setup/call_values.h"
#include "tests/support/odbc_profile.h"

int main(int argc, char** argv) {
    const std::string which = argc > 1 ? argv[1] : "replication";
    HMODULE library = LoadLibraryA((ExecutableFolder() + "\\DSNSET64.dll").c_str());
    auto configDsn = reinterpret_cast<BOOL(WINAPI*)(HWND, WORD, LPCSTR, LPCSTR)>(
        reinterpret_cast<void*>(GetProcAddress(library, "ConfigDSN")));
    if (configDsn == nullptr) return 1;
    HWND owner = CreateWindowExA(0, "STATIC", "ODBC Data Source Administrator", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                 40, 40, 560, 360, nullptr, nullptr, nullptr, nullptr);
    // The dialogs run from the library linked into this program, on a record as the setup dialog gives it.
    static DsnSettings record{};
    ModuleInstance = GetModuleHandleA(nullptr), Settings = &record;
    if (which == "logon") {
        record.ServerName.set("dbhost"), HasServerName = 1;
        SetTimer(nullptr, 0, 200, [](HWND, UINT, UINT_PTR id, DWORD) {  // typed once the dialog is up
            HWND dialog = (KillTimer(nullptr, id), FindWindowA("#32770", "Logon"));
            SetDlgItemTextA(dialog, IDC_LOGON_USER, "admin"), SetDlgItemTextA(dialog, IDC_LOGON_PASSWORD, "secret");
        });
        DialogBoxParamA(ModuleInstance, MAKEINTRESOURCEA(IDD_LOGON), owner, LogonDlgProc, 0);
    } else if (which == "advanced") {
        record.DSN.set("Sales"), record.ArrayFetchOn.set("1");
        record.ArrayBufferSize.set("8"), record.TCPPort.set("1583");
        DialogBoxParamA(ModuleInstance, MAKEINTRESOURCEA(IDD_ADVANCED), owner, AdvancedDlgProc, 0);
    } else if (which == "create") {
        SetTimer(nullptr, 0, 200, [](HWND, UINT, UINT_PTR id, DWORD) {  // filled in once the dialog is up
            HWND dialog = (KillTimer(nullptr, id), FindWindowA("#32770", "Create Database"));
            SetDlgItemTextA(dialog, IDC_CREATE_NAME, "SALES"), SetDlgItemTextA(dialog, IDC_CREATE_DICTIONARY, "C:\\Data\\Sales");
            SendDlgItemMessageA(dialog, IDC_CREATE_LOCATIONS, LB_ADDSTRING, 0, LPARAM("D:\\Data\\Sales\\Files"));
            SendDlgItemMessageA(dialog, IDC_CREATE_CODE_PAGE, CB_SELECTSTRING, WPARAM(-1), LPARAM("windows-1252"));
            EnableWindow(GetDlgItem(dialog, IDOK), TRUE);
        });
        DialogBoxParamA(ModuleInstance, MAKEINTRESOURCEA(IDD_CREATE_DATABASE), owner, CreateDBDlgProc, 0);
    } else if (which == "add-location") {
        DialogBoxParamA(ModuleInstance, MAKEINTRESOURCEA(IDD_ADD_DATAFILE), owner, AddDlgProc, 0);
    } else if (which == "replication") {
        CreateDsn("Replicated", {{"ReplicationSystem", "Yes"}}, kClientDriverName);
        configDsn(owner, ODBC_REMOVE_DSN, kClientDriverName, "DSN=Replicated\0\0");
    } else {  // a silent add whose server answers neither as type 1 nor 5, with an engine that cannot start
        configDsn(nullptr, ODBC_ADD_DSN, kClientDriverName, "DSN=Sales\0ServerDSN=DEMO\0\0");
    }
    return 0;
}
