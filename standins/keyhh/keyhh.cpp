// Stand-in of the help viewer's keyword launcher: records how it was started (working
// directory and command line) as one line "start|<directory>|<command line>" in the file
// that QM_KEYHH_RECORD names, then waits until the event QmKeyhhRelease is set (at most
// 20 s) and records "end", so tests can see that nobody waited for it.
#include <windows.h>

#include <cstdio>

namespace {

void Record(const char* line) {
    char path[MAX_PATH] = {};
    if (GetEnvironmentVariableA("QM_KEYHH_RECORD", path, sizeof path) == 0) return;
    for (int attempt = 0; attempt < 100; ++attempt) {  // several launchers may append at once
        HANDLE file = CreateFileA(path, FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            WriteFile(file, line, static_cast<DWORD>(lstrlenA(line)), &written, nullptr);
            CloseHandle(file);
            return;
        }
        Sleep(10);
    }
}

}  // namespace

int main() {
    char directory[MAX_PATH] = {};
    GetCurrentDirectoryA(sizeof directory, directory);
    static char line[4096];
    std::snprintf(line, sizeof line, "start|%s|%s\n", directory, GetCommandLineA());
    Record(line);
    HANDLE release = CreateEventA(nullptr, TRUE, FALSE, "QmKeyhhRelease");
    if (release) {
        WaitForSingleObject(release, 20000);
        CloseHandle(release);
    }
    Record("end\n");
    return 0;
}
