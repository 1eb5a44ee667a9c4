// What path resolution asks of the system: drives, devices, full paths, the network provider
// router, the NetWare client and this computer's name. The resolver (unc_resolver.h) is
// Windows-free and reaches the system only through this; windows_path_platform.cpp is the
// real one, tests bring their own.
#pragma once

#include <cstdint>

#include "platform/fixed_text.h"

// GetVersionExA's platform family: 2 the NT family, 6 the 9x family (and CE), 0 any other.
enum PlatformFamily : int { kOtherFamily = 0, kNtFamily = 2, kWin9xFamily = 6 };

// Drive types of GetDriveTypeA that the resolver tells apart.
constexpr unsigned kDriveNoRootDir = 1;
constexpr unsigned kDriveRemote = 4;

// Network provider answers the resolver reacts to.
constexpr std::uint32_t kErrorMoreData = 234;
constexpr std::uint32_t kErrorServerTooBusy = 1723;  // RPC_S_SERVER_TOO_BUSY

// NWParsePath's three answers, in the buffers the client is given.
struct NetWareAnswer {
    FixedText<56> server;
    FixedText<81> volume;
    FixedText<270> path;
};

enum class Connection { None, Plain, NetWare };

using AnsiPath = FixedText<261>;       // GetFullPathNameA's 260 characters
using UniversalName = FixedText<781>;  // WNetGetUniversalNameA's 780-byte answer
using DeviceName = FixedText<257>;     // QueryDosDeviceA's 256 characters
using HostName = FixedText<1026>;      // QSGetHostNameA's buffer

// Every text given or answered is in the default (ANSI) encoding, the NetWare client's in
// the OEM code page.
class PathPlatform {
public:
    virtual int family() = 0;
    virtual bool fullPathName(const char* path, AnsiPath& full) = 0;
    virtual unsigned driveType(char letter) = 0;
    // QueryDosDeviceA for "X:": false on failure; stored is the count of characters it stored.
    virtual bool queryDosDevice(char letter, DeviceName& answer, std::uint32_t* stored) = 0;

    // The router's entries (either may be missing); each answers the router's error code.
    virtual bool hasUniversalName() = 0;
    virtual std::uint32_t universalName(const char* path, std::uint32_t* size, UniversalName& unc) = 0;
    virtual bool hasConnectionName() = 0;
    virtual std::uint32_t connectionName(char letter, std::uint32_t* size, AnsiPath& remote) = 0;
    virtual void wait(unsigned milliseconds) = 0;
    // The connected resource whose server is host, searched in the connection list.
    virtual Connection connectionTo(const char* host) = 0;

    // True when NWParsePath can be called; the client is looked for on first need.
    virtual bool netWareReady() = 0;
    virtual int netWareParsePath(const char* oemPath, NetWareAnswer& answer) = 0;

    virtual bool localHostName(HostName& name) = 0;
    virtual bool isThisMyComputer(const char* host) = 0;

protected:
    ~PathPlatform() = default;
};
