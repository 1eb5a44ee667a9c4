// The running test program's folder, where the product, its stand-ins and helpers are built.
#pragma once
#include <windows.h>

#include <string>

inline std::string ExecutableFolder() {
    char path[MAX_PATH];
    const std::string file(path, GetModuleFileNameA(nullptr, path, MAX_PATH));
    return file.substr(0, file.find_last_of('\\'));
}
