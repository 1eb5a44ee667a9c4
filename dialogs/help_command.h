// The help viewer's command line and working directory, and where a dialog goes when it
// centres itself on its owner. Windows-free.
#pragma once

#include <cstdint>

#include "platform/fixed_text.h"

// Help topics (map ids) of the dialogs.
constexpr std::int32_t kHelpSetup = 300008;
constexpr std::int32_t kHelpAdvanced = 300004;
constexpr std::int32_t kHelpCreateDatabase = 300002;
constexpr std::int32_t kHelpCreateEngineDsn = 300006;
constexpr std::int32_t kHelpModifyEngineDsn = 300007;
constexpr std::int32_t kHelpEngineAdvanced = 300005;

// The installation directory as the help launcher takes it: 8-bit, at most 254 characters.
using InstallDirectoryText = FixedText<255>;
using HelpCommandText = FixedText<600>;

struct HelpLaunch {
    HelpCommandText commandLine;      // keyhh -qmsw -#mapid N "<dir>\Docs\qmswdocs.chm>$global_qmhelp"
    HelpCommandText workingDirectory;  // <dir>\bin
};

// The launch for a topic in the installation directory (its trailing backslash removed).
// False, and nothing to launch, when there is no installation directory: without its
// help file the viewer has nothing to show.
bool BuildHelpLaunch(std::int32_t mapId, const char* installDirectory, HelpLaunch& launch);

struct ScreenRect {
    std::int32_t left, top, right, bottom;
};

// The top-left corner that centres a w x h dialog on its owner, kept on the desktop:
// pushed right or down to the desktop's left or top edge, else left or up to its right or
// bottom edge (a dialog larger than the desktop ends at its right and bottom edges).
void CentredPosition(const ScreenRect& owner, std::int32_t w, std::int32_t h, const ScreenRect& desktop,
                     std::int32_t& x, std::int32_t& y);
