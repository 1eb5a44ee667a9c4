#include "dialogs/help.h"

#include <cstdio>

#include "dialogs/help_command.h"
#include "platform/qscore.h"
#include "setup/install_lookup.h"

namespace {

// The installation directory as 8-bit text; empty when none is recorded or it does not
// convert whole into the launcher's 255-byte buffer.
InstallDirectoryText InstallDirectory() {
    InstallDirectoryText directory = {};
    WideText<255> wide = {};
    std::uint32_t size = 510;
    if (GetInstallDir(&size, wide.data()) != 0) return directory;
    wide.terminate();
    if (QSUnicodeToAnsi(directory.data(), wide.c_str(), static_cast<std::int32_t>(directory.capacity())) != 0) {
        directory.clear();
        return directory;
    }
    directory.terminate();
    // A conversion that fills the buffer may have been cut short: such a directory is refused.
    if (directory.length() >= directory.maxLength()) directory.clear();
    return directory;
}

}  // namespace

void LaunchHelp(std::int32_t mapId) {
    HelpLaunch launch;
    if (!BuildHelpLaunch(mapId, InstallDirectory().c_str(), launch)) {
        std::printf("Help is not available: no installation directory of the product is recorded.\n");
        std::fflush(stdout);
        return;
    }
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, launch.commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        launch.workingDirectory.c_str(), &startup, &process)) {
        std::printf("CreateProcess failed (%d).\n", static_cast<int>(GetLastError()));
        std::fflush(stdout);
        return;
    }
    // The viewer is never waited for.
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

void CentreDialog(HWND dialog) {
    RECT owner = {}, own = {}, desktop = {};
    GetWindowRect(GetDesktopWindow(), &desktop);
    GetWindowRect(dialog, &own);
    // A host's modeless dialog may have no owner: it is centred on the desktop then.
    HWND parent = GetParent(dialog);
    if (parent == nullptr || !GetWindowRect(parent, &owner)) owner = desktop;
    const std::int32_t w = own.right - own.left, h = own.bottom - own.top;
    std::int32_t x = 0, y = 0;
    CentredPosition({owner.left, owner.top, owner.right, owner.bottom}, w, h,
                    {desktop.left, desktop.top, desktop.right, desktop.bottom}, x, y);
    MoveWindow(dialog, x, y, w, h, TRUE);
}

extern "C" INT_PTR CALLBACK HelpDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) {
        CentreDialog(dialog);
        return TRUE;
    }
    if (message == WM_COMMAND && (wParam == IDOK || wParam == IDCANCEL)) {
        DestroyWindow(dialog);
        return TRUE;
    }
    return FALSE;
}
