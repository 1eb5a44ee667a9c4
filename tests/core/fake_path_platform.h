// A scripted system for the path resolver: drives, devices, a current directory, the
// network router's answers, the connection list and a NetWare client, with every call it
// receives recorded.
#pragma once

#include <cctype>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "paths/path_platform.h"

inline bool SameIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i]))) return false;
    return true;
}

struct FakePathPlatform final : PathPlatform {
    int familyValue = kNtFamily;
    std::string currentDirectory = "C:\\work";
    std::map<char, unsigned> driveTypes{{'C', 3}, {'D', 3}};  // others: no root directory
    std::map<char, std::string> devices;                     // QueryDosDeviceA answers
    std::map<char, std::string> mapped;                      // network drives: letter -> \\server\share
    std::map<std::string, Connection> connections;           // by server name (any case)
    bool netWare = false;
    std::map<std::string, NetWareAnswer> netWarePaths;       // OEM path -> answer
    std::string hostName = "HOST";
    bool hostKnown = true;

    std::vector<std::string> netWareCalls;
    std::vector<std::string> connectionQueries;

    int family() override { return familyValue; }
    bool fullPathName(const char* path, AnsiPath& full) override {
        if (*path == 0) return false;
        std::string result;
        if (path[0] == '\\' || path[0] == '/') result = currentDirectory.substr(0, 2) + path;
        else if (path[1] == ':') result = std::string(path, 2) + "\\" + (path + 2);
        else result = currentDirectory + "\\" + path;
        if (result.size() >= 260) return false;
        full.assign(result.c_str());
        return true;
    }
    unsigned driveType(char letter) override {
        letter = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
        if (mapped.count(letter)) return kDriveRemote;
        auto t = driveTypes.find(letter);
        return t == driveTypes.end() ? kDriveNoRootDir : t->second;
    }
    bool queryDosDevice(char letter, DeviceName& answer, std::uint32_t* stored) override {
        letter = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
        auto d = devices.find(letter);
        std::string text = d != devices.end() ? d->second : driveTypes.count(letter) ? "\\Device\\HarddiskVolume1" : "";
        if (text.empty()) return false;
        answer.assign(text.c_str());
        *stored = static_cast<std::uint32_t>(text.size() + 2);
        return true;
    }
    // The router: a mapped drive's name, or ERROR_NOT_CONNECTED.
    bool hasUniversalName() override { return true; }
    std::uint32_t universalName(const char* path, std::uint32_t*, UniversalName& unc) override {
        auto m = mapped.find(path[0]);
        if (m == mapped.end()) return 2250;
        unc.assign((m->second + (path + 2)).c_str());
        return 0;
    }
    bool hasConnectionName() override { return true; }
    std::uint32_t connectionName(char letter, std::uint32_t*, AnsiPath& remote) override {
        auto m = mapped.find(letter);
        if (m == mapped.end()) return 2250;
        remote.assign(m->second.c_str());
        return 0;
    }
    void wait(unsigned) override {}
    Connection connectionTo(const char* host) override {
        connectionQueries.push_back(host);
        for (auto& c : connections)
            if (SameIgnoringCase(c.first, host)) return c.second;
        return Connection::None;
    }
    bool netWareReady() override { return netWare; }
    int netWareParsePath(const char* oemPath, NetWareAnswer& answer) override {
        netWareCalls.push_back(oemPath);
        auto p = netWarePaths.find(oemPath);
        if (p == netWarePaths.end()) return 0x89FF;
        answer = p->second;
        return 0;
    }
    bool localHostName(HostName& name) override {
        name.assign(hostName.c_str());
        return hostKnown;
    }
    bool isThisMyComputer(const char* host) override {
        return SameIgnoringCase(host, hostName) || SameIgnoringCase(host, "localhost");
    }
};

inline NetWareAnswer NetWareParts(const char* server, const char* volume, const char* path) {
    NetWareAnswer a;
    a.server.assign(server);
    a.volume.assign(volume);
    a.path.assign(path);
    return a;
}
