// Replaces one imported function of a loaded module (its import address table slot) while
// the hook lives, so tests can watch and answer the product's calls to Windows.
#pragma once
#include <windows.h>

class ImportHook {
public:
    ImportHook(HMODULE module, const char* dllName, const char* functionName, void* replacement);
    ~ImportHook();
    ImportHook(const ImportHook&) = delete;
    bool installed() const { return slot_ != nullptr; }  // false when the module does not import the function
    void* original() const { return original_; }
private:
    void** slot_ = nullptr;
    void* original_ = nullptr;
};
