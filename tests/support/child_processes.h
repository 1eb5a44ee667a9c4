// Starts helper programs of the test folder at once and waits for all of them.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "tests/support/executable_folder.h"

// Runs the program once per argument line, all at the same time; answers their exit codes
// in order, 999 for one that could not start or end.
inline std::vector<DWORD> RunTogether(const std::string& program, const std::vector<std::string>& arguments) {
    std::vector<PROCESS_INFORMATION> children;
    for (const std::string& a : arguments) {
        std::string command = "\"" + ExecutableFolder() + "\\" + program + "\" " + a;
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi = {};
        if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) pi = {};
        children.push_back(pi);
    }
    std::vector<DWORD> codes;
    for (PROCESS_INFORMATION& pi : children) {
        DWORD code = 999;
        if (pi.hProcess && WaitForSingleObject(pi.hProcess, 600000) == WAIT_OBJECT_0)
            GetExitCodeProcess(pi.hProcess, &code);
        if (pi.hProcess) CloseHandle(pi.hProcess), CloseHandle(pi.hThread);
        codes.push_back(code);
    }
    return codes;
}
