// Writes the settings record as a client DSN: required fields, remote checks of the server
// and the engine DSN, the existing-DSN guard, the name check, rename, registration,
// defaults, and the keys in their fixed order. Every remote check runs before anything is
// written; with a window each failure is one message box, without one it is posted to the
// installer in the same words.
#include "setup/dsn_commit.h"

#include <cstdio>
#include <cstring>

#include "remote/admin_library.h"
#include "remote/engine_interface.h"
#include "remote/request_builders.h"
#include "remote/server_probe.h"
#include "resources/resource_ids.h"
#include "setup/call_values.h"
#include "setup/messages.h"
#include "setup/profile_store.h"
#include "setup/server_address.h"
#include "setup/validate_dsn_name.h"

namespace {

const char kEngineDriverName[] = "Quillmere ODBC Engine Interface";
const char kMessageServerForDatabase[] =
    "Failed to validate the server address supplied or the server address needed to verify the database name.";
const char kMessageServerForServerDsn[] =
    "Failed to validate the server address supplied or the server address needed to verify the server DSN.";
const char kEngineDsnFailurePrefix[] = "Failed to validate the Engine DSN. ";
const char kMessageServerTooLong[] =
    "The server name and port cannot be stored: together they must not exceed 512 characters.";
const char kMessageNoDatabase[] =
    "A new data source needs a database (DBQ=<name>) or an engine DSN (ServerDSN=<name>) to refer to.";

}  // namespace

const char kMessagePortEmpty[] =
    "The TCP/IP port number is empty. Please enter a port number in the Advanced Connection Attributes, or choose "
    "Default there, and try again.";

namespace {

// A refusal that no box explains even with a window: only a silent caller is told.
int RefuseQuietly(HWND window, InstallerError code, const char* text) {
    if (window == nullptr) PostRefusal(code, text);
    return 0;
}

bool IsConfigure() { return IsAddRequest == 0; }

// The commit's own session: never left open.
struct CommitSession {
    std::int32_t handle = kNoRemoteSession;
    bool connect(const char* server) {
        std::uint16_t status = DBUConnect(server[0] ? server : "localhost", "", "", &handle);
        if (status != 0) handle = kNoRemoteSession;
        return status == 0;
    }
    void disconnect() {
        if (handle != kNoRemoteSession) DBUDisconnect(&handle);
        handle = kNoRemoteSession;
    }
    ~CommitSession() { disconnect(); }
};

// A configure that does not name the server reads it back from the stored DSN for the
// checks; the field stays unset. False when nothing usable is stored.
bool ServerForCheck(HWND window, const char* message) {
    DsnSetting& server = Settings->ServerName;
    if (server.isSet || !IsConfigure()) return true;
    ProfileText stored = {};
    SQLGetPrivateProfileString(Settings->DSN.value.c_str(), "ServerName", "", stored.data(),
                               static_cast<int>(stored.capacity()), kOdbcIni);
    stored.terminate();
    if (stored.empty()) {
        ReportRefusal(window, kInstallerRequestFailed, message);
        return false;
    }
    ReadBackServerName(stored.c_str(), server.value);
    return true;
}

// Connects the commit's session to the server the record names (or "localhost").
bool ConnectForCheck(HWND window, const char* message, CommitSession& session) {
    if (!ServerForCheck(window, message)) return false;
    if (session.connect(Settings->ServerName.value.c_str())) return true;
    ReportRefusal(window, kInstallerRequestFailed, message);
    return false;
}

bool CheckServerForDatabase(HWND window) {
    CommitSession session;
    return ConnectForCheck(window, kMessageServerForDatabase, session);
}

bool CheckServerAndEngineDsn(HWND window) {
    CommitSession session;
    if (!ConnectForCheck(window, kMessageServerForServerDsn, session)) return false;
    int type = ProbeServerType(window, session.handle);
    if (type < 0) return false;
    ServerType = static_cast<std::uint16_t>(type);
    if (!Settings->ServerDSN.isSet) return true;

    ProfileText description, database, openMode;
    std::int32_t status = GetEngineDsn(session.handle, ServerType, &EngineDsnTranslation,
                                       Settings->ServerDSN.value.c_str(), description.data(), database.data(),
                                       openMode.data());
    if (status == 0) return true;
    session.disconnect();
    ReportRemoteRefusal(window, kInstallerRequestFailed, kEngineDsnFailurePrefix, static_cast<std::uint16_t>(status));
    return false;
}

// False when the name must not be written: it belongs to an engine DSN, or the user
// declined to overwrite. Without a window an existing client DSN is overwritten.
bool MayTakeName(HWND window) {
    const char* dsn = Settings->DSN.value.c_str();
    if (IsConfigure() && std::strcmp(dsn, InitialDsnName.c_str()) == 0) return true;
    ProfileText keys = {};
    SQLGetPrivateProfileString(dsn, nullptr, "", keys.data(), static_cast<int>(keys.capacity()), kOdbcIni);
    keys.terminate();
    if (keys.empty()) return true;

    ProfileText driver = {};
    SQLGetPrivateProfileString("ODBC Data Sources", dsn, "", driver.data(), static_cast<int>(driver.capacity()), kOdbcIni);
    driver.terminate();
    MessageText message;
    // These two boxes carry no caption of ours (the system's default) on purpose: they are
    // about the profile, not about this driver.
    if (CompareIgnoringCase(driver.c_str(), kEngineDriverName) == 0) {
        FormatProductString(message, IDS_ENGINE_DSN_HOLDS_NAME, dsn);
        if (window) MessageBoxA(window, message.c_str(), nullptr, MB_OK | MB_ICONINFORMATION);
        else PostRefusal(kInstallerInvalidDsn, message.c_str());
        return false;
    }
    if (window == nullptr) return true;
    FormatProductString(message, IDS_DSN_EXISTS_OVERWRITE, dsn);
    return MessageBoxA(window, message.c_str(), nullptr, MB_YESNO | MB_ICONQUESTION) != IDNO;
}

void ReportUnusableName(HWND window) {
    MessageText message;
    FormatProductString(message, IDS_BAD_DSN_NAME, Settings->DSN.value.c_str(), DSN_NAME_LIMIT);
    if (window == nullptr) return PostRefusal(kInstallerInvalidDsn, message.c_str());
    // Deliberately without an owner although a window exists: the box stays up on its own
    // while the dialog behind it keeps the name the user typed.
    ShowFailure(nullptr, message.c_str());
}

// A DSN's stored keys, kept while a rename takes the old entry away, so that the entry can
// be put back as it was. Bounded: a section holds a few keys of this driver.
struct StoredSection {
    FixedText<4096> keyList = {};
    static constexpr std::size_t kMostKeys = 32;
    ProfileText values[kMostKeys] = {};

    void read(const char* dsn) {
        keyList.clear();
        SQLGetPrivateProfileString(dsn, nullptr, "", keyList.data(), static_cast<int>(keyList.capacity()), kOdbcIni);
        keyList.terminate();
        std::size_t i = 0;
        for (const char* key = keyList.c_str(); *key && i < kMostKeys; key += std::strlen(key) + 1, ++i) {
            SQLGetPrivateProfileString(dsn, key, "", values[i].data(), static_cast<int>(values[i].capacity()), kOdbcIni);
            values[i].terminate();
        }
    }
    void restore(const char* dsn, const char* driver) const {
        SQLWriteDSNToIni(dsn, driver);
        std::size_t i = 0;
        for (const char* key = keyList.c_str(); *key && i < kMostKeys; key += std::strlen(key) + 1, ++i)
            SQLWritePrivateProfileString(dsn, key, values[i].c_str(), kOdbcIni);
    }
};

// The registry, where the installer keeps DSNs, compares names without regard to case,
// letters outside ASCII included.
bool SameNameToTheInstaller(const char* a, const char* b) {
    wchar_t wideA[kProfileTextCapacity] = {}, wideB[kProfileTextCapacity] = {};
    if (!MultiByteToWideChar(CP_ACP, 0, a, -1, wideA, kProfileTextCapacity) ||
        !MultiByteToWideChar(CP_ACP, 0, b, -1, wideB, kProfileTextCapacity))
        return CompareIgnoringCase(a, b) == 0;
    return CompareStringOrdinal(wideA, -1, wideB, -1, TRUE) == CSTR_EQUAL;
}

// Registers the record's DSN with the installer; false when it refuses the name. A rename
// registers the new name first and removes the old one only afterwards, so a refused name
// never costs the user the DSN. The installer compares names without regard to case: for a
// rename that changes only the letter case the old entry has to go first (else the new
// spelling would not take, and removing the old name afterwards would remove the DSN), so
// its keys are kept and the entry is put back as it was when the new spelling is refused.
bool RegisterDsn() {
    const char* dsn = Settings->DSN.value.c_str();
    const char* driver = DriverName ? DriverName : "";
    const char* initial = InitialDsnName.c_str();
    const bool rename = IsConfigure() && !InitialDsnName.empty() && std::strcmp(dsn, initial) != 0;
    if (!rename) return SQLWriteDSNToIni(dsn, driver) != FALSE;

    if (!SameNameToTheInstaller(dsn, initial)) {
        if (!SQLWriteDSNToIni(dsn, driver)) return false;
        SQLRemoveDSNFromIni(initial);
        return true;
    }
    static StoredSection old;  // 20 KB: kept off the caller's stack; calls never overlap (mutex)
    old.read(initial);
    SQLRemoveDSNFromIni(initial);
    if (SQLWriteDSNToIni(dsn, driver)) return true;
    old.restore(initial, driver);
    return false;
}

// The keys go in their fixed order. The installer's answers are deliberately not examined:
// the DSN is registered by now, and a write it refuses leaves nothing the commit could undo.
void WriteKeys(HWND window, const ProfileText& storedServer) {
    // A silent configure keeps the server, database and engine DSN keys it does not name:
    // an installer script that changes a description must not lose the server.
    const bool keepUnnamed = window == nullptr && IsConfigure();
    const ProfileWritePlan plan = PlanProfileWrites(*Settings, storedServer.c_str(), keepUnnamed);
    for (std::size_t i = 0; i < plan.count; ++i)
        SQLWritePrivateProfileString(Settings->DSN.value.c_str(), plan.writes[i].key, plan.writes[i].value, kOdbcIni);
}

}  // namespace

int CommitDsn(HWND window) {
    if (Settings == nullptr) return 0;
    DsnSettings& s = *Settings;
    if (s.DSN.value.empty()) return RefuseQuietly(window, kInstallerInvalidKeywordValue, kMessageNoDsn);
    if (!IsConfigure() && s.DBQ.value.empty() && s.ServerDSN.value.empty())
        return RefuseQuietly(window, kInstallerInvalidKeywordValue, kMessageNoDatabase);

    // The stored form is settled before anything else: a server that cannot be stored whole,
    // or would be stored without its port, is refused, never written cut short.
    if (s.TCPPort.isSet && s.TCPPort.value.empty()) {
        ReportRefusal(window, kInstallerInvalidKeywordValue, kMessagePortEmpty);
        return 0;
    }
    ProfileText storedServer = {};
    if (s.ServerName.isSet && !s.ServerName.value.empty() &&
        !FormatStoredServer(s.ServerName.value.c_str(), s.TCPPort.isSet ? s.TCPPort.value.c_str() : nullptr,
                            storedServer)) {
        ReportRefusal(window, kInstallerInvalidKeywordValue, kMessageServerTooLong);
        return 0;
    }

    if ((s.ServerName.isSet || s.DBQ.isSet) && !CheckServerForDatabase(window)) return 0;
    if ((s.ServerName.isSet || s.ServerDSN.isSet) && !CheckServerAndEngineDsn(window)) return 0;
    if (!MayTakeName(window)) return 0;

    if (ValidateDsnName(s.DSN.value.c_str()) != 0) {
        ReportUnusableName(window);
        return 0;
    }
    if (!RegisterDsn()) {
        ReportUnusableName(window);
        return 0;
    }

    if (!IsConfigure()) ApplyNewDsnDefaults(s, DriverName);
    WriteKeys(window, storedServer);
    return 1;
}
