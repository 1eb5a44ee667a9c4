#include "setup/call_values.h"

#include "remote/admin_library.h"

HINSTANCE ModuleInstance = nullptr;
DsnSettings* Settings = nullptr;
const char* DriverName = nullptr;
std::uint32_t IsAddRequest = 0;
ProfileText InitialDsnName = {};
DWORD CallThreadId = 0;
std::uint16_t EngineDsnTranslation = 0;

void ResetCallValues() {
    DriverName = nullptr;
    IsAddRequest = 0;
    InitialDsnName.clear();
    RemoteSession = kNoRemoteSession;
    EngineDsnTranslation = 0;
}

void LoadProductString(unsigned id, ProfileText& text) {
    text.clear();
    LoadStringA(ModuleInstance, id, text.data(), static_cast<int>(text.capacity()));
    text.terminate();
}
