#include "dialogs/create_database_dialog.h"

#include "dialogs/code_page_list.h"
#include "dialogs/data_file_location.h"
#include "dialogs/database_creation.h"
#include "dialogs/dialog_support.h"
#include "dialogs/help.h"
#include "dialogs/help_command.h"
#include "paths/unc_conversion.h"
#include "paths/unc_resolver.h"
#include "remote/admin_library.h"
#include "remote/request_builders.h"
#include "remote/server_probe.h"
#include "resources/resource_ids.h"
#include "setup/call_values.h"
#include "setup/messages.h"

std::uint32_t DatabaseCreated = 0;
std::uint32_t DatabaseNameEntered = 0;
std::uint32_t DictionaryEntered = 0;
std::uint32_t LocationsPresent = 0;

namespace {

ProfileText PreviousDictionary = {};

const char kAskDictionaryFiles[] =
    "Do you want to create data dictionary files in the specified data dictionary location for your unbound named "
    "database?";
const char kLocationsTooLong[] =
    "The data file locations are longer than 512 characters together, as the server receives them. Please remove a "
    "location or choose shorter paths, and try again.";
const char kNameTooLong[] = "The database name can be at most 20 characters long. Please shorten it and try again.";
const char kDictionaryTooLong[] =
    "The dictionary location can be at most 255 characters long. Please shorten it and try again.";
constexpr int kNameLimit = 20, kDictionaryLimit = 255;
constexpr int kMostSelected = 512;
constexpr unsigned kSecurityStrings[] = {IDS_SECURITY_CLASSIC, IDS_SECURITY_MIXED, IDS_SECURITY_DATABASE};
constexpr std::uint8_t kSecurityValues[] = {0, 1, 3};

LRESULT ToList(HWND dialog, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return SendDlgItemMessageA(dialog, IDC_CREATE_LOCATIONS, message, wParam, lParam);
}

void EnableOk(HWND dialog, bool enable) { EnableWindow(GetDlgItem(dialog, IDOK), enable); }
void UpdateCreateControls(HWND dialog) { EnableOk(dialog, DatabaseNameEntered && DictionaryEntered && LocationsPresent); }

// After Browse and Delete: an empty list disables OK; otherwise nothing changes.
void CheckLocationList(HWND dialog) {
    if (ToList(dialog, LB_GETCOUNT) != 0) return;
    LocationsPresent = 0;
    EnableOk(dialog, false);
}

void InitCreateDatabase(HWND dialog) {
    DatabaseNameEntered = DictionaryEntered = LocationsPresent = 0;
    PreviousDictionary.clear();
    EnableOk(dialog, false);
    SendDlgItemMessageA(dialog, IDC_CREATE_NAME, EM_LIMITTEXT, kNameLimit, 0);
    SendDlgItemMessageA(dialog, IDC_CREATE_DICTIONARY, EM_LIMITTEXT, kDictionaryLimit, 0);
    ToList(dialog, LB_SETHORIZONTALEXTENT, 3500);
    CheckDlgButton(dialog, IDC_CREATE_INTEGRITY, BST_CHECKED);
    CheckDlgButton(dialog, IDC_CREATE_BOUND, BST_UNCHECKED);
    CheckDlgButton(dialog, IDC_CREATE_LONG_METADATA, BST_UNCHECKED);
    SendDlgItemMessageA(dialog, IDC_CREATE_SECURITY, CB_RESETCONTENT, 0, 0);
    for (unsigned id : kSecurityStrings) {
        ProfileText policy;
        LoadProductString(id, policy);
        SendDlgItemMessageA(dialog, IDC_CREATE_SECURITY, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(policy.c_str()));
    }
    SendDlgItemMessageA(dialog, IDC_CREATE_SECURITY, CB_SETCURSEL, 0, 0);
    FillCodePageList(GetDlgItem(dialog, IDC_CREATE_CODE_PAGE));
}

// The list keeps one entry mirroring the dictionary location: the old text's entry goes, the
// new text comes in.
void OnDictionaryChanged(HWND dialog) {
    ProfileText dictionary;
    ReadBoxText(dialog, IDC_CREATE_DICTIONARY, dictionary);
    DictionaryEntered = LocationsPresent = !dictionary.empty();
    EnableOk(dialog, DatabaseNameEntered && DictionaryEntered);
    const LRESULT mirror = ToList(dialog, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                  reinterpret_cast<LPARAM>(PreviousDictionary.c_str()));
    if (mirror != LB_ERR) ToList(dialog, LB_DELETESTRING, static_cast<WPARAM>(mirror));
    if (!dictionary.empty()) ToList(dialog, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(dictionary.c_str()));
    PreviousDictionary = dictionary;
}

int SelectedLocations(HWND dialog, int* indexes) {
    const LRESULT n = ToList(dialog, LB_GETSELITEMS, kMostSelected, reinterpret_cast<LPARAM>(indexes));
    return n == LB_ERR ? 0 : static_cast<int>(n);
}

// Delete is on while some location is selected.
void UpdateDeleteButton(HWND dialog) {
    int selected[kMostSelected] = {};
    EnableWindow(GetDlgItem(dialog, IDC_CREATE_DELETE), SelectedLocations(dialog, selected) > 0);
}

void OnAddLocation(HWND dialog) {
    if (DialogBoxParamA(ModuleInstance, MAKEINTRESOURCEA(IDD_ADD_DATAFILE), dialog, AddDlgProc, 0) == IDOK)
        ToList(dialog, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Settings->DatafileLoc.value.c_str()));
    Settings->DatafileLoc.value.clear();
    LocationsPresent = ToList(dialog, LB_GETCOUNT) != 0;
    UpdateCreateControls(dialog);
}

void OnDeleteLocations(HWND dialog) {
    int selected[kMostSelected] = {};
    // From the last to the first, so the earlier indexes stay valid.
    for (int i = SelectedLocations(dialog, selected); i > 0; --i)
        ToList(dialog, LB_DELETESTRING, static_cast<WPARAM>(selected[i - 1]));
    UpdateDeleteButton(dialog);
    CheckLocationList(dialog);
}

// The UNC form of one typed path; a path that does not convert is reported (no owner, as
// the request is still being put together) and answers false.
bool ConvertForServer(const char* path, ProfileText& unc) {
    const int answer = ConvertToUnc(path, unc, 1);
    if (answer == 0) return true;
    ProfileText format;
    FixedText<1025> message;  // wsprintfA writes at most 1,024 characters
    LoadProductString(answer == InvalidPath ? IDS_PATH_INVALID : IDS_PATH_NOT_UNC, format);
    wsprintfA(message.data(), format.c_str(), path);
    message.terminate();
    ShowProductBox(nullptr, message.c_str(), MB_ICONINFORMATION);
    return false;
}

// For an unbound database: whether to create its dictionary files; -1 when the user cancels.
int DictionaryFilesWanted(HWND dialog, const char* dictionary) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(DictionarySearchPattern(dictionary).c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        FindClose(search);
        return 0;
    }
    if (GetLastError() != ERROR_FILE_NOT_FOUND) return 0;
    const int answer = ShowProductBox(dialog, kAskDictionaryFiles, MB_YESNOCANCEL | MB_ICONQUESTION);
    return answer == IDCANCEL ? -1 : answer == IDYES;
}

std::uint8_t SelectedSecurityPolicy(HWND dialog) {
    ProfileText text, policy;
    if (!ReadSelectedText(GetDlgItem(dialog, IDC_CREATE_SECURITY), text)) return 0;
    for (std::size_t i = 0; i < sizeof kSecurityValues; ++i) {
        LoadProductString(kSecurityStrings[i], policy);
        if (policy == text.c_str()) return kSecurityValues[i];
    }
    return 0;
}

// A text a program put past a box's limit, or with characters outside the ANSI code page,
// would reach the server cut or changed: such input is refused before anything is read.
const char* RefusedInput(HWND dialog) {
    if (BoxLength(dialog, IDC_CREATE_NAME) > kNameLimit) return kNameTooLong;
    if (BoxLength(dialog, IDC_CREATE_DICTIONARY) > kDictionaryLimit) return kDictionaryTooLong;
    if (!BoxTextIsAnsi(dialog, IDC_CREATE_NAME) || !BoxTextIsAnsi(dialog, IDC_CREATE_DICTIONARY)) return kOutsideCodePage;
    return nullptr;
}

void ShowCreateStatus(HWND dialog, std::uint16_t status, bool bound) {
    const CreateStatusAnswer answer = AnswerForCreateStatus(status, bound);
    if (answer.text[0] != 0) ShowProductBox(dialog, answer.text, answer.icon);
    else ShowRemoteFailure(dialog, kCreateFailedPrefix, status);
}

// Reads every control afresh, so a second OK after a failure sends what the boxes hold now.
// A path that does not convert, or locations too long for the request, send nothing: the
// server would create the database somewhere other than the user named.
void CreateTheDatabase(HWND dialog) {
    if (const char* refusal = RefusedInput(dialog)) return ShowFailure(dialog, refusal);
    SetCursorShape(IDC_WAIT);
    DsnSettings& s = *Settings;
    ReadBoxText(dialog, IDC_CREATE_NAME, s.DBQ.value);  // given only once created: the opener marks it
    ProfileText dictionary;
    ReadBoxText(dialog, IDC_CREATE_DICTIONARY, dictionary);
    bool converted = ConvertForServer(dictionary.c_str(), s.DictionaryLoc.value);
    bool fits = true;
    s.DatafileLoc.value.clear();
    const LRESULT count = ToList(dialog, LB_GETCOUNT);
    for (LRESULT i = 0; i < count; ++i) {
        ProfileText location = {}, unc;
        if (ToList(dialog, LB_GETTEXTLEN, static_cast<WPARAM>(i)) >= static_cast<LRESULT>(location.capacity())) {
            fits = false;
            continue;
        }
        ToList(dialog, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(location.data()));
        location.terminate();
        const bool ok = ConvertForServer(location.c_str(), unc);
        converted = converted && ok;
        if (ok && fits) fits = AppendDataFileLocation(s.DatafileLoc.value, unc.c_str());
    }
    if (converted && !fits) ShowFailure(dialog, kLocationsTooLong);
    DatabaseAttributes attributes = {};
    attributes.integrityEnforced = IsDlgButtonChecked(dialog, IDC_CREATE_INTEGRITY) == BST_CHECKED;
    attributes.longMetadata = IsDlgButtonChecked(dialog, IDC_CREATE_LONG_METADATA) == BST_CHECKED;
    const bool bound = IsDlgButtonChecked(dialog, IDC_CREATE_BOUND) == BST_CHECKED;
    attributes.bound = attributes.createDictionary = bound;
    const int wanted = !converted || !fits || bound ? 0 : DictionaryFilesWanted(dialog, dictionary.c_str());
    if (!converted || !fits || wanted < 0) {
        SetCursorShape(IDC_ARROW);
        return;
    }
    if (!bound) attributes.createDictionary = static_cast<std::uint8_t>(wanted);
    attributes.securityModel = SelectedSecurityPolicy(dialog);
    attributes.codePage = SelectedCodePage(GetDlgItem(dialog, IDC_CREATE_CODE_PAGE));
    const auto status = static_cast<std::uint16_t>(
        CreateDatabase(RemoteSession, ServerType, s.DBQ.value.c_str(), &attributes, s.DictionaryLoc.value.length(),
                       s.DictionaryLoc.value.c_str(), s.DatafileLoc.value.length(), s.DatafileLoc.value.c_str()));
    if (status == kStatusSuccess) {
        DatabaseCreated = 1;
        EndDialog(dialog, IDOK);
    } else {
        ShowCreateStatus(dialog, status, bound);
    }
    SetCursorShape(IDC_ARROW);
}

}  // namespace

extern "C" INT_PTR CALLBACK CreateDBDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    INT_PTR answered = FALSE;
    if (AnsweredWithoutRecord(dialog, message, answered)) return answered;
    if (message == WM_INITDIALOG) {
        InitCreateDatabase(dialog);
        return TRUE;
    }
    if (message == WM_HELP) {
        LaunchHelp(kHelpCreateDatabase);
        return TRUE;
    }
    if (message != WM_COMMAND) return FALSE;
    const WORD notification = HIWORD(wParam);
    switch (LOWORD(wParam)) {
    case IDC_CREATE_NAME:
        if (notification == EN_CHANGE) {
            DatabaseNameEntered = GetWindowTextLengthA(GetDlgItem(dialog, IDC_CREATE_NAME)) > 0;
            UpdateCreateControls(dialog);
        }
        return TRUE;
    case IDC_CREATE_DICTIONARY:
        if (notification == EN_CHANGE) OnDictionaryChanged(dialog);
        return TRUE;
    case IDC_CREATE_LOCATIONS:
        if (notification == LBN_SELCHANGE) UpdateDeleteButton(dialog);
        return TRUE;
    case IDC_CREATE_BROWSE:
        BrowseForFolder(dialog, IDC_CREATE_BROWSE);
        CheckLocationList(dialog);
        return TRUE;
    case IDC_CREATE_ADD:
        OnAddLocation(dialog);
        return TRUE;
    case IDC_CREATE_DELETE:
        OnDeleteLocations(dialog);
        return TRUE;
    case IDC_HELP_BUTTON:
        LaunchHelp(kHelpCreateDatabase);
        return TRUE;
    case IDCANCEL:
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    case IDOK:
        CreateTheDatabase(dialog);
        return TRUE;
    default:
        return FALSE;
    }
}
