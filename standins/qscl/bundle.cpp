// Message bundles of the class-library stand-in: "<name>.properties", UTF-8 key=value lines.
#define QSCL_BUILD
#include "platform/qscl.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

namespace qs {
namespace i18n {

struct StringBundle::Entry {
    String key;
    String value;
};

namespace {

String FromUtf8(const std::string& text) {
    int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0) MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &wide[0], n);
    return String(wide.c_str(), wide.size());
}

FILE* OpenBundleFile(const String& name) {
    std::wstring file = std::wstring(name.getChars()) + L".properties";
    HMODULE self = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&OpenBundleFile), &self);
    wchar_t folder[MAX_PATH];
    DWORD n = GetModuleFileNameW(self, folder, MAX_PATH);
    if (n > 0 && n < MAX_PATH) {
        std::wstring path(folder, n);
        path = path.substr(0, path.find_last_of(L'\\') + 1) + file;
        if (FILE* f = _wfopen(path.c_str(), L"rb")) return f;
    }
    return _wfopen(file.c_str(), L"rb");
}

}  // namespace

StringBundle::StringBundle() : entries_(nullptr), count_(0) {}
StringBundle::~StringBundle() { delete[] entries_; }

StringBundle* StringBundle::getBundle(const String& name) {
    FILE* f = OpenBundleFile(name);
    if (f == nullptr) throw ResultException(static_cast<std::int32_t>(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)));
    std::vector<std::pair<std::string, std::string>> lines;
    char buffer[2048];
    while (std::fgets(buffer, sizeof buffer, f)) {
        std::string line(buffer);
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
        std::size_t eq = line.find('=');
        if (line.empty() || line[0] == '#' || eq == std::string::npos) continue;
        lines.emplace_back(line.substr(0, eq), line.substr(eq + 1));
    }
    std::fclose(f);
    StringBundle* bundle = new StringBundle();
    bundle->entries_ = new Entry[lines.size() ? lines.size() : 1];
    for (const auto& [key, value] : lines) bundle->entries_[bundle->count_++] = {FromUtf8(key), FromUtf8(value)};
    return bundle;
}

String StringBundle::getString(const wchar_t* key) const {
    String wanted(key);
    for (std::size_t i = 0; i < count_; ++i)
        if (entries_[i].key.equals(wanted)) return entries_[i].value;
    return wanted;
}

}  // namespace i18n
}  // namespace qs
