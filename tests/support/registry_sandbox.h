// Clears the product's registry keys (both hives) before and after a test, so tests that
// shape the installation or the log settings start from nothing and leave nothing.
#pragma once
#include <windows.h>
#include <string>
// The product's keys: the shared log's settings (the user's) and the client installation's record.
inline const std::wstring kLogSettings = L"SOFTWARE\\Quillmere Software\\Event Log\\Version 11\\Settings";
inline const std::wstring kClientInstallInfo =
    L"SOFTWARE\\Quillmere Software\\Products\\Quillmere.SQL Client\\InstallInfo";
struct ProductRegistrySandbox {
    ProductRegistrySandbox() { Clear(); }
    ~ProductRegistrySandbox() { Clear(); }
    static void Clear() {
        for (HKEY hive : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) RegDeleteTreeW(hive, L"SOFTWARE\\Quillmere Software");
    }
    static bool Set(HKEY hive, const std::wstring& key, const std::wstring& name, const std::wstring& value) {
        return RegSetKeyValueW(hive, key.c_str(), name.c_str(), REG_SZ, value.c_str(),
                               static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
    }
    static std::wstring Get(HKEY hive, const std::wstring& key, const std::wstring& name) {
        wchar_t value[1024] = {};
        DWORD size = sizeof value;
        return RegGetValueW(hive, key.c_str(), name.c_str(), RRF_RT_REG_SZ, nullptr, value, &size) == 0 ? value
                                                                                                       : L"<missing>";
    }
};
// A fresh folder under the temporary directory, removed with its contents afterwards.
class TempFolder {
public:
    explicit TempFolder(const std::wstring& name) {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        path_ = std::wstring(temp) + name + L"-" + std::to_wstring(GetCurrentProcessId());
        Remove(), CreateDirectoryW(path_.c_str(), nullptr);
    }
    ~TempFolder() { Remove(); }
    const std::wstring& path() const { return path_; }
    std::wstring operator/(const std::wstring& child) const { return path_ + L"\\" + child; }
private:
    void Remove() {
        const std::wstring from = path_ + L'\0';
        SHFILEOPSTRUCTW op = {};
        op.wFunc = FO_DELETE, op.pFrom = from.c_str(), op.fFlags = FOF_NO_UI;
        SHFileOperationW(&op);
    }
    std::wstring path_;
};
