// A file's bytes as one string ("" when it cannot be read).
#pragma once
#include <fstream>
#include <sstream>
#include <string>

template <typename Path>
std::string ReadWholeFile(const Path& path) {
    std::stringstream s;
    s << std::ifstream(path.c_str(), std::ios::binary).rdbuf();
    return s.str();
}
