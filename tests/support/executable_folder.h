// The folder of the running test program, where the product, its stand-ins and the helper
// programs are built.
#pragma once

#include <windows.h>

#include <string>

inline std::string ExecutableFolder() {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, n);
    return folder.substr(0, folder.find_last_of('\\'));
}
