#include "dialogs/engine_dsn_dialog.h"

#include <cstring>

#include "dialogs/create_database_dialog.h"
#include "dialogs/database_list.h"
#include "dialogs/dialog_support.h"
#include "dialogs/engine_advanced_dialog.h"
#include "dialogs/engine_dsn_text.h"
#include "dialogs/help.h"
#include "dialogs/help_command.h"
#include "remote/admin_library.h"
#include "remote/request_builders.h"
#include "remote/server_probe.h"
#include "resources/resource_ids.h"
#include "setup/call_values.h"
#include "setup/messages.h"
#include "setup/validate_dsn_name.h"

std::uint32_t IsCreateEngineDsn = 0;
std::uint32_t EngineDsnSaved = 0;
ProfileText InitialEngineDsnName = {};
std::uint32_t EngineNameEntered = 0;
std::uint32_t EngineDatabaseChosen = 0;
std::int32_t EngineDialogResult = TRUE;

namespace {

const char kDefaultEngineDescription[] = "Quillmere ODBC Engine Interface";
const char kReadFailed[] = "Failed to retrieve information on the remote Engine DSN. ";
const char kDetailsFailed[] = "Failed to retrieve information on the remote database. ";
const char kModifyFailed[] = "Failed to modify the remote Engine DSN. ";
const char kOldNotDeleted[] = "Failed to modify DSN. The DSN may have been deleted on the remote server machine.";
const char kOverwriteFailed[] = "Failed to overwrite the DSN.";
const char kCreateFailed[] = "Failed to create Engine DSN on remote server. ";
const char kNotRestored[] =
    "The Engine DSN was removed under its old name for the rename, and could not be created there again. ";
const char kDescriptionTooLong[] =
    "The description can be at most 80 characters long. Please shorten it and try again.";
constexpr std::size_t kEngineDsnNameLimit = DSN_NAME_LIMIT, kEngineDescriptionLimit = 80;
// Room for the longest dictionary (256) and location list (513) a database can have.
constexpr std::size_t kDictionaryCharacters = 256, kLocationCharacters = 513;

// The engine DSN as the modify dialog read it: a rename that could not create the new name
// puts the old one back from these values, since the server has no rename of its own.
struct EngineDsnAsRead {
    std::int32_t status;  // of the read; nonzero: nothing to put back from
    std::uint16_t translation;
    ProfileText description, database, openMode;
} AsRead;

bool Creating() { return IsCreateEngineDsn != 0; }

void LaunchEngineHelp() { LaunchHelp(Creating() ? kHelpCreateEngineDsn : kHelpModifyEngineDsn); }

void UpdateEngineOk(HWND dialog) {
    EnableWindow(GetDlgItem(dialog, IDOK), EngineNameEntered && EngineDatabaseChosen);
}

void ShowYesNo(HWND dialog, int id, std::uint8_t flag) {
    if (flag <= 1) SetDlgItemTextA(dialog, id, flag ? "Yes" : "No");
}

// The chosen database's dictionary, locations (one a line) and attributes; 0 when the server
// could not say, the details then as they were.
std::int32_t ShowDatabaseDetails(HWND dialog) {
    SetCursorShape(IDC_WAIT);
    DatabaseAttributes attributes = {};
    FixedText<kDictionaryCharacters + 1> dictionary = {};
    FixedText<kLocationCharacters + 1> locations = {};
    std::uint64_t dictionaryLength = kDictionaryCharacters, locationLength = kLocationCharacters;
    const std::int32_t status = GetDatabaseInfo(RemoteSession, ServerType, Settings->DBQ.value.c_str(), &attributes,
                                                &dictionaryLength, dictionary.data(), &locationLength, locations.data());
    if (status != kStatusSuccess) {
        ShowRemoteFailure(dialog, kDetailsFailed, static_cast<std::uint16_t>(status), MB_OK | MB_ICONINFORMATION);
        SetCursorShape(IDC_ARROW);
        return 0;
    }
    dictionary.terminate(), locations.terminate();
    SetDlgItemTextA(dialog, IDC_ENGINE_DICTIONARY, dictionary.c_str());
    ProfileText lines = {};
    LocationsAsLines(locations.c_str(), lines.data(), lines.capacity());
    SetDlgItemTextA(dialog, IDC_ENGINE_LOCATIONS, lines.c_str());
    ShowYesNo(dialog, IDC_ENGINE_BOUND, attributes.bound);
    ShowYesNo(dialog, IDC_ENGINE_INTEGRITY, attributes.integrityEnforced);
    SetCursorShape(IDC_ARROW);
    return 1;
}

void ShowDetailsOfChosen(HWND dialog) {
    if (ShowDatabaseDetails(dialog) == 0) EngineDialogResult = FALSE;
}

void LoadEngineDsn(HWND dialog) {
    DsnSettings& s = *Settings;
    if (s.ServerDSN.isSet) InitialEngineDsnName = s.ServerDSN.value;
    else InitialEngineDsnName.clear();
    AsRead.status = GetEngineDsn(RemoteSession, ServerType, &EngineDsnTranslation, s.ServerDSN.value.c_str(),
                                 s.EngineDescription.value.data(), s.DBQ.value.data(), s.OpenMode.value.data());
    if (AsRead.status != kStatusSuccess) {
        ShowRemoteFailure(dialog, kReadFailed, static_cast<std::uint16_t>(AsRead.status));
        return;
    }
    AsRead.translation = EngineDsnTranslation;
    AsRead.description = s.EngineDescription.value, AsRead.database = s.DBQ.value, AsRead.openMode = s.OpenMode.value;
    SetDlgItemTextA(dialog, IDC_ENGINE_NAME, s.ServerDSN.value.c_str());
    SetDlgItemTextA(dialog, IDC_ENGINE_DESCRIPTION, s.EngineDescription.value.c_str());
    EngineNameEntered = 1;
    // The stored name is found by its beginning, the search starting at the second entry. An
    // empty one (an answer that said nothing) would begin every name: nothing is chosen for it.
    if (!s.DBQ.value.empty() && SelectByBeginning(dialog, IDC_ENGINE_DATABASE, s.DBQ.value.c_str()))
        EngineDatabaseChosen = 1;
    ShowDetailsOfChosen(dialog);  // for the stored name, found in the list or not
    if (!s.OpenMode.value.empty()) s.OpenMode.isSet = 1;
}

INT_PTR InitEngineDsn(HWND dialog) {
    EngineNameEntered = EngineDatabaseChosen = 0;
    SendDlgItemMessageA(dialog, IDC_ENGINE_NAME, EM_LIMITTEXT, kEngineDsnNameLimit, 0);
    SendDlgItemMessageA(dialog, IDC_ENGINE_DESCRIPTION, EM_LIMITTEXT, kEngineDescriptionLimit, 0);
    // A FALSE answer leaves the focus to the procedure: the name box gets it, as a user expects.
    SetFocus(GetDlgItem(dialog, IDC_ENGINE_NAME));
    if (FillDatabaseList(dialog, IDC_ENGINE_DATABASE) == 0) return FALSE;
    if (Creating()) {
        SetDlgItemTextA(dialog, IDC_ENGINE_DESCRIPTION, kDefaultEngineDescription);
        Settings->OpenMode.value.assign("0");
        return EngineDialogResult;
    }
    LoadEngineDsn(dialog);
    UpdateEngineOk(dialog);
    return EngineDialogResult;
}

void OnDatabaseChosen(HWND dialog) {
    ReadBoxText(dialog, IDC_ENGINE_DATABASE, Settings->DBQ.value);
    TrimTrailingWhitespace(Settings->DBQ.value.data(), Settings->DBQ.value.capacity());
    if (!Settings->DBQ.value.empty()) {
        ShowDetailsOfChosen(dialog);
        EngineDatabaseChosen = 1;
    }
    UpdateEngineOk(dialog);
}

void OnCreateDatabase(HWND dialog) {
    DatabaseCreated = 0;
    if (DialogBoxParamA(ModuleInstance, MAKEINTRESOURCEA(IDD_CREATE_DATABASE), dialog, CreateDBDlgProc, 0) == IDOK &&
        DatabaseCreated) {
        AddAndSelect(dialog, IDC_ENGINE_DATABASE, Settings->DBQ.value.c_str());
        ShowDetailsOfChosen(dialog);
        DatabaseCreated = 0;
        EngineDatabaseChosen = 1;
    }
    UpdateEngineOk(dialog);
}

std::int32_t CreateNamed(const char* name) {
    const DsnSettings& s = *Settings;
    return CreateEngineDsn(RemoteSession, ServerType, EngineDsnTranslation, name, s.EngineDescription.value.c_str(),
                           s.DBQ.value.c_str(), s.OpenMode.value.c_str());
}

// Creates the engine DSN the boxes name; an existing one is overwritten when the user says so.
// True when the dialog may end.
bool CreateOrOverwrite(HWND dialog) {
    const char* name = Settings->ServerDSN.value.c_str();
    const std::int32_t status = CreateNamed(name);
    if (status == kStatusSuccess) return EngineDsnSaved = 1, true;
    EngineDsnSaved = 0;
    if (status != kStatusEngineDsnExists) {
        ShowRemoteFailure(dialog, kCreateFailed, static_cast<std::uint16_t>(status));
        return false;
    }
    MessageText question;
    FormatProductString(question, IDS_DSN_EXISTS_OVERWRITE, name);
    if (MessageBoxA(dialog, question.c_str(), nullptr, MB_YESNO | MB_ICONQUESTION) != IDYES) return false;
    if (DeleteEngineDsn(RemoteSession, ServerType, name) == kStatusSuccess && CreateNamed(name) == kStatusSuccess)
        return true;
    ShowFailure(dialog, kOverwriteFailed);
    return false;
}

// The old name was deleted for a rename that did not happen: it is created again as it was read.
void RestoreRenamed(HWND dialog) {
    std::int32_t status = AsRead.status;
    if (status == kStatusSuccess)
        status = CreateEngineDsn(RemoteSession, ServerType, AsRead.translation, InitialEngineDsnName.c_str(),
                                 AsRead.description.c_str(), AsRead.database.c_str(), AsRead.openMode.c_str());
    if (status != kStatusSuccess) ShowRemoteFailure(dialog, kNotRestored, static_cast<std::uint16_t>(status));
}

INT_PTR OnEngineOk(HWND dialog) {
    DsnSettings& s = *Settings;
    SetCursorShape(IDC_WAIT);
    ReadBoxText(dialog, IDC_ENGINE_NAME, s.ServerDSN.value);
    ReadBoxText(dialog, IDC_ENGINE_DESCRIPTION, s.EngineDescription.value);
    ReadBoxText(dialog, IDC_ENGINE_DATABASE, s.DBQ.value);
    bool saved = false;
    // The box holds 32 characters and the message states that limit; a longer name can only have
    // been put there whole, and would reach the server so.
    if (ValidateDsnName(s.ServerDSN.value.c_str()) != 0 || s.ServerDSN.value.length() > kEngineDsnNameLimit) {
        MessageText message;
        FormatProductString(message, IDS_BAD_DSN_NAME, s.ServerDSN.value.c_str(), DSN_NAME_LIMIT);
        ShowProductBox(dialog, message.c_str(), MB_OK | MB_ICONINFORMATION);
    } else if (s.EngineDescription.value.length() > kEngineDescriptionLimit) {
        ShowFailure(dialog, kDescriptionTooLong);
    } else if (!Creating() && std::strcmp(s.ServerDSN.value.c_str(), InitialEngineDsnName.c_str()) == 0) {
        const std::int32_t status =
            ModifyEngineDsn(RemoteSession, ServerType, EngineDsnTranslation, s.ServerDSN.value.c_str(),
                            s.EngineDescription.value.c_str(), s.DBQ.value.c_str(), s.OpenMode.value.c_str());
        saved = status == kStatusSuccess;
        EngineDsnSaved = saved ? 1 : 0;
        if (!saved) ShowRemoteFailure(dialog, kModifyFailed, static_cast<std::uint16_t>(status));
    } else if (!Creating()) {
        if (DeleteEngineDsn(RemoteSession, ServerType, InitialEngineDsnName.c_str()) != kStatusSuccess) {
            ShowFailure(dialog, kOldNotDeleted);
            SetCursorShape(IDC_ARROW);
            return FALSE;
        }
        saved = CreateOrOverwrite(dialog);
        if (!saved) RestoreRenamed(dialog);
    } else {
        saved = CreateOrOverwrite(dialog);
    }
    if (saved) EndDialog(dialog, IDOK);
    SetCursorShape(IDC_ARROW);
    return EngineDialogResult;
}

INT_PTR OnEngineCommand(HWND dialog, WPARAM wParam) {
    const WORD notification = HIWORD(wParam);
    switch (LOWORD(wParam)) {
    case IDC_ENGINE_NAME:
        if (notification == EN_CHANGE) {
            EngineNameEntered = BoxLength(dialog, IDC_ENGINE_NAME) > 0;
            UpdateEngineOk(dialog);
        }
        break;
    case IDC_ENGINE_DATABASE:
        if (notification == CBN_SELCHANGE) OnDatabaseChosen(dialog);
        break;
    case IDC_ENGINE_CREATE:
        OnCreateDatabase(dialog);
        break;
    case IDC_ENGINE_ADVANCED:
        DialogBoxParamA(ModuleInstance, MAKEINTRESOURCEA(IDD_ENGINE_ADVANCED), dialog, EngAdvancedDlgProc, 0);
        break;
    case IDC_HELP_BUTTON:
        LaunchEngineHelp();
        break;
    case IDCANCEL:
        EndDialog(dialog, static_cast<INT_PTR>(wParam));
        break;
    case IDOK:
        return OnEngineOk(dialog);
    default:
        EngineDialogResult = FALSE;
        return FALSE;
    }
    return EngineDialogResult;
}

}  // namespace

extern "C" INT_PTR CALLBACK EngDSNDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    INT_PTR answered = FALSE;
    if (AnsweredWithoutRecord(dialog, message, answered)) return answered;
    switch (message) {
    case WM_INITDIALOG:
        return InitEngineDsn(dialog);
    case WM_COMMAND:
        return OnEngineCommand(dialog, wParam);
    case WM_HELP:
        LaunchEngineHelp();
        return EngineDialogResult = TRUE;
    default:
        return EngineDialogResult = FALSE;
    }
}
