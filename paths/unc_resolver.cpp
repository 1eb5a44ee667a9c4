#include "paths/unc_resolver.h"

#include <cstring>

#include "paths/text_conversion.h"

namespace {

// The resolver works in UTF-8; a 780-byte answer of the system grows at most threefold.
using WorkText = FixedText<3 * 780 + 1>;

// Substitutions, and UNC paths that lead back to a substituted drive, are followed at most
// this often: a cycle of drive letters ends as a failure.
constexpr int kMaxHops = 26;
// A UNC path back to a substituted drive of this computer is resolved through the drive
// again at most this often (each time costs a few working texts of stack).
constexpr int kMaxReentries = 4;
constexpr int kMaxNetworkRetries = 20;
constexpr unsigned kRetryWaitMs = 50;
constexpr std::uint32_t kInitialNameSize = 260;
constexpr std::uint32_t kConnectionNameSize = 260;

struct Resolved {
    bool hasHost = false;
    bool localDrive = false;  // the administrative share of a drive of this computer
    WorkText host;
    WorkText share;
    WorkText rest;
};

bool IsSeparator(char c) { return c == '\\' || c == '/'; }
char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
bool IsAsciiLetter(char c) { return AsciiUpper(c) >= 'A' && AsciiUpper(c) <= 'Z'; }

bool EqualIgnoringCase(const char* a, std::size_t aLength, const char* b) {
    std::size_t bLength = std::strlen(b);
    if (aLength != bLength) return false;
    for (std::size_t i = 0; i < aLength; ++i)
        if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
    return true;
}

// Two slashes or two backslashes; a mixed pair is not a UNC start.
bool IsUncStart(const char* p) { return (p[0] == '\\' && p[1] == '\\') || (p[0] == '/' && p[1] == '/'); }

// X: followed by a separator.
bool IsDrivePath(const char* p) { return p[0] != 0 && p[1] == ':' && IsSeparator(p[2]); }


// host, separator, share, separator, rest: the text after a UNC path's two separators.
// afterShare is set to the share's terminating character (or the text's end).
int SplitUnc(const char* text, Resolved& out, const char** afterShare) {
    const char* hostEnd = text;
    while (*hostEnd && !IsSeparator(*hostEnd)) ++hostEnd;
    const char* hostStart = text;
    while (hostStart < hostEnd && *hostStart == ' ') ++hostStart;
    const char* trimmedEnd = hostEnd;
    while (trimmedEnd > hostStart && trimmedEnd[-1] == ' ') --trimmedEnd;
    if (trimmedEnd == hostStart || *hostEnd == 0) return kEmptyHostOrShare;
    const char* shareStart = hostEnd + 1;
    const char* shareEnd = shareStart;
    while (*shareEnd && !IsSeparator(*shareEnd) && *shareEnd != ':') ++shareEnd;
    if (shareEnd == shareStart) return kEmptyHostOrShare;
    out.host.assign(hostStart, static_cast<std::size_t>(trimmedEnd - hostStart));
    out.share.assign(shareStart, static_cast<std::size_t>(shareEnd - shareStart));
    const char* rest = shareEnd;
    if (*rest) {
        ++rest;
        if (IsSeparator(*rest)) ++rest;
    }
    out.rest.assign(rest);
    out.hasHost = true;
    *afterShare = shareEnd;
    return 0;
}

class Resolver {
public:
    explicit Resolver(PathPlatform& platform) : platform_(platform) {}

    int resolve(const char* input, Resolved& out) {
        WorkText work;
        work.assign(input);
        const char* p = work.c_str();
        if (IsUncStart(p)) return resolveUnc(p + 2, out, 0);
        if (IsNetWareVolumeSpec(p)) return resolveVolumeSpec(work, out);
        if (platform_.netWareReady()) {
            NetWareAnswer answer;
            if (parseWithNetWare(p, answer) && !answer.server.empty()) return takeNetWare(answer, out);
        }
        if (!IsDrivePath(p)) {
            if (!fullPath(p, work)) return InvalidPath;
            if (IsUncStart(work.c_str())) return resolveUnc(work.c_str() + 2, out, 0);
        }
        return resolveDrivePath(work, out, 0);
    }

private:
    // VOL:dir or SERVER/VOL:dir.
    int resolveVolumeSpec(WorkText& work, Resolved& out) {
        const char* p = work.c_str();
        const char* colon = std::strchr(p, ':');
        for (const char* c = p; c < colon; ++c)
            if (IsSeparator(*c)) return resolveUnc(p, out, 0);
        if (platform_.netWareReady()) {
            NetWareAnswer answer;
            if (!parseWithNetWare(p, answer)) return InvalidPath;
            return takeNetWare(answer, out);
        }
        // Without the client the volume is looked for behind a network drive.
        WorkText volume;
        volume.assign(p, static_cast<std::size_t>(colon - p));
        WorkText full;
        if (!fullPath(colon + 1, full)) return InvalidPath;
        int result = networkDrive(full, out, 0);
        if (result != 0) return result;
        out.share = volume;
        return 0;
    }

    bool fullPath(const char* utf8, WorkText& full) {
        AnsiPath ansi, answer;
        if (!Utf8ToAnsi(ansi, utf8)) return false;
        if (!platform_.fullPathName(ansi.c_str(), answer)) return false;
        return AnsiToUtf8(full, answer.c_str());
    }

    // The text is given to the client only when the OEM code page holds every character of
    // it: a path the client would read differently is never resolved.
    bool parseWithNetWare(const char* utf8, NetWareAnswer& answer) {
        FixedText<780> oem;
        WorkText back;
        if (!Utf8ToOem(oem, utf8) || !OemToUtf8(back, oem.c_str()) || !(back == utf8)) return false;
        return platform_.netWareParsePath(oem.c_str(), answer) == 0;
    }

    int takeNetWare(const NetWareAnswer& answer, Resolved& out) {
        if (!OemToUtf8(out.host, answer.server.c_str()) || !OemToUtf8(out.share, answer.volume.c_str()) ||
            !OemToUtf8(out.rest, answer.path.c_str()))
            return InvalidPath;
        if (!out.host.empty() && out.rest.c_str()[0] == '\\') {
            WorkText rest;
            rest.assign(out.rest.c_str() + 1);
            out.rest = rest;
        }
        out.hasHost = true;
        return 0;
    }

    // The text after a UNC path's two separators; an administrative share of this computer
    // on a substituted drive is resolved through the drive.
    int resolveUnc(const char* text, Resolved& out, int hops) {
        const char* afterShare = nullptr;
        int result = SplitUnc(text, out, &afterShare);
        if (result != 0) return result;
        const char* share = out.share.c_str();
        if (out.share.length() != 2 || share[1] != '$' || platform_.family() != kNtFamily) return 0;
        HostName hostName;
        FixedText<kMaxHostLength + 1> ansiHost;
        if (!platform_.localHostName(hostName) || !Utf8ToAnsi(ansiHost, out.host.c_str()) ||
            !platform_.isThisMyComputer(ansiHost.c_str()))
            return 0;
        char letter = share[0];
        WorkText target;
        if (!IsAsciiLetter(letter) || platform_.driveType(letter) == kDriveRemote) return 0;
        Substitution s = substitutionTarget(letter, target);
        if (s == Substitution::Unusable) return InvalidPath;
        if (s == Substitution::None) return 0;
        if (hops >= kMaxHops || ++reentries_ > kMaxReentries) return InvalidPath;
        WorkText drivePath;
        const char root[3] = {letter, ':', 0};
        drivePath.assign(root);
        drivePath.append(afterShare);
        if (!*afterShare) drivePath.append("\\");
        Resolved viaDrive;
        result = resolveDrivePath(drivePath, viaDrive, hops + 1);
        if (result != 0) return result;
        if (!viaDrive.localDrive) {
            out = viaDrive;  // the chain led off this computer
        } else {
            out.share = viaDrive.share;
            out.rest = viaDrive.rest;
        }
        return 0;
    }

    enum class Substitution { None, Found, Unusable };

    // QueryDosDeviceA's \??\ answer: the target as a drive path (a root loses its
    // backslash) or, for \??\UNC\server\share, as \\server\share.
    Substitution substitutionTarget(char letter, WorkText& target) {
        DeviceName answer;
        std::uint32_t stored = 0;
        if (!platform_.queryDosDevice(letter, answer, &stored)) return Substitution::None;
        const char* a = answer.c_str();
        if (stored < 6 || std::strncmp(a, "\\??\\", 4) != 0) return Substitution::None;
        WorkText utf8;
        if (!AnsiToUtf8(utf8, a + 4)) return Substitution::Unusable;
        const char* t = utf8.c_str();
        if (EqualIgnoringCase(t, 4, "UNC\\") && std::strlen(t) > 4) {
            target.assign("\\\\");
            target.append(t + 4);
            return Substitution::Found;
        }
        if (!IsAsciiLetter(t[0]) || t[1] != ':' || (t[2] != 0 && !IsSeparator(t[2]))) return Substitution::Unusable;
        std::size_t n = std::strlen(t);
        target.assign(t, n == 3 ? 2 : n);
        return Substitution::Found;
    }

    int resolveDrivePath(WorkText& work, Resolved& out, int hops) {
        for (; hops <= kMaxHops; ++hops) {
            const char* p = work.c_str();
            if (IsUncStart(p)) return resolveUnc(p + 2, out, hops);
            if (!IsDrivePath(p) || !IsAsciiLetter(p[0])) return InvalidPath;
            unsigned type = platform_.driveType(p[0]);
            if (type == kDriveRemote) return networkDrive(work, out, hops);
            if (platform_.family() == kNtFamily) {
                WorkText target;
                Substitution s = substitutionTarget(p[0], target);
                if (s == Substitution::Unusable) return InvalidPath;
                if (s == Substitution::Found) {
                    // A substituted drive has no administrative share: a target too long
                    // to join fails rather than name one.
                    if (target.length() + work.length() - 1 >= kMaxPathLength) return InvalidPath;
                    target.append(p + 2);
                    work = target;
                    continue;
                }
            }
            if (type == kDriveNoRootDir) return InvalidPath;  // no such drive
            HostName hostName;
            out.hasHost = platform_.localHostName(hostName) && AnsiToUtf8(out.host, hostName.c_str());
            if (!out.hasHost) out.host.clear();
            const char share[3] = {p[0], '$', 0};
            out.share.assign(share);
            out.rest.assign(p + 3);
            out.localDrive = true;
            return 0;
        }
        return InvalidPath;
    }

    int networkDrive(const WorkText& work, Resolved& out, int hops) {
        WorkText unc;
        int family = platform_.family();
        if (family == kNtFamily && platform_.hasUniversalName()) {
            AnsiPath ansi;
            UniversalName name;
            if (!Utf8ToAnsi(ansi, work.c_str())) return InvalidPath;
            std::uint32_t size = kInitialNameSize;
            if (!retrying([&] { return platform_.universalName(ansi.c_str(), &size, name); },
                          [&] { return size <= name.maxLength(); }))
                return InvalidPath;
            if (!AnsiToUtf8(unc, name.c_str())) return InvalidPath;
        } else if (family == kWin9xFamily && platform_.hasConnectionName()) {
            AnsiPath remote;
            std::uint32_t size = kConnectionNameSize;
            if (!retrying([&] { size = kConnectionNameSize; return platform_.connectionName(work.c_str()[0], &size, remote); },
                          [] { return false; }))
                return InvalidPath;
            if (!AnsiToUtf8(unc, remote.c_str())) return InvalidPath;
            unc.append(work.c_str() + 2);
        } else {
            return InvalidPath;
        }
        if (!IsUncStart(unc.c_str())) return InvalidPath;
        return resolveUnc(unc.c_str() + 2, out, hops + 1);
    }

    // Calls the router until it answers 0: again after 50 ms when it is busy, or when it
    // asks for more room and canGrow says the room can be had; at most 20 times again.
    template <typename Call, typename CanGrow>
    bool retrying(Call call, CanGrow canGrow) {
        for (int retries = 0;; ++retries) {
            std::uint32_t error = call();
            if (error == 0) return true;
            bool again = error == kErrorServerTooBusy || (error == kErrorMoreData && canGrow());
            if (!again || retries == kMaxNetworkRetries) return false;
            platform_.wait(kRetryWaitMs);
        }
    }

    PathPlatform& platform_;
    int reentries_ = 0;
};

}  // namespace

namespace {

// Lays host, share and rest out one after the other; false when they do not fit.
bool LayOut(PathParts& parts, const char* host, const char* share, const char* rest) {
    std::size_t used = 0;
    auto place = [&](const char* text, char** slot) {
        if (text == nullptr) {
            *slot = nullptr;
            return true;
        }
        std::size_t n = std::strlen(text) + 1;
        if (n > parts.size - used) return false;
        std::memcpy(parts.buffer + used, text, n);
        *slot = parts.buffer + used;
        used += n;
        return true;
    };
    parts.host = parts.share = parts.rest = nullptr;
    if (place(host, &parts.host) && place(share, &parts.share) && place(rest, &parts.rest)) return true;
    parts.host = parts.share = parts.rest = nullptr;
    return false;
}

// One trailing point, then every trailing blank.
void TrimRest(char* rest) {
    std::size_t n = std::strlen(rest);
    if (n && rest[n - 1] == '.') rest[--n] = 0;
    while (n && rest[n - 1] == ' ') rest[--n] = 0;
}

std::size_t CountOf(const char* text, char c) {
    std::size_t n = 0;
    for (; *text; ++text) n += *text == c;
    return n;
}

// UTF-8 back to the default encoding, when the text fits its limit and the encoding has
// every character of it: one it lacks comes back as a "?" the text did not hold.
template <std::size_t N>
bool BackToAnsi(FixedText<N>& ansi, const char* utf8) {
    return Utf8ToAnsi(ansi, utf8) && CountOf(ansi.c_str(), '?') == CountOf(utf8, '?');
}

bool HasForbiddenCharacter(const char* utf8) {
    for (const char* c = utf8; *c; ++c)
        if (static_cast<unsigned char>(*c) < 0x20 || std::strchr(":*?\"<>|", *c)) return true;
    return false;
}

int Fail(const char* input, PathParts& parts) {
    parts.host = parts.share = parts.rest = nullptr;
    if (parts.buffer == nullptr || parts.size == 0) return InvalidPath;
    std::size_t n = input ? std::strlen(input) : 0;
    if (n < parts.size) {
        std::memcpy(parts.buffer, input ? input : "", n + 1);
    } else {
        parts.buffer[0] = 0;
    }
    parts.rest = parts.buffer;
    TrimRest(parts.rest);
    return InvalidPath;
}

}  // namespace

bool IsNetWareVolumeSpec(const char* text) {
    if (text == nullptr) return false;
    const char* colon = std::strchr(text, ':');
    return colon != nullptr && colon - text >= 2 && std::strchr(colon + 1, ':') == nullptr;
}

int ParseUncParts(const char* text, PathParts& parts) {
    if (text == nullptr || parts.buffer == nullptr) return kTextTooLong;
    std::size_t length = std::strlen(text);
    if (length > parts.size || length > WorkText::maxLength()) return kTextTooLong;
    Resolved r;
    const char* afterShare = nullptr;
    int result = SplitUnc(text, r, &afterShare);
    if (result != 0) return result;
    return LayOut(parts, r.host.c_str(), r.share.c_str(), r.rest.c_str()) ? 0 : kTextTooLong;
}

int ResolvePath(PathPlatform& platform, const char* path, PathParts& parts) {
    if (path == nullptr || std::strlen(path) > kMaxPathLength) return Fail(path, parts);
    WorkText utf8;
    Resolved r;
    if (!AnsiToUtf8(utf8, path) || Resolver(platform).resolve(utf8.c_str(), r) != 0) return Fail(path, parts);
    TrimRest(r.rest.data());
    FixedText<kMaxHostLength + 1> host;
    FixedText<kMaxShareLength + 1> share;
    FixedText<kMaxRestLength + 1> rest;
    if ((r.hasHost && !BackToAnsi(host, r.host.c_str())) || !BackToAnsi(share, r.share.c_str()) ||
        !BackToAnsi(rest, r.rest.c_str()))
        return Fail(path, parts);
    if (!LayOut(parts, r.hasHost ? host.c_str() : nullptr, share.c_str(), rest.c_str())) return Fail(path, parts);
    return 0;
}

bool RemoteNameNamesHost(const char* remoteName, const char* host) {
    if (remoteName == nullptr || host == nullptr || std::strlen(remoteName) < 2) return false;
    const char* server = remoteName + 2;
    const char* end = std::strchr(server, '\\');
    std::size_t n = end ? static_cast<std::size_t>(end - server) : std::strlen(server);
    return EqualIgnoringCase(server, n, host);
}

bool IsNetWareProvider(const char* provider) {
    if (provider == nullptr) return false;
    for (const char* p = provider; *p; ++p)
        if (EqualIgnoringCase(p, std::strlen(p) < 7 ? std::strlen(p) : 7, "NETWARE")) return true;
    return false;
}

int FormatUncPath(PathPlatform& platform, const char* path, ProfileText& output, std::uint32_t lookUpConnections,
                  const DsnServer& server) {
    char buffer[kPartsBufferSize];
    PathParts parts{nullptr, nullptr, nullptr, buffer, sizeof buffer};
    if (ResolvePath(platform, path, parts) != 0 || parts.host == nullptr) return InvalidPath;
    // The parts are looked at as characters (UTF-8): in a double-byte code page the second
    // byte of a character may be a "|", a "/" or a "\\".
    WorkText host, share, rest;
    if (!AnsiToUtf8(host, parts.host) || !AnsiToUtf8(share, parts.share) || !AnsiToUtf8(rest, parts.rest))
        return InvalidPath;
    // A location the server can open needs a host and a share, and names no file that
    // Windows could never hold.
    if (host.empty() || share.empty() || HasForbiddenCharacter(host.c_str()) || HasForbiddenCharacter(share.c_str()) ||
        HasForbiddenCharacter(rest.c_str()))
        return InvalidPath;
    bool netWare = false;
    if (lookUpConnections) {
        Connection c = platform.connectionTo(parts.host);
        if (c != Connection::None) {
            netWare = c == Connection::NetWare;
        } else {
            const char* name = server.serverName ? server.serverName : "";
            const char* code = server.platformCode ? server.platformCode : "";
            netWare = EqualIgnoringCase(name, std::strlen(name), parts.host) && std::strlen(code) >= 4 &&
                      EqualIgnoringCase(code, 4, "NWSR");
        }
    }
    WorkText unc;
    unc.assign("\\\\");
    unc.append(host.c_str());
    unc.append("\\");
    unc.append(share.c_str());
    unc.append(netWare ? ":\\" : "\\");
    unc.append(rest.c_str() + (IsSeparator(rest.c_str()[0]) ? 1 : 0));
    // A slash is never part of a Windows file name: the path names the same folder with
    // backslashes, as every separator of a UNC path is written.
    for (char* c = unc.data(); *c; ++c)
        if (*c == '/') *c = '\\';
    ProfileText ansi;
    if (!Utf8ToAnsi(ansi, unc.c_str())) return InvalidPath;  // longer than the output holds
    output = ansi;
    return 0;
}
