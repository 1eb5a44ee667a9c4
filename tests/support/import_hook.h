// Replaces one imported function of a loaded module by rewriting its import address
// table, for as long as the hook lives. Lets tests observe and answer calls the product
// makes to Windows (message boxes, memory, the portability library) without changing it.
#pragma once

#include <windows.h>

class ImportHook {
public:
    ImportHook(HMODULE module, const char* dllName, const char* functionName, void* replacement);
    ~ImportHook();
    ImportHook(const ImportHook&) = delete;
    ImportHook& operator=(const ImportHook&) = delete;

    bool installed() const { return slot_ != nullptr; }
    void* original() const { return original_; }

private:
    void** slot_ = nullptr;
    void* original_ = nullptr;
};

// The address of the import slot, or none when the module does not import the function.
void** FindImportSlot(HMODULE module, const char* dllName, const char* functionName);
