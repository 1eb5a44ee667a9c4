#include "dialogs/help_command.h"

#include <cstdio>

bool BuildHelpLaunch(std::int32_t mapId, const char* installDirectory, HelpLaunch& launch) {
    launch.commandLine.clear();
    launch.workingDirectory.clear();
    if (installDirectory == nullptr || installDirectory[0] == 0) return false;
    char mapPart[32];
    std::snprintf(mapPart, sizeof mapPart, "-#mapid %d", static_cast<int>(mapId));
    // The buffers hold the longest directory the launcher accepts, so nothing is cut.
    std::snprintf(launch.commandLine.data(), launch.commandLine.capacity(), "%s %s %s \"%s\\%s\"", "keyhh", "-qmsw",
                  mapPart, installDirectory, "Docs\\qmswdocs.chm>$global_qmhelp");
    std::snprintf(launch.workingDirectory.data(), launch.workingDirectory.capacity(), "%s\\bin", installDirectory);
    launch.commandLine.terminate();
    launch.workingDirectory.terminate();
    return true;
}

void CentredPosition(const ScreenRect& owner, std::int32_t w, std::int32_t h, const ScreenRect& desktop,
                     std::int32_t& x, std::int32_t& y) {
    x = owner.left + ((owner.right - owner.left) - w) / 2;
    y = owner.top + ((owner.bottom - owner.top) - h) / 2;
    if (x < desktop.left) x = desktop.left;
    else if (x + w > desktop.right) x = desktop.right - w;
    if (y < desktop.top) y = desktop.top;
    else if (y + h > desktop.bottom) y = desktop.bottom - h;
}
