#include "tests/support/import_hook.h"

#include <cstring>

static void** FindImportSlot(HMODULE module, const char* dllName, const char* function) {
    auto* base = reinterpret_cast<BYTE*>(module);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const DWORD imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
    for (auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports); imports && d->Name; ++d) {
        if (_stricmp(reinterpret_cast<const char*>(base + d->Name), dllName) != 0) continue;
        auto* name = reinterpret_cast<IMAGE_THUNK_DATA*>(base + (d->OriginalFirstThunk ? d->OriginalFirstThunk
                                                                                       : d->FirstThunk));
        auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk);
        for (; name->u1.AddressOfData; ++name, ++slot)
            if (!IMAGE_SNAP_BY_ORDINAL(name->u1.Ordinal) &&
                !std::strcmp(reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + name->u1.AddressOfData)->Name, function))
                return reinterpret_cast<void**>(&slot->u1.Function);
    }
    return nullptr;
}

static void WriteSlot(void** slot, void* value) {
    DWORD old;
    VirtualProtect(slot, sizeof(void*), PAGE_READWRITE, &old), *slot = value;
    VirtualProtect(slot, sizeof(void*), old, &old);
}

ImportHook::ImportHook(HMODULE module, const char* dllName, const char* functionName, void* replacement)
    : slot_(FindImportSlot(module, dllName, functionName)) {
    if (slot_ != nullptr) original_ = *slot_, WriteSlot(slot_, replacement);
}

ImportHook::~ImportHook() { if (slot_ != nullptr) WriteSlot(slot_, original_); }
