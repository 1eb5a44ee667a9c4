// Paths as the server can reach them: any drive, relative, network, substituted, UNC or
// NetWare volume path split into host, share and rest, and formatted as \\host\share\rest.
// Windows-free: the system is reached through PathPlatform.
#pragma once

#include <cstddef>
#include <cstdint>

#include "paths/path_platform.h"
#include "platform/fixed_text.h"

constexpr int InvalidPath = -6;
constexpr int kTextTooLong = -7;
constexpr int kEmptyHostOrShare = -1;

constexpr std::size_t kMaxPathLength = 260;    // bytes of the path in the default encoding
constexpr std::size_t kPartsBufferSize = 407;  // what ConvertToUnc gives the resolver
constexpr std::size_t kMaxHostLength = 79;
constexpr std::size_t kMaxShareLength = 95;
constexpr std::size_t kMaxRestLength = 271;

// The resolver's answer: three zero-terminated texts one after the other in buffer. host
// and share are null after a failure, and host alone when this computer's name is unknown.
struct PathParts {
    char* host;
    char* share;
    char* rest;
    char* buffer;
    std::uint32_t size;
};

// Exactly one ":" and it stands at index 2 or later (VOL:dir, SERVER/VOL:dir).
bool IsNetWareVolumeSpec(const char* text);

// Splits host, separator, share, separator, rest (separators "\" or "/"; a share also ends
// at ":") into parts.buffer. 0, kTextTooLong or kEmptyHostOrShare.
int ParseUncParts(const char* text, PathParts& parts);

// 0 with the parts in the default encoding, or InvalidPath with only rest (the input, when
// it fits) set. parts.buffer and parts.size are the caller's.
int ResolvePath(PathPlatform& platform, const char* path, PathParts& parts);

// The DSN's server and the last probed server's platform code decide the NetWare form when
// the connection list does not.
struct DsnServer {
    const char* serverName;
    const char* platformCode;
};

// The UNC form of path into output: 0, or InvalidPath with output untouched.
int FormatUncPath(PathPlatform& platform, const char* path, ProfileText& output, std::uint32_t lookUpConnections,
                  const DsnServer& server);

// The connection search's two tests: does a remote name (\\server\...) name host, and is a
// provider NetWare's. Both ignore ASCII case.
bool RemoteNameNamesHost(const char* remoteName, const char* host);
bool IsNetWareProvider(const char* provider);
