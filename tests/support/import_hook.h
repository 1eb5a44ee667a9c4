// Replaces one imported function of a loaded module (its import address table slot) while
// the hook lives, so tests can watch and answer the product's calls to Windows.
#pragma once
#include <windows.h>

#include <cstring>

class ImportHook {
public:
    ImportHook(HMODULE module, const char* dllName, const char* functionName, void* replacement)
        : slot_(FindSlot(module, dllName, functionName)) {
        if (slot_ != nullptr) original_ = *slot_, Write(slot_, replacement);
    }
    // By a function of the imported one's type; by default in this program (the product linked in).
    template <typename Function>
    ImportHook(const char* dllName, const char* functionName, Function* replacement,
               HMODULE module = GetModuleHandleA(nullptr))
        : ImportHook(module, dllName, functionName, reinterpret_cast<void*>(replacement)) {}
    ~ImportHook() { if (slot_ != nullptr) Write(slot_, original_); }
    ImportHook(const ImportHook&) = delete;
    bool installed() const { return slot_ != nullptr; }  // false when the module does not import the function
    template <typename Function = void*>
    Function original() const { return reinterpret_cast<Function>(original_); }

private:
    static void** FindSlot(HMODULE module, const char* dllName, const char* function) {
        auto* base = reinterpret_cast<BYTE*>(module);
        auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
        const DWORD imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
        for (auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports); imports && d->Name; ++d) {
            if (_stricmp(reinterpret_cast<const char*>(base + d->Name), dllName) != 0) continue;
            auto* name = reinterpret_cast<IMAGE_THUNK_DATA*>(base + (d->OriginalFirstThunk ? d->OriginalFirstThunk
                                                                                           : d->FirstThunk));
            auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk);
            for (; name->u1.AddressOfData; ++name, ++slot) {
                auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + name->u1.AddressOfData);
                if (!IMAGE_SNAP_BY_ORDINAL(name->u1.Ordinal) && !std::strcmp(byName->Name, function))
                    return reinterpret_cast<void**>(&slot->u1.Function);
            }
        }
        return nullptr;
    }
    static void Write(void** slot, void* value) {
        DWORD old;
        VirtualProtect(slot, sizeof(void*), PAGE_READWRITE, &old), *slot = value;
        VirtualProtect(slot, sizeof(void*), old, &old);
    }
    void** slot_ = nullptr;
    void* original_ = nullptr;
};
