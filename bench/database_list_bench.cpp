// The database list with the most names one request can carry (3,276, sent in random
// order) against its floor: the same names added to the same kind of sorted combo box by a
// bare CB_ADDSTRING loop. Both in one run under Wine, interleaved; prints, asserts nothing.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "dialogs/database_list.h"
#include "remote/admin_library.h"
#include "remote/request_builders.h"
#include "remote/server_probe.h"

namespace {

constexpr int kCombo = 105;

HWND SortedCombo(HWND parent, int id) {
    return CreateWindowExA(0, "COMBOBOX", "", WS_CHILD | CBS_DROPDOWNLIST | CBS_SORT, 0, 0, 200, 100, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 15;
    if (DBUConnect("dbhost", "", "", &RemoteSession) != 0) {
        std::fprintf(stderr, "no stand-in server: set QM_SERVER_SCENARIO\n");
        return 1;
    }
    ServerType = 1;
    // The names as the server sends them, for the floor.
    std::uint64_t length = DatabaseNamesByteLength(kMostDatabaseNamesPerRequest);
    std::vector<char> buffer(static_cast<std::size_t>(length) + 1, 0);
    GetDatabaseNames(RemoteSession, ServerType, &length, buffer.data());
    std::vector<std::string> names;
    for (std::size_t slot = 0; slot * kDatabaseNameSlot < length; ++slot)
        names.push_back(DatabaseNameAt(buffer.data(), length, slot).c_str());

    HWND parent = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 300, 200, nullptr, nullptr, nullptr, nullptr);
    HWND bare = SortedCombo(parent, kCombo + 1);
    SortedCombo(parent, kCombo);  // FillDatabaseList's, reached by its id
    std::vector<double> fill, floor, remote;
    for (int i = 0; i < rounds; ++i) {
        double r0 = NowMicroseconds();
        std::uint64_t count = 0, bytes = length;
        GetDatabaseCount(RemoteSession, ServerType, &count);
        GetDatabaseNames(RemoteSession, ServerType, &bytes, buffer.data());
        remote.push_back(NowMicroseconds() - r0);
        double t0 = NowMicroseconds();
        FillDatabaseList(parent, kCombo);
        double t1 = NowMicroseconds();
        SendMessageA(bare, CB_RESETCONTENT, 0, 0);
        for (const std::string& name : names) SendMessageA(bare, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
        double t2 = NowMicroseconds();
        fill.push_back(t1 - t0);
        floor.push_back(t2 - t1);
    }
    DBUDisconnect(&RemoteSession);
    std::printf("database list of %zu names (median of %d, interleaved)\n", names.size(), rounds);
    std::printf("  FillDatabaseList %9.1f us   bare CB_ADDSTRING loop %9.1f us   ratio %.2fx\n", Median(fill),
                Median(floor), Median(fill) / Median(floor));
    std::printf("  (of which the two requests to the stand-in server: %.1f us)\n", Median(remote));
    return 0;
}
