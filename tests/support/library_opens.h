// While it lives, this program's opens (QSLibOpen) of each library whose name holds `piece`
// are counted and, while `refuse` is set, fail as for a missing file. It allocates nothing.
#pragma once
#include <cwchar>

#include "platform/qscore.h"
#include "tests/support/import_hook.h"

struct LibraryOpens {
    explicit LibraryOpens(const wchar_t* piece, bool refuse = true) : piece(piece), refuse(refuse) { active = this; }
    ~LibraryOpens() { active = nullptr; }
    const wchar_t* const piece;
    bool refuse;
    int count = 0;

private:
    static QSResult Open(const wchar_t* name, QSHandle* library) {
        if (std::wcsstr(name, active->piece) && (++active->count, active->refuse)) return QSResult(0x8007007E);
        return active->hook_.original<decltype(&QSLibOpen)>()(name, library);
    }
    static inline LibraryOpens* active = nullptr;
    ImportHook hook_{"w64qscore3.dll", "QSLibOpen", &Open};
};
