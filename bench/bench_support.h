// What the Windows benchmarks share: a microsecond clock, the median of a series, and an
// attribute list as the installer passes it.
#pragma once

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

inline double NowMicroseconds() {
    static const double frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart);
    }();
    LARGE_INTEGER c;
    QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) * 1e6 / frequency;
}

inline double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

inline std::string List(const std::vector<std::string>& pairs) {
    std::string list;
    for (const std::string& p : pairs) list.append(p).push_back('\0');
    list.push_back('\0');
    return list;
}
