#include "dialogs/database_list.h"

#include <cstdlib>
#include <cstring>

#include "remote/admin_library.h"
#include "remote/request_builders.h"
#include "remote/server_probe.h"
#include "setup/messages.h"

namespace {

const char kCountFailurePrefix[] = "An error occurred while trying to retrieve database names on server machine. ";
const char kNamesFailurePrefix[] = "Failed to retrieve database names from remote server. ";

}  // namespace

bool IsSystemDatabase(const char* name) {
    FixedText<kDatabaseNameSlot + 1> lower;
    lower.assign(name, kDatabaseNameSlot);
    for (char* c = lower.data(); *c; ++c)
        if (*c >= 'A' && *c <= 'Z') *c = static_cast<char>(*c - 'A' + 'a');
    return std::strstr(lower.c_str(), "quillmeresysdb") != nullptr;
}

std::int32_t FillDatabaseList(HWND dialog, int comboId) {
    // The combo is looked up once: under Wine each look-up by id asks the server, which for
    // thousands of names cost as much again as adding them.
    HWND combo = GetDlgItem(dialog, comboId);
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    std::uint64_t count = 0;
    std::int32_t status = GetDatabaseCount(RemoteSession, ServerType, &count);
    if (status != kStatusSuccess) {
        ShowRemoteFailure(dialog, kCountFailurePrefix, static_cast<std::uint16_t>(status));
        return 0;
    }
    if (count == 0) return 1;

    // One request carries at most 3,276 names: a larger server is listed that far.
    std::uint64_t length = DatabaseNamesByteLength(count);
    const std::uint64_t slots = length / kDatabaseNameSlot;
    char* names = static_cast<char*>(std::calloc(static_cast<std::size_t>(length) + 1, 1));
    status = names ? GetDatabaseNames(RemoteSession, ServerType, &length, names) : kStatusNoMemory;
    if (status != kStatusSuccess && status != kStatusMoreNames) {
        std::free(names);
        ShowRemoteFailure(dialog, kNamesFailurePrefix, static_cast<std::uint16_t>(status));
        return 0;
    }
    // Every slot delivered, the last one perhaps only in part, and never more than asked for.
    for (std::uint64_t slot = 0; slot < slots && slot * kDatabaseNameSlot < length; ++slot) {
        FixedText<kDatabaseNameSlot + 1> name = DatabaseNameAt(names, length, static_cast<std::size_t>(slot));
        if (IsSystemDatabase(name.c_str())) continue;
        SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    }
    std::free(names);
    return 1;
}
