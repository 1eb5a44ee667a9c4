// The ODBC setup entry: one call at a time, one settings record per call, then remove,
// run the setup dialog, or commit silently.
#include "setup/config_dsn.h"

#include <locale.h>
#include <mbstring.h>

#include "dialogs/setup_dialog.h"
#include "remote/admin_library.h"
#include "resources/resource_ids.h"
#include "setup/call_values.h"
#include "setup/dsn_commit.h"
#include "setup/profile_store.h"

QSHandle ConfigDsnMutex = nullptr;
LONG ConfigDsnUseCount = 0;
HGLOBAL SettingsMemory = nullptr;

namespace {

const char kOdbcIni[] = "odbc.ini";

bool IsRemoveRequest(WORD request) { return request == kRequestRemoveDsn || request == kRequestRemoveSystemDsn; }
bool IsAddDsnRequest(WORD request) { return request == kRequestAddDsn || request == kRequestAddSystemDsn; }

bool IsMarkedForReplication(const char* dsn) {
    DsnSetting& mark = Settings->ReplicationSystem;
    mark.value.clear();
    SQLGetPrivateProfileString(dsn, "ReplicationSystem", "", mark.value.data(),
                               static_cast<int>(mark.value.capacity()), kOdbcIni);
    mark.value.terminate();
    return _mbsicmp(reinterpret_cast<const unsigned char*>(mark.value.c_str()),
                    reinterpret_cast<const unsigned char*>("Yes")) == 0;
}

BOOL RemoveDsn(HWND owner) {
    const char* dsn = Settings->DSN.value.c_str();
    if (owner != nullptr && IsMarkedForReplication(dsn)) {
        ProfileText caption;
        ProfileText question;
        LoadProductString(IDS_CAPTION, caption);
        LoadProductString(IDS_REPLICATION_REMOVE, question);
        if (MessageBoxA(owner, question.c_str(), caption.c_str(), MB_YESNO | MB_ICONQUESTION) != IDYES) return TRUE;
    }
    return SQLRemoveDSNFromIni(dsn);
}

BOOL AddOrConfigure(HWND owner, WORD request, LPCSTR driver) {
    DriverName = driver;
    IsAddRequest = IsAddDsnRequest(request) ? 1 : 0;
    if (owner != nullptr) {
        return DialogBoxParamA(ModuleInstance, MAKEINTRESOURCEA(IDD_SETUP), owner, SetupDlgProc, 0) == IDOK;
    }
    return CommitDsn(nullptr) != 0;
}

}  // namespace

extern "C" BOOL WINAPI ConfigDSN(HWND hwndParent, WORD fRequest, LPCSTR lpszDriver, LPCSTR lpszAttributes) {
    BOOL result = TRUE;
    if (QSMutexAcquire(ConfigDsnMutex) != 0) return TRUE;

    if (ConfigDsnUseCount == 0) DBUStart(nullptr);
    ++ConfigDsnUseCount;

    SettingsMemory = GlobalAlloc(GHND, sizeof(DsnSettings));
    Settings = static_cast<DsnSettings*>(GlobalLock(SettingsMemory));
    if (Settings == nullptr) {
        result = FALSE;
    } else {
        if (lpszAttributes != nullptr) ParseAttributeList(lpszAttributes, *Settings);
        if (Settings->DSN.isSet) InitialDsnName = Settings->DSN.value;
        else InitialDsnName.clear();
        RemoteSession = kNoRemoteSession;

        result = IsRemoveRequest(fRequest) ? RemoveDsn(hwndParent) : AddOrConfigure(hwndParent, fRequest, lpszDriver);
        GlobalUnlock(SettingsMemory);
    }
    GlobalFree(SettingsMemory);
    SettingsMemory = nullptr;
    Settings = nullptr;
    DriverName = nullptr;

    if (ConfigDsnUseCount > 0 && --ConfigDsnUseCount == 0) DBUStop(nullptr);
    QSMutexRelease(ConfigDsnMutex);
    return result;
}

void AttachLibrary(HINSTANCE module) {
    setlocale(LC_ALL, "");  // the name rule classifies letters in the user's locale
    ModuleInstance = module;
    QSMutexCreate("ConfigDSNMutex", 0, &ConfigDsnMutex);
}

void DetachLibrary() {
    QSMutexDestroy(ConfigDsnMutex);
    ConfigDsnMutex = nullptr;
}
