#include "dialogs/code_page_list.h"

#include <cstdlib>
#include <cstring>

#include "dialogs/dialog_support.h"
#include "platform/qscl.h"
#include "platform/qscore.h"
#include "resources/resource_ids.h"
#include "setup/call_values.h"

CodePageEntry* CodePageTable = nullptr;
std::int32_t CodePageCount = 0;

namespace {

constexpr std::int32_t kOutOfMemory = static_cast<std::int32_t>(0x8007000E);
constexpr std::int32_t kUnexpected = static_cast<std::int32_t>(0x80004005);

// The counting call; its failure travels as the class library's exception.
std::int32_t CountOrThrow() {
    std::int32_t count = 0;
    const std::int32_t answer = QSEnumerateEncInfo(&count, nullptr);
    if (answer != kEncodingCountAnswer) throw qs::ResultException(answer);
    return count;
}

void FreeCodePageTable() {
    for (std::int32_t i = 0; CodePageTable != nullptr && i < CodePageCount; ++i) std::free(CodePageTable[i].name);
    std::free(CodePageTable);
    CodePageTable = nullptr;
    CodePageCount = 0;
}

// count entries, each with a zeroed name buffer; null when memory runs out.
CodePageEntry* AllocateTable(std::int32_t count) {
    auto* table = static_cast<CodePageEntry*>(std::malloc(static_cast<std::size_t>(count) * sizeof(CodePageEntry)));
    if (table != nullptr) std::memset(table, 0, static_cast<std::size_t>(count) * sizeof(CodePageEntry));
    for (std::int32_t i = 0; table != nullptr && i < count; ++i) {
        table[i].name = static_cast<char*>(std::malloc(kCodePageNameSize));
        if (table[i].name != nullptr) std::memset(table[i].name, 0, kCodePageNameSize);
        if (table[i].name == nullptr) {
            for (std::int32_t j = 0; j < i; ++j) std::free(table[j].name);
            std::free(table);
            return nullptr;
        }
    }
    return table;
}

}  // namespace

std::int32_t CountEncodings(std::int32_t* count) {
    try {
        *count = CountOrThrow();
        return 0;
    } catch (const qs::ResultException& e) {
        return e.getStatus();
    } catch (...) {
        return kUnexpected;
    }
}

std::int32_t FillCodePageTable(CodePageEntry* table, std::int32_t capacity) {
    QSEncodingInfo* records = nullptr;
    try {
        // The library fills as many records as it counts; the table takes no more than it holds.
        std::int32_t count = CountOrThrow();
        if (count <= 0) return 0;
        const std::size_t bytes = static_cast<std::size_t>(count) * sizeof(QSEncodingInfo);
        records = static_cast<QSEncodingInfo*>(QSMemAlloc(bytes));
        if (records == nullptr) throw qs::ResultException(kOutOfMemory);
        std::memset(records, 0, bytes);
        std::int32_t filled = count;
        const std::int32_t answer = QSEnumerateEncInfo(&filled, records);
        if (answer < 0) throw qs::ResultException(answer);
        for (std::int32_t i = 0; i < count && i < capacity; ++i) {
            // A longer name is cut to the whole characters that fit 24 bytes.
            char name[kCodePageNameSize] = {};
            if (records[i].name != nullptr)
                QSUnicodeToAnsi(name, records[i].name, static_cast<std::int32_t>(kCodePageNameSize));
            name[kCodePageNameSize - 1] = 0;
            QSStrCpyA(table[i].name, name);
            table[i].code = records[i].codePage;
        }
        QSMemFree(records);
        return 0;
    } catch (const qs::ResultException& e) {
        QSMemFree(records);
        return e.getStatus();
    } catch (...) {
        QSMemFree(records);
        return kUnexpected;
    }
}

void FillCodePageList(HWND combo) {
    std::int32_t count = 0;
    const bool counted = CountEncodings(&count) == 0 && count > 0;
    FreeCodePageTable();
    if (counted && (CodePageTable = AllocateTable(count)) != nullptr) {
        CodePageCount = count;
        // A table that could not be filled offers nothing but the server's default.
        if (FillCodePageTable(CodePageTable, count) != 0) FreeCodePageTable();
    }
    for (std::int32_t i = 0; i < CodePageCount; ++i) {
        const char* name = CodePageTable[i].name;
        // The choice maps back by the first equal name: an empty name, or a second name that
        // the cut made equal to an earlier one, would be an entry that cannot be chosen.
        bool listed = name[0] == 0;
        for (std::int32_t j = 0; j < i && !listed; ++j) listed = std::strcmp(CodePageTable[j].name, name) == 0;
        if (!listed) SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
    }
    ProfileText serverDefault;
    LoadProductString(IDS_SERVER_DEFAULT_CODE_PAGE, serverDefault);
    const LRESULT at = SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(serverDefault.c_str()));
    SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(at), 0);
}

std::uint16_t SelectedCodePage(HWND combo) {
    ProfileText text;
    if (!ReadSelectedText(combo, text)) return 0;
    // The library is asked again, but never for more entries than the table holds.
    std::int32_t count = 0;
    if (CountEncodings(&count) != 0 || count > CodePageCount) count = CodePageCount;
    for (std::int32_t i = 0; i < count; ++i)
        if (std::strcmp(CodePageTable[i].name, text.c_str()) == 0) return static_cast<std::uint16_t>(CodePageTable[i].code);
    return 0;
}
