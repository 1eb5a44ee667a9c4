#include "dialogs/setup_dialog.h"

#include <initializer_list>


#include "dialogs/advanced_dialog.h"
#include "dialogs/create_database_dialog.h"
#include "dialogs/database_list.h"
#include "dialogs/dialog_support.h"
#include "dialogs/help.h"
#include "dialogs/help_command.h"
#include "dialogs/server_session.h"
#include "dialogs/test_connection.h"
#include "platform/qscore.h"
#include "remote/admin_library.h"
#include "remote/server_probe.h"
#include "resources/resource_ids.h"
#include "setup/call_values.h"
#include "setup/dsn_commit.h"
#include "setup/messages.h"
#include "setup/profile_store.h"
#include "setup/server_address.h"

std::uint32_t HasDsnName = 0;
std::uint32_t HasServerName = 0;
std::uint32_t HasDatabaseName = 0;

namespace {

struct TransportHint {
    const char* display;
    const char* stored;
};
// Matched exactly, case included, in both directions.
constexpr TransportHint TransportHintTable[] = {
    {"Try TCPIP first, then SPX", "TCP:SPX"},
    {"Try SPX first, then TCPIP", "SPX:TCP"},
    {"Try TCPIP only", "TCP"},
    {"Try SPX only", "SPX"},
};

// A default that no real description holds, so that a missing key can be told from an empty one.
const char kDescriptionMarker[] = "(()(^g-(1,((";
const char kDescriptionMissing[] =
    "The description of the DSN is not available. It may have been deleted.\n It is now set to the default "
    "description 'Quillmere ODBC Interface'.";
const char kHintMissing[] =
    "The transport hint for the server name is not available. It is now set to the default value.";
const char kNothingReferenced[] =
    "Neither the Engine DSN or the Database Name referenced by this Client DSN could be retrieved. The Engine DSN or "
    "the Database Name might have been deleted.";
constexpr int kDsnNameLimit = 32, kDescriptionLimit = 80;

bool Configuring() { return IsAddRequest == 0; }

void ReadDsnKey(const char* key, const char* fallback, ProfileText& text) {
    ReadProfileText(Settings->DSN.value.c_str(), key, fallback, text);
}

// The fields that a DSN's stored key fills, or else the key table's default for a new DSN.
constexpr DsnSetting DsnSettings::*kDefaultedFields[] = {
    &DsnSettings::ArrayFetchOn, &DsnSettings::ArrayBufferSize, &DsnSettings::TCPPort,
    &DsnSettings::TranslationDLL, &DsnSettings::TranslationOption, &DsnSettings::QmTranslate};

const AttributeKey& KeyOf(DsnSetting DsnSettings::*field) {
    const AttributeKey* row = AttributeKeyTable;
    while (row->field != field) ++row;  // every field of the record has its row
    return *row;
}

// A box's text into its field; true when the field is not empty.
bool FollowBox(HWND dialog, int id, DsnSetting& field) {
    ReadBoxText(dialog, id, field.value);
    return !field.value.empty();
}

void UpdateSetupControls(HWND dialog) {
    const bool complete = HasDsnName && HasServerName && HasDatabaseName;
    EnableWindow(GetDlgItem(dialog, IDOK), complete);
    EnableWindow(GetDlgItem(dialog, IDC_SETUP_TEST), complete);
    EnableWindow(GetDlgItem(dialog, IDC_SETUP_CREATE), HasServerName);
    EnableWindow(GetDlgItem(dialog, IDC_SETUP_GET_LIST), HasServerName);
    EnableWindow(GetDlgItem(dialog, IDC_SETUP_DATABASE), HasDatabaseName);
}

void ClearDatabaseList(HWND dialog) {
    SendDlgItemMessageA(dialog, IDC_SETUP_DATABASE, CB_RESETCONTENT, 0, 0);
    EnableWindow(GetDlgItem(dialog, IDC_SETUP_DATABASE), FALSE);
    HasDatabaseName = 0;
}

// The hint box's choice into the record; no choice (a stored value outside the table) keeps it.
void ReadTransportHint(HWND dialog) {
    ProfileText shown;
    ReadBoxText(dialog, IDC_SETUP_HINT, shown);
    for (const TransportHint& hint : TransportHintTable)
        if (shown == hint.display) Settings->TransportHint.value.assign(hint.stored);
}

void InitFieldsForAdd(DsnSettings& s) {
    if (!s.Description.isSet) s.Description.set(DriverName ? DriverName : "");
    for (DsnSetting DsnSettings::*field : kDefaultedFields)
        if (!(s.*field).isSet) (s.*field).set(KeyOf(field).newDsnDefault);
    if (!s.TransportHint.isSet) s.TransportHint.set(KeyOf(&DsnSettings::TransportHint).newDsnDefault);
    if (!s.ServerName.isSet) s.ServerName.value.assign("localhost");  // shown, but not given
}

// What the attribute list did not give comes from the DSN's stored keys, each with its
// default; missing keys that matter are said.
void InitFieldsForConfigure(HWND dialog, DsnSettings& s) {
    if (!s.Description.isSet) {
        ReadDsnKey("Description", kDescriptionMarker, s.Description.value);
        if (s.Description.value == kDescriptionMarker) {
            s.Description.value.assign(DriverName ? DriverName : "");
            ShowProductBox(dialog, kDescriptionMissing, MB_OK | MB_ICONINFORMATION);
        }
        s.Description.isSet = 1;
    }
    for (DsnSetting DsnSettings::*member : kDefaultedFields) {
        DsnSetting& field = s.*member;
        if (field.isSet) continue;
        ReadDsnKey(KeyOf(member).name, "", field.value);
        if (field.value.empty()) field.value.assign(KeyOf(member).newDsnDefault);
        field.isSet = 1;
    }
    if (!s.ServerName.isSet) {
        ProfileText stored = {};
        ReadDsnKey("ServerName", "", stored);
        if (!stored.empty()) ReadBackServerName(stored.c_str(), s.ServerName.value), s.ServerName.isSet = 1;
    }
    if (!s.TransportHint.isSet) {
        ReadDsnKey("TransportHint", "", s.TransportHint.value);
        if (s.TransportHint.value.empty()) {
            s.TransportHint.value.assign(KeyOf(&DsnSettings::TransportHint).newDsnDefault);
            ShowProductBox(dialog, kHintMissing, MB_OK | MB_ICONINFORMATION);
        }
        s.TransportHint.isSet = 1;
    }
    for (DsnSetting DsnSettings::*member : {&DsnSettings::DBQ, &DsnSettings::ServerDSN}) {
        DsnSetting* field = &(s.*member);
        if (field->isSet) continue;
        ReadDsnKey(KeyOf(member).name, "", field->value);
        field->isSet = !field->value.empty();
    }
    if (!s.DBQ.isSet && !s.ServerDSN.isSet) ShowFailure(dialog, kNothingReferenced);
}

void InitSetup(HWND dialog) {
    DsnSettings& s = *Settings;
    CentreDialog(dialog);
    if (!s.DSN.isSet) s.DSN.value.clear();
    SetDlgItemTextA(dialog, IDC_SETUP_DSN, s.DSN.value.c_str());
    SendDlgItemMessageA(dialog, IDC_SETUP_DSN, EM_LIMITTEXT, kDsnNameLimit, 0);
    if (Configuring()) InitFieldsForConfigure(dialog, s);
    else InitFieldsForAdd(s);
    SetDlgItemTextA(dialog, IDC_SETUP_DESCRIPTION, s.Description.value.c_str());
    SendDlgItemMessageA(dialog, IDC_SETUP_DESCRIPTION, EM_LIMITTEXT, kDescriptionLimit, 0);
    SetDlgItemTextA(dialog, IDC_SETUP_SERVER, ProfileText(s.ServerName.value).c_str());
    for (const TransportHint& hint : TransportHintTable)
        SendDlgItemMessageA(dialog, IDC_SETUP_HINT, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(hint.display));
    for (const TransportHint& hint : TransportHintTable) {
        if (s.TransportHint.value == hint.stored) SelectByBeginning(dialog, IDC_SETUP_HINT, hint.display);
    }
    if (s.DBQ.isSet) {
        SendDlgItemMessageA(dialog, IDC_SETUP_DATABASE, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s.DBQ.value.c_str()));
        SendDlgItemMessageA(dialog, IDC_SETUP_DATABASE, CB_SETCURSEL, 0, 0);
    }
    HasDsnName = !s.DSN.value.empty();
    HasDatabaseName = !s.DBQ.value.empty();
    HasServerName = !s.ServerName.value.empty();
    UpdateSetupControls(dialog);
}

// The boxes as OK and Test send them; the dialog has no engine DSN box.
void ReadConnectionBoxes(HWND dialog) {
    ReadBoxText(dialog, IDC_SETUP_SERVER, Settings->ServerName.value);
    ReadBoxText(dialog, IDC_SETUP_DATABASE, Settings->DBQ.value);
    Settings->ServerDSN.value.clear();
    ReadTransportHint(dialog);
}

INT_PTR OnOk(HWND dialog, WPARAM command) {
    DsnSettings& s = *Settings;
    SetCursorShape(IDC_WAIT);
    ReadBoxText(dialog, IDC_SETUP_DSN, s.DSN.value);
    ReadBoxText(dialog, IDC_SETUP_DESCRIPTION, s.Description.value);
    ReadConnectionBoxes(dialog);
    s.Description.isSet = s.DBQ.isSet = s.ServerName.isSet = s.TransportHint.isSet = 1;
    s.ServerDSN.isSet = 0;  // so the commit removes an old ServerDSN key
    // The port the server name is stored with is the one the dialog holds, written beside it.
    s.TCPPort.isSet = 1;
    const int committed = CommitDsn(dialog);
    SetCursorShape(IDC_ARROW);
    if (committed == 0) return FALSE;
    EndDialog(dialog, static_cast<INT_PTR>(command));
    return committed;
}

void OnTest(HWND dialog) {
    ReadConnectionBoxes(dialog);
    // Test sends the port that OK would store; an empty one is refused by both alike.
    if (Settings->TCPPort.value.empty()) return ShowFailure(dialog, kMessagePortEmpty);
    TestConnection(dialog);
}

INT_PTR OnGetList(HWND dialog) {
    DsnSettings& s = *Settings;
    HasServerName = FollowBox(dialog, IDC_SETUP_SERVER, s.ServerName);
    HasDatabaseName = 0;
    SetCursorShape(IDC_WAIT);
    INT_PTR result = TRUE;
    ConnectWithoutLogon(dialog);
    if (RemoteSession != kNoRemoteSession) {
        if (!ProbeConnectedServer(dialog)) return SetCursorShape(IDC_ARROW), FALSE;
        if (FillDatabaseList(dialog, IDC_SETUP_DATABASE) != 0) EnableWindow(GetDlgItem(dialog, IDC_SETUP_DATABASE), TRUE);
        else result = FALSE;
        // A loaded name is found again by its beginning, the search starting at the second entry.
        if (s.DBQ.isSet) SelectByBeginning(dialog, IDC_SETUP_DATABASE, s.DBQ.value.c_str());
        else SendDlgItemMessageA(dialog, IDC_SETUP_DATABASE, CB_SETCURSEL, 0, 0);
        DBUDisconnect(&RemoteSession);
    }
    HasDatabaseName = FollowBox(dialog, IDC_SETUP_DATABASE, s.DBQ);
    SetCursorShape(IDC_ARROW);
    UpdateSetupControls(dialog);
    return result;
}

INT_PTR OnCreate(HWND dialog) {
    DsnSettings& s = *Settings;
    if (OpenServerSession(dialog)) {
        if (!ProbeConnectedServer(dialog)) return FALSE;
        DatabaseCreated = 0;
        DialogBoxParamA(ModuleInstance, MAKEINTRESOURCEA(IDD_CREATE_DATABASE), dialog, CreateDBDlgProc, 0);
        if (DatabaseCreated) {
            // The Logon dialog may have changed the server: the box follows, which empties the list.
            ProfileText shown;
            ReadBoxText(dialog, IDC_SETUP_SERVER, shown);
            if (QSStrICmpA(shown.c_str(), s.ServerName.value.c_str()) != 0)
                SetDlgItemTextA(dialog, IDC_SETUP_SERVER, ProfileText(s.ServerName.value).c_str());
            s.DBQ.isSet = 1;
            EnableWindow(GetDlgItem(dialog, IDC_SETUP_DATABASE), TRUE);
            AddAndSelect(dialog, IDC_SETUP_DATABASE, s.DBQ.value.c_str());
            HasDatabaseName = 1;
        }
        DBUDisconnect(&RemoteSession);
    }
    ReadBoxText(dialog, IDC_SETUP_DATABASE, s.DBQ.value);
    UpdateSetupControls(dialog);
    return TRUE;
}

}  // namespace

extern "C" INT_PTR CALLBACK SetupDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    INT_PTR answered = FALSE;
    if (AnsweredWithoutRecord(dialog, message, answered)) return answered;
    if (message == WM_INITDIALOG) {
        InitSetup(dialog);
        return TRUE;
    }
    if (message == WM_HELP) {
        LaunchHelp(kHelpSetup);
        return TRUE;
    }
    if (message != WM_COMMAND) return FALSE;
    DsnSettings& s = *Settings;
    const WORD notification = HIWORD(wParam);
    switch (LOWORD(wParam)) {
    case IDC_SETUP_DSN:
        if (notification == EN_CHANGE) {
            HasDsnName = FollowBox(dialog, IDC_SETUP_DSN, s.DSN);
            UpdateSetupControls(dialog);
        }
        return TRUE;
    case IDC_SETUP_SERVER:
        if (notification == EN_CHANGE) {
            HasServerName = FollowBox(dialog, IDC_SETUP_SERVER, s.ServerName);
            ClearDatabaseList(dialog);
            UpdateSetupControls(dialog);
        }
        return TRUE;
    case IDC_SETUP_DATABASE:
        if (notification == CBN_SELCHANGE) {
            HasDatabaseName = FollowBox(dialog, IDC_SETUP_DATABASE, s.DBQ);
            UpdateSetupControls(dialog);
        }
        return TRUE;
    case IDC_SETUP_ADVANCED:
        DialogBoxParamA(ModuleInstance, MAKEINTRESOURCEA(IDD_ADVANCED), dialog, AdvancedDlgProc, 0);
        return TRUE;
    case IDC_HELP_BUTTON:
        LaunchHelp(kHelpSetup);
        return TRUE;
    case IDCANCEL:
        EndDialog(dialog, static_cast<INT_PTR>(wParam));
        return TRUE;
    case IDOK:
        return OnOk(dialog, wParam);
    case IDC_SETUP_TEST:
        OnTest(dialog);
        return TRUE;
    case IDC_SETUP_GET_LIST:
        return OnGetList(dialog);
    case IDC_SETUP_CREATE:
        return OnCreate(dialog);
    default:
        return FALSE;
    }
}
