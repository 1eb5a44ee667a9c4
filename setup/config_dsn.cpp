// The ODBC setup entry: one call at a time, one settings record per call, then remove,
// run the setup dialog, or commit silently.
#include "setup/config_dsn.h"

#include <locale.h>
#include <mbstring.h>

#include <new>

#include "dialogs/setup_dialog.h"
#include "remote/admin_library.h"
#include "resources/resource_ids.h"
#include "setup/call_values.h"
#include "setup/dsn_commit.h"
#include "setup/messages.h"
#include "setup/profile_store.h"

QSHandle ConfigDsnMutex = nullptr;
LONG ConfigDsnUseCount = 0;
HGLOBAL SettingsMemory = nullptr;

namespace {

bool IsRemoveRequest(WORD request) { return request == kRequestRemoveDsn || request == kRequestRemoveSystemDsn; }
bool IsAddDsnRequest(WORD request) { return request == kRequestAddDsn || request == kRequestAddSystemDsn; }

bool IsMarkedForReplication(const char* dsn) {
    DsnSetting& mark = Settings->ReplicationSystem;
    mark.value.clear();
    ReadProfileText(dsn, "ReplicationSystem", "", mark.value);
    return _mbsicmp(reinterpret_cast<const unsigned char*>(mark.value.c_str()),
                    reinterpret_cast<const unsigned char*>("Yes")) == 0;
}

// Why a silent remove failed: no name given, or the installer's refusal.
void PostRemoveRefusal(const char* dsn) {
    if (dsn[0] == 0) return PostRefusal(kInstallerInvalidKeywordValue, kMessageNoDsn);
    ProfileText reason;
    reason.assign("The ODBC installer did not remove the data source '");
    reason.append(dsn);
    reason.append("'.");
    PostRefusal(kInstallerRequestFailed, reason.c_str());
}

BOOL RemoveDsn(HWND owner) {
    const char* dsn = Settings->DSN.value.c_str();
    if (owner != nullptr && IsMarkedForReplication(dsn)) {
        ProfileText question;
        LoadProductString(IDS_REPLICATION_REMOVE, question);
        if (ShowProductBox(owner, question.c_str(), MB_YESNO | MB_ICONQUESTION) != IDYES) return TRUE;
    }
    if (SQLRemoveDSNFromIni(dsn)) return TRUE;
    if (owner == nullptr) PostRemoveRefusal(dsn);
    return FALSE;
}

BOOL AddOrConfigure(HWND owner, WORD request, LPCSTR driver) {
    DriverName = driver;
    IsAddRequest = IsAddDsnRequest(request) ? 1 : 0;
    if (owner != nullptr) {
        return DialogBoxParamA(ModuleInstance, MAKEINTRESOURCEA(IDD_SETUP), owner, SetupDlgProc, 0) == IDOK;
    }
    return CommitDsn(nullptr) != 0;
}

// The request on the call's record: parse, then remove, run the setup dialog or commit.
BOOL RunRequest(HWND owner, WORD request, LPCSTR driver, LPCSTR attributes) {
    if (attributes != nullptr) ParseAttributeList(attributes, *Settings);
    if (Settings->DSN.isSet) InitialDsnName = Settings->DSN.value;
    return IsRemoveRequest(request) ? RemoveDsn(owner) : AddOrConfigure(owner, request, driver);
}

// The last boundary before the installer: whatever a facility let through (an allocation
// that failed, say) ends here as the call's failure, and the caller still gets the record
// freed, the administration library stopped and the mutex released.
template <typename Work, typename Result>
Result Contained(const Work& work, Result failure) {
    try {
        return work();
    } catch (...) {
        return failure;
    }
}

// The same for the request itself; a silent caller is told why it failed.
BOOL ContainedRequest(HWND owner, WORD request, LPCSTR driver, LPCSTR attributes) {
    try {
        return RunRequest(owner, request, driver, attributes);
    } catch (const std::bad_alloc&) {
        if (owner == nullptr) PostRefusal(kInstallerOutOfMemory, kMessageNoMemory);
    } catch (...) {
        if (owner == nullptr) PostRefusal(kInstallerGeneralError, "An unexpected failure ended the request.");
    }
    return FALSE;
}

}  // namespace

BOOL RunAsCall(BOOL busy, HWND owner, CallWork work, void* context) {
    if (QSMutexAcquire(ConfigDsnMutex) != 0) return busy;

    if (ConfigDsnUseCount == 0) Contained([] { return DBUStart(nullptr); }, kStatusEntryNotAvailable);
    ++ConfigDsnUseCount;

    BOOL result = FALSE;
    SettingsMemory = GlobalAlloc(GHND, sizeof(DsnSettings));
    Settings = static_cast<DsnSettings*>(GlobalLock(SettingsMemory));
    if (Settings != nullptr) {
        CallThreadId = GetCurrentThreadId();
        ResetCallValues();
        result = Contained([&] { return work(context); }, FALSE);
        CallThreadId = 0;
        GlobalUnlock(SettingsMemory);
    } else if (owner == nullptr) {
        PostRefusal(kInstallerOutOfMemory, kMessageNoMemory);
    }
    GlobalFree(SettingsMemory);
    SettingsMemory = nullptr;
    Settings = nullptr;
    DriverName = nullptr;

    if (ConfigDsnUseCount > 0 && --ConfigDsnUseCount == 0)
        Contained([] { return DBUStop(nullptr); }, kStatusEntryNotAvailable);
    QSMutexRelease(ConfigDsnMutex);
    return result;
}

extern "C" BOOL WINAPI ConfigDSN(HWND hwndParent, WORD fRequest, LPCSTR lpszDriver, LPCSTR lpszAttributes) {
    // Without the mutex nothing may be touched; TRUE tells the installer nothing went wrong
    // with the DSN, which is exactly the case.
    struct Request {
        HWND owner;
        WORD code;
        LPCSTR driver, attributes;
    } request = {hwndParent, fRequest, lpszDriver, lpszAttributes};
    return RunAsCall(TRUE, hwndParent, [](void* context) {
        const Request& r = *static_cast<Request*>(context);
        return ContainedRequest(r.owner, r.code, r.driver, r.attributes);
    }, &request);
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
