// A file's bytes as one string ("" when it cannot be read), for logs and records the
// product or its stand-ins wrote.
#pragma once

#include <fstream>
#include <sstream>
#include <string>

template <typename Path>
std::string ReadWholeFile(const Path& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}
