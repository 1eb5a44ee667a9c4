// The DLL's entry: attach and detach only; nothing else starts at load.
#include <windows.h>

#include "setup/config_dsn.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
    try {
        if (reason == DLL_PROCESS_ATTACH) AttachLibrary(module);
        else if (reason == DLL_PROCESS_DETACH) DetachLibrary();
    } catch (...) {
        // attach answers TRUE whatever happens; no exception may reach the loader
    }
    return TRUE;
}
