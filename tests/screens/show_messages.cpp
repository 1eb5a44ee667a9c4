// Shows one of the product's windows for a screenshot: the replication question of a remove
// request with an owner window, the probe's connection message, or the Logon dialog with a
// user name typed. Each stays until it is answered (the screenshot script closes it).
#include <windows.h>
#include <odbcinst.h>

#include <cstring>
#include <string>

#include "dialogs/advanced_dialog.h"
#include "dialogs/logon_dialog.h"
#include "dialogs/setup_dialog.h"
#include "resources/resource_ids.h"
#include "setup/call_values.h"

int main(int argc, char** argv) {
    std::string which = argc > 1 ? argv[1] : "replication";
    char exe[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string folder(exe, n);
    folder = folder.substr(0, folder.find_last_of('\\'));
    HMODULE library = LoadLibraryA((folder + "\\DSNSET64.dll").c_str());
    auto configDsn = reinterpret_cast<BOOL(WINAPI*)(HWND, WORD, LPCSTR, LPCSTR)>(
        reinterpret_cast<void*>(GetProcAddress(library, "ConfigDSN")));
    if (configDsn == nullptr) return 1;
    HWND owner = CreateWindowExA(0, "STATIC", "ODBC Data Source Administrator", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40,
                                 560, 360, nullptr, nullptr, nullptr, nullptr);
    // The dialogs run from the library linked into this program, on a record as the setup
    // dialog would hand it over.
    static DsnSettings record;
    std::memset(&record, 0, sizeof record);
    ModuleInstance = GetModuleHandleA(nullptr);
    Settings = &record;
    if (which == "logon") {
        record.ServerName.set("dbhost");
        HasServerName = 1;
        // Typed once the dialog is up, from a timer on this thread.
        SetTimer(nullptr, 0, 200, [](HWND, UINT, UINT_PTR id, DWORD) {
            KillTimer(nullptr, id);
            HWND dialog = FindWindowA("#32770", "Logon");
            SetDlgItemTextA(dialog, IDC_LOGON_USER, "admin");
            SetDlgItemTextA(dialog, IDC_LOGON_PASSWORD, "secret");
        });
        DialogBoxParamA(ModuleInstance, MAKEINTRESOURCEA(IDD_LOGON), owner, LogonDlgProc, 0);
    } else if (which == "advanced") {
        record.DSN.set("Sales");
        record.ArrayFetchOn.set("1");
        record.ArrayBufferSize.set("8");
        record.TCPPort.set("1583");
        DialogBoxParamA(ModuleInstance, MAKEINTRESOURCEA(IDD_ADVANCED), owner, AdvancedDlgProc, 0);
    } else if (which == "replication") {
        SQLWriteDSNToIni("Replicated", "Quillmere ODBC Client Interface");
        SQLWritePrivateProfileString("Replicated", "ReplicationSystem", "Yes", "odbc.ini");
        configDsn(owner, ODBC_REMOVE_DSN, "Quillmere ODBC Client Interface", "DSN=Replicated\0\0");
    } else {
        // A silent add whose server answers neither as type 1 nor 5, with an engine that
        // cannot start: the probe's own message, which has no owner.
        configDsn(nullptr, ODBC_ADD_DSN, "Quillmere ODBC Client Interface", "DSN=Sales\0ServerDSN=DEMO\0\0");
    }
    return 0;
}
