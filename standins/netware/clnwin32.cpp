// The NetWare client's base library: callers only look for it, so it needs no entry.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
