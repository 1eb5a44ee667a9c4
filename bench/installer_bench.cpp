// A silent add, configure and remove through ConfigDSN, side by side with the same
// installer calls made bare, interleaved in one process and prefix. Prints the median of
// each and their ratio; asserts nothing.
#include <windows.h>
#include <odbcinst.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench_support.h"

namespace {

const char kDriver[] = "Quillmere ODBC Client Interface";
using ConfigDsnFunction = BOOL(WINAPI*)(HWND, WORD, LPCSTR, LPCSTR);

// What the commit writes for a silent add of DSN, DBQ and nothing else.
void BareAdd(const char* dsn) {
    SQLWriteDSNToIni(dsn, kDriver);
    const char* keys[][2] = {{"Description", kDriver}, {"ArrayFetchOn", "1"}, {"ArrayBufferSize", "8"},
                             {"TCPPort", "1583"}, {"ServerName", nullptr}, {"DBQ", "DEMODATA"}, {"ServerDSN", nullptr},
                             {"TransportHint", "TCP:SPX"}, {"TranslationDLL", ""}, {"TranslationOption", ""},
                             {"QmTranslate", ""}};
    for (auto& kv : keys) SQLWritePrivateProfileString(dsn, kv[0], kv[1], "odbc.ini");
}

void BareConfigure(const char* dsn) {
    SQLWriteDSNToIni(dsn, kDriver);
    SQLWritePrivateProfileString(dsn, "Description", "changed", "odbc.ini");
}

}  // namespace

int main(int argc, char** argv) {
    int rounds = argc > 1 ? std::atoi(argv[1]) : 200;
    char folder[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, folder, MAX_PATH);
    std::string dir(folder, n);
    dir = dir.substr(0, dir.find_last_of('\\'));
    HMODULE library = LoadLibraryA((dir + "\\DSNSET64.dll").c_str());
    auto configDsn = reinterpret_cast<ConfigDsnFunction>(reinterpret_cast<void*>(GetProcAddress(library, "ConfigDSN")));
    if (configDsn == nullptr) {
        std::fprintf(stderr, "DSNSET64.dll not loadable\n");
        return 1;
    }
    // The stand-in server reads its scenario file on every call it gets; only the add needs
    // a server, so the other requests run without one and measure the product's own work.
    char scenario[1024] = {};
    GetEnvironmentVariableA("QM_SERVER_SCENARIO", scenario, sizeof scenario);
    std::vector<double> add, bareAdd, configure, bareConfigure, remove, bareRemove;
    const std::string addList = List({"DSN=BenchP", "DBQ=DEMODATA"});
    const std::string configureList = List({"DSN=BenchP", "Description=changed"});
    const std::string removeList = List({"DSN=BenchP"});
    for (int i = 0; i < rounds; ++i) {
        SetEnvironmentVariableA("QM_SERVER_SCENARIO", scenario[0] ? scenario : nullptr);
        double t0 = NowMicroseconds();
        configDsn(nullptr, ODBC_ADD_DSN, kDriver, addList.c_str());
        double t1 = NowMicroseconds();
        BareAdd("BenchB");
        SetEnvironmentVariableA("QM_SERVER_SCENARIO", nullptr);
        double t2 = NowMicroseconds();
        configDsn(nullptr, ODBC_CONFIG_DSN, kDriver, configureList.c_str());
        double t3 = NowMicroseconds();
        BareConfigure("BenchB");
        double t4 = NowMicroseconds();
        configDsn(nullptr, ODBC_REMOVE_DSN, kDriver, removeList.c_str());
        double t5 = NowMicroseconds();
        SQLRemoveDSNFromIni("BenchB");
        double t6 = NowMicroseconds();
        add.push_back(t1 - t0);
        bareAdd.push_back(t2 - t1);
        configure.push_back(t3 - t2);
        bareConfigure.push_back(t4 - t3);
        remove.push_back(t5 - t4);
        bareRemove.push_back(t6 - t5);
    }
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\ODBC\\ODBC.INI\\BenchP");
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\ODBC\\ODBC.INI\\BenchB");
    std::printf("silent requests through ConfigDSN vs the same installer calls bare (%d interleaved rounds, median)\n",
                rounds);
    struct Row { const char* name; double product, bare; };
    const Row rows[] = {{"add (DBQ checked on the stand-in)", Median(add), Median(bareAdd)},
                        {"configure (Description only)", Median(configure), Median(bareConfigure)},
                        {"remove", Median(remove), Median(bareRemove)}};
    for (const Row& r : rows)
        std::printf("%-34s ConfigDSN %9.1f us   bare %9.1f us   ratio %.2fx\n", r.name, r.product, r.bare,
                    r.product / r.bare);
    return 0;
}
