#include "dialogs/engine_advanced_dialog.h"

#include "dialogs/dialog_support.h"
#include "dialogs/engine_dsn_dialog.h"
#include "dialogs/help.h"
#include "dialogs/help_command.h"
#include "resources/resource_ids.h"
#include "setup/call_values.h"
#include "setup/messages.h"

namespace {

struct Choice {
    int button;
    const char* openMode;  // the text stored for the open mode
};
// The buttons are one group, so at most one is checked and the order of the look-ups is moot.
constexpr Choice kOpenModes[] = {
    {IDC_OPEN_NORMAL, "0"}, {IDC_OPEN_ACCELERATED, "-1"}, {IDC_OPEN_READ_ONLY, "1"}, {IDC_OPEN_EXCLUSIVE, "-4"}};
// The button of translation 0, 1 and 2.
constexpr int kTranslationButtons[] = {IDC_TRANSLATION_NONE, IDC_TRANSLATION_OEM, IDC_TRANSLATION_AUTO};

const char kOpenModeOutOfRange[] =
    "The OpenMode value for this DSN was not set or was out of range. The OpenMode value is now set to the default "
    "'NORMAL' mode.";
const char kOpenModeMissing[] =
    "Failed to retrieve the DSN's OpenMode value. It might have been deleted. The OpenMode value is now set to the "
    "default 'NORMAL' mode.";

bool Checked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

void InitEngineAdvanced(HWND dialog) {
    if (IsCreateEngineDsn) {
        CheckDlgButton(dialog, IDC_OPEN_NORMAL, BST_CHECKED);
        CheckDlgButton(dialog, IDC_TRANSLATION_NONE, BST_CHECKED);
        return;
    }
    const DsnSetting& openMode = Settings->OpenMode;
    const Choice* found = nullptr;
    for (const Choice& mode : kOpenModes)
        if (openMode.isSet && openMode.value == mode.openMode) {
            found = &mode;
            break;
        }
    CheckDlgButton(dialog, found ? found->button : IDC_OPEN_NORMAL, BST_CHECKED);
    if (found == nullptr)
        ShowProductBox(dialog, openMode.isSet ? kOpenModeOutOfRange : kOpenModeMissing, MB_OK | MB_ICONINFORMATION);
    if (EngineDsnTranslation < 3) CheckDlgButton(dialog, kTranslationButtons[EngineDsnTranslation], BST_CHECKED);
}

// The buttons into the record; FALSE when no open mode is checked (the value then stays).
INT_PTR ConfirmEngineAdvanced(HWND dialog, WPARAM command) {
    INT_PTR result = FALSE;
    for (const Choice& mode : kOpenModes)
        if (Checked(dialog, mode.button)) {
            Settings->OpenMode.value.assign(mode.openMode);
            result = TRUE;
            break;
        }
    if (Checked(dialog, IDC_TRANSLATION_NONE)) EngineDsnTranslation = 0;
    else if (Checked(dialog, IDC_TRANSLATION_OEM)) EngineDsnTranslation = 1;
    else if (Checked(dialog, IDC_TRANSLATION_AUTO)) EngineDsnTranslation = 2;
    EndDialog(dialog, static_cast<INT_PTR>(command));
    return result;
}

}  // namespace

extern "C" INT_PTR CALLBACK EngAdvancedDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    INT_PTR answered = FALSE;
    if (AnsweredWithoutRecord(dialog, message, answered)) return answered;
    if (message == WM_INITDIALOG) {
        InitEngineAdvanced(dialog);
        return TRUE;
    }
    if (message == WM_HELP) {
        LaunchHelp(kHelpEngineAdvanced);
        return TRUE;
    }
    if (message != WM_COMMAND) return FALSE;
    switch (LOWORD(wParam)) {
    case IDOK:
        return ConfirmEngineAdvanced(dialog, wParam);
    case IDCANCEL:
        EndDialog(dialog, static_cast<INT_PTR>(wParam));
        return TRUE;
    case IDC_HELP_BUTTON:
        LaunchHelp(kHelpEngineAdvanced);
        return TRUE;
    default:
        return FALSE;
    }
}
