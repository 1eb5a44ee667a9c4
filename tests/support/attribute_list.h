// An attribute list as callers of ConfigDSN pass it: key=value texts, each zero-terminated,
// ended by an empty text. Windows-free: the native core tests use it too.
#pragma once
#include <string>
#include <vector>
inline std::string AttributeList(const std::vector<std::string>& texts) {
    std::string list;
    for (const std::string& t : texts) list.append(t).push_back('\0');
    return list.push_back('\0'), list;
}
