// ResolvePath, FormatUncPath and ParseUncParts against a system whose every answer comes from
// the input: platform family, drive types, QueryDosDevice answers, mapped network drives,
// the router's errors (busy, more data with any size), connections, the NetWare client and
// this computer's name. The resolver must never write past the caller's buffer, must lay
// its parts out one after another within their limits, and must agree with simple
// re-derivations of the forms whose answer does not depend on the system's deeper state:
// UNC paths, local drives, and the UNC text FormatUncPath builds from the parts.
//
// Input: four flag bytes, this computer's name, the current folder, the drive, device,
// mapping, connection and router entries, the NetWare answer, the DSN's server, the parts
// buffer sizes and the path. Texts are a length byte (255: one more length byte follows)
// and that many units: a byte, 0x01 + a token index, or 0x02 + count + byte (a run).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "paths/path_platform.h"
#include "paths/text_conversion.h"
#include "paths/unc_resolver.h"

// The fake system and the re-derivations are not instrumented: the fuzzer's feedback and
// time go to the resolver.
#pragma clang attribute push(__attribute__((no_sanitize("coverage"))), apply_to = function)

namespace {

constexpr std::size_t kMaxText = 4096;
constexpr std::size_t kMaxHostName = 255;  // a DNS name; the system never gives more
constexpr int kMaxRouterCalls = 1000;      // far beyond the resolver's own retry limit

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "fuzz_unc_resolver: %s\n", what);
    std::abort();
}

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool SameIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Upper(a[i]) != Upper(b[i])) return false;
    return true;
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Bytes CP1252 does not define (as the host's iconv has it): they never survive the way
// through UTF-8 and back.
bool IsUndefinedAnsi(char c) {
    unsigned char b = static_cast<unsigned char>(c);
    return b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D;
}
bool AllDefined(const std::string& s) {
    for (char c : s)
        if (IsUndefinedAnsi(c)) return false;
    return true;
}

// What the system answers, all of it chosen by the input.
struct SystemConfig {
    int family = kNtFamily;
    bool hostKnown = true, alwaysThisComputer = false, fullPathFails = false;
    bool universalEntry = true, connectionEntry = true, busyForever = false;
    std::string hostName, currentDirectory;
    std::map<char, unsigned> driveTypes;
    struct Device {
        std::string text;
        bool lies = false;  // stored count not the text's
        std::uint32_t stored = 0;
    };
    std::map<char, Device> devices;
    std::map<char, std::string> mapped;
    std::vector<std::pair<std::string, Connection>> connections;
    struct RouterAnswer {
        std::uint32_t error;
        std::uint32_t size;  // with ERROR_MORE_DATA
    };
    std::vector<RouterAnswer> router;
    bool netWare = false;
    int netWareMode = 0;  // 0 knows no path, 1 answers every path, 2 answers one path
    std::string netWarePath;
    int netWareCode = 0;
    NetWareAnswer netWareAnswer;

    unsigned driveType(char letter) const {
        letter = Upper(letter);
        if (mapped.count(letter)) return kDriveRemote;
        auto t = driveTypes.find(letter);
        return t == driveTypes.end() ? kDriveNoRootDir : t->second;
    }
    bool queryDosDevice(char letter, std::string& text, std::uint32_t* stored) const {
        letter = Upper(letter);
        auto d = devices.find(letter);
        if (d != devices.end()) {
            text = d->second.text;
            *stored = d->second.lies ? d->second.stored : static_cast<std::uint32_t>(text.size() + 2);
            return true;
        }
        if (driveTypes.count(letter) == 0) return false;
        text = "\\Device\\HarddiskVolume1";
        *stored = static_cast<std::uint32_t>(text.size() + 2);
        return true;
    }
    Connection connectionTo(const std::string& host) const {
        for (auto& c : connections)
            if (SameIgnoringCase(c.first, host)) return c.second;
        return Connection::None;
    }
};

// One run of the system: the router's answers are taken in turn.
class FuzzPlatform final : public PathPlatform {
public:
    explicit FuzzPlatform(const SystemConfig& config) : c_(config) {}

    int family() override { return c_.family; }
    bool fullPathName(const char* path, AnsiPath& full) override {
        if (c_.fullPathFails || *path == 0) return false;
        std::string result;
        if (IsSeparator(path[0])) result = c_.currentDirectory.substr(0, 2) + path;
        else if (path[1] == ':') result = std::string(path, 2) + "\\" + (path + 2);
        else result = c_.currentDirectory + "\\" + path;
        if (result.size() >= 260) return false;
        full.assign(result.c_str());
        return true;
    }
    unsigned driveType(char letter) override { return c_.driveType(letter); }
    bool queryDosDevice(char letter, DeviceName& answer, std::uint32_t* stored) override {
        std::string text;
        if (!c_.queryDosDevice(letter, text, stored)) return false;
        answer.assign(text.c_str());
        return true;
    }
    bool hasUniversalName() override { return c_.universalEntry; }
    std::uint32_t universalName(const char* path, std::uint32_t* size, UniversalName& unc) override {
        // The system writes as many bytes as it is told the buffer holds.
        if (*size > UniversalName::maxLength()) Fail("the router is offered more room than the answer buffer holds");
        std::uint32_t error = 0;
        if (routerError(size, &error)) return error;
        auto m = c_.mapped.find(Upper(path[0]));
        if (m == c_.mapped.end()) return 2250;  // not connected
        unc.assign((m->second + (path + 2)).c_str());
        return 0;
    }
    bool hasConnectionName() override { return c_.connectionEntry; }
    std::uint32_t connectionName(char letter, std::uint32_t* size, AnsiPath& remote) override {
        std::uint32_t error = 0;
        if (routerError(size, &error)) return error;
        auto m = c_.mapped.find(Upper(letter));
        if (m == c_.mapped.end()) return 2250;
        remote.assign(m->second.c_str());
        return 0;
    }
    void wait(unsigned) override {}
    Connection connectionTo(const char* host) override { return c_.connectionTo(host); }
    bool netWareReady() override { return c_.netWare; }
    int netWareParsePath(const char* oemPath, NetWareAnswer& answer) override {
        if (c_.netWareMode == 0 || (c_.netWareMode == 2 && c_.netWarePath != oemPath)) return 0x89FF;
        answer = c_.netWareAnswer;
        return c_.netWareCode;
    }
    bool localHostName(HostName& name) override {
        name.assign(c_.hostName.c_str());
        return c_.hostKnown;
    }
    bool isThisMyComputer(const char* host) override {
        return c_.alwaysThisComputer || SameIgnoringCase(host, c_.hostName) || SameIgnoringCase(host, "localhost");
    }

private:
    // The next scripted error, if any is left; true when the call answers it.
    bool routerError(std::uint32_t* size, std::uint32_t* error) {
        if (++calls_ > kMaxRouterCalls) Fail("the router is called without end");
        if (next_ < c_.router.size()) {
            const SystemConfig::RouterAnswer& a = c_.router[next_++];
            if (a.error == 0) return false;
            if (a.error == kErrorMoreData) *size = a.size;
            *error = a.error;
            return true;
        }
        if (c_.busyForever) {
            *error = kErrorServerTooBusy;
            return true;
        }
        return false;
    }

    const SystemConfig& c_;
    std::size_t next_ = 0;
    int calls_ = 0;
};

class Reader {
public:
    Reader(const std::uint8_t* data, std::size_t size) : p_(data), end_(data + size) {}
    unsigned byte() { return p_ < end_ ? *p_++ : 0; }
    unsigned u16() { return byte() | byte() << 8; }

    std::string text(std::size_t limit = kMaxText) {
        static const char* const kTokens[] = {
            "\\", "/", "\\\\", "//", ":", ":\\", "C:\\", "\\??\\", "\\??\\UNC\\", "UNC\\", "HOST", "host",
            "localhost", "srv", "share", "C$", "S$", "$", ".", " ", "..", "VOL1:", "NWSRV", "NWSR", "\x80",
            "\xFC", "\x81", "\x8D", "\xE9", "?", "*", "|", "\t", "\xA0", "\\\\srv\\share", "D:", "c:/", "\\\\?\\",
        };
        std::size_t units = byte();
        if (units == 255) units += byte();
        std::string s;
        for (std::size_t i = 0; i < units && s.size() < limit && p_ < end_; ++i) {
            unsigned u = byte();
            if (u == 1) {
                s += kTokens[byte() % (sizeof kTokens / sizeof kTokens[0])];
            } else if (u == 2) {
                std::size_t count = byte();
                s.append(count, static_cast<char>(byte()));
            } else {
                s += static_cast<char>(u);
            }
        }
        s = s.substr(0, s.find('\0'));
        return s.substr(0, limit);
    }

private:
    const std::uint8_t* p_;
    const std::uint8_t* end_;
};

// A name the system gives for a computer or a volume never holds a separator.
std::string Name(std::string s, std::size_t limit) {
    for (char& c : s)
        if (IsSeparator(c)) c = '_';
    return s.substr(0, limit);
}

void ReadConfig(Reader& in, SystemConfig& c, unsigned* lookUp) {
    unsigned f0 = in.byte(), f1 = in.byte(), f2 = in.byte(), f3 = in.byte();
    static const int kFamilies[] = {kNtFamily, kNtFamily, kWin9xFamily, kOtherFamily};
    c.family = kFamilies[f0 & 3];
    c.hostKnown = !(f0 & 0x04);
    c.universalEntry = !(f0 & 0x08);
    c.connectionEntry = !(f0 & 0x10);
    c.netWare = f0 & 0x20;
    c.alwaysThisComputer = f0 & 0x40;
    c.fullPathFails = f0 & 0x80;
    c.busyForever = f3 & 0x01;
    *lookUp = (f3 >> 1) & 1;
    c.netWareMode = (f3 >> 2) % 3;

    c.hostName = Name(in.text(), kMaxHostName);
    c.currentDirectory = in.text(300);
    if (c.currentDirectory.empty()) c.currentDirectory = "C:\\work";
    c.driveTypes['C'] = 3;
    for (unsigned n = f1 & 7; n > 0; --n) {
        char letter = Upper(static_cast<char>(in.byte()));
        c.driveTypes[letter] = in.byte() % 7;
    }
    for (unsigned n = (f1 >> 3) & 7; n > 0; --n) {
        char letter = Upper(static_cast<char>(in.byte()));
        unsigned mode = in.byte();
        std::string s = in.text(300);
        SystemConfig::Device& d = c.devices[letter];
        switch (mode & 3) {
        case 0: d.text = "\\??\\" + s; break;
        case 1: d.text = "\\??\\UNC\\" + s; break;
        case 2: d.text = s; break;
        default: d.text = std::string("\\??\\") + static_cast<char>('A' + (mode >> 3) % 26) + ":" + s;
        }
        d.lies = mode & 4;
        if (d.lies) d.stored = in.byte();
    }
    for (unsigned n = f2 & 3; n > 0; --n) {
        char letter = Upper(static_cast<char>(in.byte()));
        std::string s = in.text(800);
        c.mapped[letter] = s;
    }
    for (unsigned n = (f2 >> 2) & 3; n > 0; --n) {
        unsigned kind = in.byte() % 3;
        c.connections.emplace_back(in.text(300), kind == 0 ? Connection::None : kind == 1 ? Connection::Plain
                                                                                         : Connection::NetWare);
    }
    static const std::uint32_t kErrors[] = {0, kErrorMoreData, kErrorServerTooBusy, kErrorServerTooBusy,
                                            5, 2250, kErrorMoreData, 0};
    for (unsigned n = f2 >> 4; n > 0; --n) {
        std::uint32_t error = kErrors[in.byte() % 8];
        std::uint32_t size = 0;
        if (error == kErrorMoreData) {
            unsigned v = in.u16();
            size = v & 0x8000 ? 770 + (v & 0x1F) : v;  // near the 780-byte answer, or anything
        }
        c.router.push_back({error, size});
    }
    if (c.netWareMode != 0) {
        c.netWareCode = in.byte() < 224 ? 0 : 0x8900 | in.byte();
        c.netWareAnswer.server.assign(Name(in.text(), 100).c_str());
        c.netWareAnswer.volume.assign(Name(in.text(), 100).c_str());
        c.netWareAnswer.path.assign(in.text(300).c_str());
        if (c.netWareMode == 2) c.netWarePath = in.text(300);
    }
}

// A part size: usually what FormatUncPath gives, sometimes any size or a tiny one.
std::uint32_t ReadPartsSize(unsigned mode, unsigned value) {
    switch (mode & 3) {
    case 0:
    case 1: return kPartsBufferSize;
    case 2: return value % (kPartsBufferSize + 1);
    default: return value % 32;
    }
}

// host, separator, share, separator, rest, as the resolver's callers read a UNC path.
struct Split {
    bool ok = false;
    std::string host, share, rest;
};

Split SplitReference(const std::string& text) {
    Split s;
    std::size_t hostEnd = text.find_first_of("\\/");
    if (hostEnd == std::string::npos) return s;
    std::size_t first = text.find_first_not_of(' ');
    std::size_t last = text.find_last_not_of(' ', hostEnd == 0 ? std::string::npos : hostEnd - 1);
    if (hostEnd == 0 || first >= hostEnd || last == std::string::npos) return s;
    s.host = text.substr(first, last - first + 1);
    std::size_t shareEnd = text.find_first_of("\\/:", hostEnd + 1);
    if (shareEnd == std::string::npos) shareEnd = text.size();
    if (shareEnd == hostEnd + 1) return s;
    s.share = text.substr(hostEnd + 1, shareEnd - hostEnd - 1);
    std::size_t restStart = shareEnd;
    if (restStart < text.size()) {
        ++restStart;
        if (restStart < text.size() && IsSeparator(text[restStart])) ++restStart;
    }
    s.rest = text.substr(restStart);
    s.ok = true;
    return s;
}

// One trailing point, then every trailing blank.
std::string Trimmed(std::string s) {
    if (!s.empty() && s.back() == '.') s.pop_back();
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

bool IsUncStart(const std::string& p) {
    return p.size() >= 2 && ((p[0] == '\\' && p[1] == '\\') || (p[0] == '/' && p[1] == '/'));
}

// What ResolvePath must answer, where that follows from the path and the plain facts of the
// system alone: UNC paths (but an administrative share of this computer, which may lead
// through a substituted drive), and a local drive that is neither substituted nor known
// to the NetWare client.
struct Expected {
    bool known = false;
    bool ok = false;
    bool hasHost = false;
    std::string host, share, rest;
};

Expected ExpectResolve(const SystemConfig& c, const std::string& path, std::uint32_t size) {
    Expected e;
    Split s;
    if (path.size() > kMaxPathLength) {
        e.known = true;
        return e;
    }
    if (IsUncStart(path)) {
        s = SplitReference(path.substr(2));
        if (s.ok && s.share.size() == 2 && s.share[1] == '$' && c.family == kNtFamily) return e;
        e.known = true;
        if (!s.ok) return e;
        e.hasHost = true;
    } else {
        bool drive = path.size() >= 3 && path[1] == ':' && IsSeparator(path[2]) && Upper(path[0]) >= 'A' &&
                     Upper(path[0]) <= 'Z';
        if (!drive || c.netWare) return e;
        unsigned type = c.driveType(path[0]);
        if (type == kDriveRemote) return e;
        if (c.family == kNtFamily) {
            std::string device;
            std::uint32_t stored = 0;
            if (c.queryDosDevice(path[0], device, &stored) && stored >= 6 && device.compare(0, 4, "\\??\\") == 0)
                return e;
        }
        e.known = true;
        if (type == kDriveNoRootDir) return e;
        s.host = c.hostName;
        s.share = std::string(1, path[0]) + "$";
        s.rest = path.substr(3);
        e.hasHost = c.hostKnown;
    }
    s.rest = Trimmed(s.rest);
    if ((e.hasHost && (s.host.size() > kMaxHostLength || !AllDefined(s.host))) || s.share.size() > kMaxShareLength ||
        s.rest.size() > kMaxRestLength || !AllDefined(s.share) || !AllDefined(s.rest))
        return e;
    std::size_t need = (e.hasHost ? s.host.size() + 1 : 0) + s.share.size() + 1 + s.rest.size() + 1;
    if (need > size) return e;
    e.ok = true;
    e.host = e.hasHost ? s.host : "";
    e.share = s.share;
    e.rest = s.rest;
    return e;
}

struct Resolved {
    int result;
    bool hasHost;
    std::string host, share, rest;
};

Resolved CheckResolve(const SystemConfig& c, const std::string& path, std::uint32_t size) {
    FuzzPlatform platform(c);
    char* buffer = new char[size];  // exactly the declared size: any write past it is caught
    char* const kUnset = reinterpret_cast<char*>(&platform);
    PathParts parts{kUnset, kUnset, kUnset, buffer, size};
    Resolved r{ResolvePath(platform, path.c_str(), parts), false, "", "", ""};
    if (r.result == 0) {
        if (parts.host == kUnset || parts.share == nullptr || parts.rest == nullptr) Fail("success without the parts");
        char* next = buffer;
        if (parts.host) {
            if (parts.host != buffer) Fail("the host does not start the buffer");
            r.hasHost = true;
            r.host = parts.host;
            if (r.host.size() > kMaxHostLength) Fail("the host is longer than 79 bytes");
            next = parts.host + r.host.size() + 1;
        }
        if (parts.share != next) Fail("the share does not follow the host");
        r.share = parts.share;
        if (r.share.size() > kMaxShareLength) Fail("the share is longer than 95 bytes");
        if (parts.rest != parts.share + r.share.size() + 1) Fail("the rest does not follow the share");
        r.rest = parts.rest;
        if (r.rest.size() > kMaxRestLength) Fail("the rest is longer than 271 bytes");
        if (parts.rest + r.rest.size() + 1 > buffer + size) Fail("the parts end past the buffer");
        // Every part went through UTF-8 and back unchanged.
        if (!AllDefined(r.host) || !AllDefined(r.share) || !AllDefined(r.rest)) Fail("a part holds a byte CP1252 lacks");
    } else if (r.result == InvalidPath) {
        if (parts.host != nullptr || parts.share != nullptr) Fail("a failure leaves host or share set");
        if (size == 0) {
            if (parts.rest != nullptr) Fail("a failure without a buffer sets rest");
        } else {
            if (parts.rest != buffer) Fail("a failure's rest is not the buffer");
            std::string kept = path.size() < size ? Trimmed(path) : "";
            if (kept != parts.rest) Fail("a failure's rest is not the input, trimmed");
        }
    } else {
        Fail("ResolvePath answers neither 0 nor InvalidPath");
    }
    delete[] buffer;

    Expected e = ExpectResolve(c, path, size);
    if (e.known) {
        if (e.ok != (r.result == 0)) Fail(e.ok ? "a resolvable path failed" : "an unresolvable path resolved");
        if (e.ok && (e.hasHost != r.hasHost || e.host != r.host || e.share != r.share || e.rest != r.rest))
            Fail("the parts differ from the path's own");
    }
    return r;
}

bool HasForbidden(const std::string& s) {
    for (char c : s)
        if (static_cast<unsigned char>(c) < 0x20 || std::strchr(":*?\"<>|", c)) return true;
    return false;
}

// The UNC text follows from the resolved parts, the connection list and the DSN's server.
void CheckFormat(const SystemConfig& c, const std::string& path, unsigned lookUp, const DsnServer& server,
                 const std::uint8_t* fill, std::size_t fillSize) {
    FuzzPlatform platform(c);
    ProfileText output;
    for (std::size_t i = 0; i < sizeof output.bytes; ++i)
        output.bytes[i] = fillSize ? static_cast<char>(fill[i % fillSize] ^ i) : static_cast<char>(i);
    ProfileText before = output;
    int result = FormatUncPath(platform, path.c_str(), output, lookUp, server);

    Resolved r = CheckResolve(c, path, kPartsBufferSize);
    bool ok = r.result == 0 && r.hasHost && !r.host.empty() && !r.share.empty() && !HasForbidden(r.host) &&
              !HasForbidden(r.share) && !HasForbidden(r.rest);
    if (!ok) {
        if (result != InvalidPath) Fail("FormatUncPath succeeded where the parts allow no UNC path");
        if (std::memcmp(&output, &before, sizeof output) != 0) Fail("a failed FormatUncPath changed the output");
        return;
    }
    if (result != 0) Fail("FormatUncPath failed where the parts make a UNC path");
    bool netWare = false;
    if (lookUp) {
        Connection k = c.connectionTo(r.host);
        std::string name = server.serverName ? server.serverName : "";
        std::string code = server.platformCode ? server.platformCode : "";
        netWare = k != Connection::None ? k == Connection::NetWare
                                        : SameIgnoringCase(name, r.host) && code.size() >= 4 &&
                                              SameIgnoringCase(code.substr(0, 4), "NWSR");
    }
    std::string rest = !r.rest.empty() && IsSeparator(r.rest[0]) ? r.rest.substr(1) : r.rest;
    std::string expected = "\\\\" + r.host + "\\" + r.share + (netWare ? ":\\" : "\\") + rest;
    for (char& ch : expected)  // CP1252 has one byte per character
        if (ch == '/') ch = '\\';

    const char* end = static_cast<const char*>(std::memchr(output.bytes, 0, sizeof output.bytes));
    if (end == nullptr) Fail("the output is not terminated");
    std::string got(output.bytes, static_cast<std::size_t>(end - output.bytes));
    if (got.size() > 512) Fail("the output is longer than 512 bytes");
    // The shape alone: two backslashes, host, one backslash, share, "\" or ":\", no slash.
    std::size_t hostEnd = got.find('\\', 2);
    std::size_t shareEnd = hostEnd == std::string::npos ? hostEnd : got.find_first_of("\\:", hostEnd + 1);
    if (got.compare(0, 2, "\\\\") != 0 || hostEnd == std::string::npos || hostEnd == 2 ||
        shareEnd == std::string::npos || shareEnd == hostEnd + 1 ||
        (got[shareEnd] == ':' && got.compare(shareEnd, 2, ":\\") != 0) || got.find('/') != std::string::npos)
        Fail("the output is not \\\\host\\share\\rest");
    if (got != expected) Fail("the output differs from the parts' UNC form");
}

// ParseUncParts against the reference split, in a buffer of exactly the size it is told.
void CheckParse(const std::string& text, std::uint32_t size) {
    char* buffer = new char[size];
    PathParts parts{nullptr, nullptr, nullptr, buffer, size};
    int result = ParseUncParts(text.c_str(), parts);
    Split s = SplitReference(text);
    int expected = text.size() > size ? kTextTooLong
                   : !s.ok            ? kEmptyHostOrShare
                   : s.host.size() + s.share.size() + s.rest.size() + 3 > size ? kTextTooLong
                                                                               : 0;
    if (result != expected) Fail("ParseUncParts' answer differs from the reference split's");
    if (result == 0 && (parts.host != buffer || s.host != parts.host || parts.share != buffer + s.host.size() + 1 ||
                        s.share != parts.share || parts.rest != parts.share + s.share.size() + 1 || s.rest != parts.rest))
        Fail("ParseUncParts' parts differ from the reference split");
    delete[] buffer;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool ready = [] {
        Encodings.defaultEncoding.assign(L"CP1252");
        Encodings.oemEncoding.assign(L"CP850");
        return true;
    }();
    (void)ready;
    Reader in(data, size);
    SystemConfig config;
    unsigned lookUp = 0;
    ReadConfig(in, config, &lookUp);
    std::string serverName = in.text(300), platformCode = in.text(8);
    unsigned sizes = in.byte();
    std::uint32_t partsSize = ReadPartsSize(sizes, in.u16());
    unsigned parseValue = in.u16();
    std::string path = in.text();

    CheckResolve(config, path, partsSize);
    CheckFormat(config, path, lookUp, DsnServer{serverName.c_str(), platformCode.c_str()}, data, size);

    // The split alone, on the text after a UNC path's two separators.
    std::string text = IsUncStart(path) ? path.substr(2) : path;
    std::uint32_t parseSize = 0;
    Split s = SplitReference(text);
    std::size_t whole = s.host.size() + s.share.size() + s.rest.size() + 3;
    switch ((sizes >> 2) & 3) {
    case 0: parseSize = parseValue % 600; break;
    case 1: parseSize = static_cast<std::uint32_t>(text.size() + parseValue % 64); break;
    case 2: parseSize = static_cast<std::uint32_t>(whole - (parseValue & 1)); break;
    default: parseSize = kPartsBufferSize;
    }
    CheckParse(text, parseSize);
    return 0;
}

#pragma clang attribute pop
