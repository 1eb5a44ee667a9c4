#include "dialogs/advanced_dialog.h"

#include <cstdio>
#include <cstdlib>

#include "dialogs/help.h"
#include "dialogs/help_command.h"
#include "dialogs/dialog_support.h"
#include "platform/qscore.h"
#include "resources/resource_ids.h"
#include "setup/call_values.h"
#include "setup/messages.h"
#include "setup/profile_store.h"

namespace {

const char kOdbcInstIni[] = "odbcinst.ini";
const char kTranslatorName[] = "Quillmere Software OEM to ANSI";
constexpr unsigned long kSmallestBufferSize = 1, kLargestBufferSize = 64;

bool ArrayFetchOn() { return Settings->ArrayFetchOn.value == "1"; }

// OK needs a port, and a buffer size too while array fetch is on.
void UpdateAdvancedControls(HWND dialog) {
    const bool portGiven = !Settings->TCPPort.value.empty();
    const bool sizeGiven = !Settings->ArrayBufferSize.value.empty();
    EnableWindow(GetDlgItem(dialog, IDOK), ArrayFetchOn() ? portGiven && sizeGiven : portGiven);
}

// A box's text goes into its field at once; an emptied box leaves the field not given (a
// cleared port lets the stored or default port stand).
void BoxChanged(HWND dialog, int id, DsnSetting& field) {
    ReadBoxText(dialog, id, field.value);
    field.isSet = field.value.empty() ? 0 : 1;
    UpdateAdvancedControls(dialog);
}

ProfileText ReadOdbcInst(const char* section, const char* key) {
    ProfileText value = {};
    ReadProfileText(section, key, "", value, kOdbcInstIni);
    return value;
}

// Setting a box's text runs its change handling, so the record follows.
void ShowBufferSize(HWND dialog) {
    const DsnSetting& size = Settings->ArrayBufferSize;
    SetDlgItemTextA(dialog, IDC_ARRAY_BUFFER_SIZE, size.isSet ? size.value.c_str() : kDefaultArrayBufferSize);
}

void InitAdvanced(HWND dialog) {
    DsnSettings& s = *Settings;
    SendDlgItemMessageA(dialog, IDC_ARRAY_BUFFER_SIZE, EM_LIMITTEXT, 2, 0);
    if (s.ArrayFetchOn.isSet && !ArrayFetchOn()) {
        CheckDlgButton(dialog, IDC_ARRAY_FETCH, BST_UNCHECKED);
        EnableWindow(GetDlgItem(dialog, IDC_ARRAY_BUFFER_SIZE), FALSE);
    } else {
        CheckDlgButton(dialog, IDC_ARRAY_FETCH, BST_CHECKED);
        if (s.ArrayFetchOn.isSet) ShowBufferSize(dialog);
        else SetDlgItemTextA(dialog, IDC_ARRAY_BUFFER_SIZE, kDefaultArrayBufferSize);
    }
    if (s.TCPPort.isSet) {
        const bool standard = s.TCPPort.value == kDefaultTcpPort;
        CheckDlgButton(dialog, IDC_TCP_PORT_DEFAULT, standard ? BST_CHECKED : BST_UNCHECKED);
        EnableWindow(GetDlgItem(dialog, IDC_TCP_PORT), !standard);
        SetDlgItemTextA(dialog, IDC_TCP_PORT, ProfileText(s.TCPPort.value).c_str());
    }
    const bool translatorInstalled =
        QSStrICmpA(ReadOdbcInst("ODBC Translators", kTranslatorName).c_str(), "Installed") == 0;
    EnableWindow(GetDlgItem(dialog, IDC_TRANSLATION_OEM), translatorInstalled);

    s.QmTranslate.value.clear();
    ReadProfileText(s.DSN.value.c_str(), "QmTranslate", "", s.QmTranslate.value);
    if (s.QmTranslate.isSet && _stricmp(s.QmTranslate.value.c_str(), "Auto") == 0)
        CheckDlgButton(dialog, IDC_TRANSLATION_AUTO, BST_CHECKED);
    else if (translatorInstalled && s.TranslationDLL.isSet && !s.TranslationDLL.value.empty())
        CheckDlgButton(dialog, IDC_TRANSLATION_OEM, BST_CHECKED);
    if (!IsDlgButtonChecked(dialog, IDC_TRANSLATION_OEM) && !IsDlgButtonChecked(dialog, IDC_TRANSLATION_AUTO))
        CheckDlgButton(dialog, IDC_TRANSLATION_NONE, BST_CHECKED);
}

void ArrayFetchClicked(HWND dialog) {
    // The value follows the box; OK marks it set.
    if (IsDlgButtonChecked(dialog, IDC_ARRAY_FETCH) == BST_CHECKED) {
        Settings->ArrayFetchOn.value.assign("1");
        EnableWindow(GetDlgItem(dialog, IDC_ARRAY_BUFFER_SIZE), TRUE);
        ShowBufferSize(dialog);
        UpdateAdvancedControls(dialog);
    } else {
        Settings->ArrayFetchOn.value.assign("0");
        EnableWindow(GetDlgItem(dialog, IDC_ARRAY_BUFFER_SIZE), FALSE);
        EnableWindow(GetDlgItem(dialog, IDOK), !Settings->TCPPort.value.empty());
    }
}

void DefaultPortClicked(HWND dialog) {
    const bool standard = IsDlgButtonChecked(dialog, IDC_TCP_PORT_DEFAULT) == BST_CHECKED;
    SetDlgItemTextA(dialog, IDC_TCP_PORT, standard ? kDefaultTcpPort : "");
    EnableWindow(GetDlgItem(dialog, IDC_TCP_PORT), !standard);
}

// The translation as the radio buttons choose it; stored whether or not the dialog closes.
void StoreTranslation(HWND dialog) {
    DsnSettings& s = *Settings;
    s.TranslationDLL.set("");
    s.TranslationOption.set("");
    s.QmTranslate.set("");
    if (IsDlgButtonChecked(dialog, IDC_TRANSLATION_AUTO) == BST_CHECKED)
        s.QmTranslate.set("Auto");
    else if (IsDlgButtonChecked(dialog, IDC_TRANSLATION_OEM) == BST_CHECKED)
        s.TranslationDLL.set(ReadOdbcInst(kTranslatorName, "Translator").c_str());
}

// A whole decimal number from 1 to 64, nothing else.
bool AcceptableBufferSize(const char* text) {
    if (text[0] == 0) return false;
    char* end = nullptr;
    unsigned long size = std::strtoul(text, &end, 10);
    return *end == 0 && size >= kSmallestBufferSize && size <= kLargestBufferSize;
}

void ConfirmAdvanced(HWND dialog, WPARAM command) {
    DsnSettings& s = *Settings;
    s.ArrayFetchOn.isSet = 1;
    if (ArrayFetchOn()) {
        if (AcceptableBufferSize(s.ArrayBufferSize.value.c_str())) {
            s.ArrayBufferSize.isSet = 1;
            EndDialog(dialog, static_cast<INT_PTR>(command));
        } else {
            s.ArrayBufferSize.isSet = 0;
            // The text can be any 512 characters the record was given (only typing is held to
            // two): the message buffer holds the whole format filled with it.
            ProfileText format;
            FixedText<kProfileTextCapacity + 128> message;
            LoadProductString(IDS_BAD_ARRAY_BUFFER_SIZE, format);
            std::snprintf(message.data(), message.capacity(), format.c_str(), static_cast<int>(kSmallestBufferSize),
                          static_cast<int>(kLargestBufferSize), s.ArrayBufferSize.value.c_str());
            message.terminate();
            ShowFailure(dialog, message.c_str());
            SendDlgItemMessageA(dialog, IDC_ARRAY_BUFFER_SIZE, EM_SETSEL, 0, -1);
        }
    } else {
        s.ArrayBufferSize.value.clear();
        s.ArrayBufferSize.isSet = 0;
        EndDialog(dialog, static_cast<INT_PTR>(command));
    }
    StoreTranslation(dialog);
}

}  // namespace

extern "C" INT_PTR CALLBACK AdvancedDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    INT_PTR answered = FALSE;
    if (AnsweredWithoutRecord(dialog, message, answered)) return answered;
    if (message == WM_INITDIALOG) {
        InitAdvanced(dialog);
        return TRUE;
    }
    if (message == WM_HELP) {
        LaunchHelp(kHelpAdvanced);
        return TRUE;
    }
    if (message != WM_COMMAND) return FALSE;
    switch (LOWORD(wParam)) {
    case IDC_ARRAY_FETCH:
        ArrayFetchClicked(dialog);
        return TRUE;
    case IDC_ARRAY_BUFFER_SIZE:
        if (HIWORD(wParam) == EN_CHANGE) BoxChanged(dialog, IDC_ARRAY_BUFFER_SIZE, Settings->ArrayBufferSize);
        return TRUE;
    case IDC_TCP_PORT:
        if (HIWORD(wParam) == EN_CHANGE) BoxChanged(dialog, IDC_TCP_PORT, Settings->TCPPort);
        return TRUE;
    case IDC_TCP_PORT_DEFAULT:
        DefaultPortClicked(dialog);
        return TRUE;
    case IDC_HELP_BUTTON:
        LaunchHelp(kHelpAdvanced);
        return TRUE;
    case IDCANCEL:
        EndDialog(dialog, static_cast<INT_PTR>(wParam));
        return TRUE;
    case IDOK:
        ConfirmAdvanced(dialog, wParam);
        return TRUE;
    default:
        return FALSE;
    }
}
