// What an install script pays per request: whole SQLConfigDataSource calls (the installer
// loads the setup library and its imports, calls ConfigDSN and unloads it) for the product
// and for two yardsticks: a minimal setup library that only makes the same installer calls
// and imports the same three outside libraries, and the floor, which does bare the outside
// work the design requires of every call (floor_setup.cpp). Interleaved, so all three see
// the same machine; the host has user32 loaded before it starts, as every installer has.
// Prints medians and ratios, and what loading each library costs. Asserts nothing.
#include <windows.h>
#include <odbcinst.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/bench_support.h"

namespace {

struct Library {
    const char* driver;
    const char* file;
    const char* dsn;
    const char* label;
};
const Library kLibraries[] = {
    {"Quillmere ODBC Client Interface", "DSNSET64.dll", "BenchP", "product"},
    {"Quillmere Bench Minimal Setup", "minimal_setup.dll", "BenchM", "minimal"},
    {"Quillmere Bench Required Work", "floor_setup.dll", "BenchF", "floor"},
};
constexpr int kLibraryCount = 3;

std::string ExeFolder() {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir(path, n);
    return dir.substr(0, dir.find_last_of('\\'));
}

void PrintInstallerErrors() {
    for (WORD i = 1; i <= 8; ++i) {
        DWORD code = 0;
        char text[512] = {};
        WORD length = 0;
        if (SQLInstallerError(i, &code, text, sizeof text, &length) != SQL_SUCCESS) break;
        std::fprintf(stderr, "  installer error [%lu] %s\n", static_cast<unsigned long>(code), text);
    }
}

bool Register(const Library& library, const std::string& folder) {
    const std::string file = library.file;
    std::string attributes = std::string(library.driver) + '\0' + "Driver=" + file + '\0' + "Setup=" + file + '\0' +
                             "APILevel=1" + '\0' + '\0';
    char out[MAX_PATH];
    WORD outLength = 0;
    DWORD usage = 0;
    if (SQLInstallDriverEx(attributes.c_str(), folder.c_str(), out, MAX_PATH, &outLength, ODBC_INSTALL_COMPLETE,
                           &usage))
        return true;
    std::fprintf(stderr, "cannot register %s\n", library.driver);
    PrintInstallerErrors();
    return false;
}

struct Request {
    const char* name;
    WORD code;
    std::vector<std::string> pairs;  // after the library's own DSN=
    bool needsServer;
    std::string list(const Library& library) const {
        std::vector<std::string> all = {std::string("DSN=") + library.dsn};
        all.insert(all.end(), pairs.begin(), pairs.end());
        return List(all);
    }
};

// The stand-in server reads and rewrites its scenario file on every call it gets; only the
// add needs a server, so the other requests run without one.
std::string ScenarioPath;

double Timed(const Request& r, const Library& library, bool* ok) {
    SetEnvironmentVariableA("QM_SERVER_SCENARIO", r.needsServer ? ScenarioPath.c_str() : nullptr);
    const std::string attributes = r.list(library);
    double t0 = NowMicroseconds();
    BOOL result = SQLConfigDataSource(nullptr, r.code, library.driver, attributes.c_str());
    double t1 = NowMicroseconds();
    if (!result) *ok = false;
    return t1 - t0;
}

std::string FileText(const std::string& path) {
    std::string text;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;) text.append(buffer, n);
        std::fclose(f);
    }
    return text;
}

std::string KeyList(const char* dsn) {
    char keys[4096] = {};
    int n = SQLGetPrivateProfileString(dsn, nullptr, "", keys, sizeof keys, "odbc.ini");
    return std::string(keys, n > 0 ? n : 0);
}

// The floor must make the calls the product makes: one add of each on a fresh server must
// leave the server's record of calls alike and write the same keys.
void CheckFloorParity(const Request& add) {
    const std::string fresh = FileText(ScenarioPath);
    std::string server[2], keys[2];
    for (int i : {0, 2}) {
        bool ok = true;
        Timed(add, kLibraries[i], &ok);
        server[i / 2] = FileText(ScenarioPath);
        keys[i / 2] = KeyList(kLibraries[i].dsn);
        if (FILE* f = std::fopen(ScenarioPath.c_str(), "wb")) std::fputs(fresh.c_str(), f), std::fclose(f);
    }
    std::printf("floor parity for the add: %s calls reach the stand-in server, %s keys are written\n",
                server[0] == server[1] ? "the same" : "DIFFERENT", keys[0] == keys[1] ? "the same" : "DIFFERENT");
}

// LoadLibrary + FreeLibrary of each file in turn, so that all see the same machine; the
// median per file, or -1 for a file that does not load.
std::vector<double> LoadCosts(const std::vector<std::string>& paths, int times) {
    std::vector<std::vector<double>> costs(paths.size());
    for (int i = 0; i < times; ++i) {
        for (std::size_t j = 0; j < paths.size(); ++j) {
            double t0 = NowMicroseconds();
            HMODULE m = LoadLibraryA(paths[j].c_str());
            if (m == nullptr) continue;
            FreeLibrary(m);
            costs[j].push_back(NowMicroseconds() - t0);
        }
    }
    std::vector<double> medians;
    for (const std::vector<double>& c : costs) medians.push_back(c.empty() ? -1 : Median(c));
    return medians;
}

}  // namespace

int main(int argc, char** argv) {
    GetDesktopWindow();  // user32 loaded, as in every installer: else each request pays its load
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    const int perRound = argc > 2 ? std::max(1, std::atoi(argv[2])) : 50;
    const std::string folder = ExeFolder();
    for (const Library& library : kLibraries)
        if (!Register(library, folder)) return 1;

    char scenario[1024] = {};
    if (GetEnvironmentVariableA("QM_SERVER_SCENARIO", scenario, sizeof scenario) == 0) {
        std::fprintf(stderr, "QM_SERVER_SCENARIO is not set: the add needs the stand-in server\n");
        return 1;
    }
    ScenarioPath = scenario;

    const Request requests[] = {
        {"add (DSN+DBQ, DBQ checked)", ODBC_ADD_DSN, {"DBQ=DEMODATA"}, true},
        {"configure (Description)", ODBC_CONFIG_DSN, {"Description=changed"}, false},
        {"remove", ODBC_REMOVE_DSN, {}, false},
    };
    const Library& product = kLibraries[0];

    // The add reaches the server: without one it is refused, with it accepted.
    SetEnvironmentVariableA("QM_SERVER_SCENARIO", nullptr);
    const std::string productAdd = requests[0].list(product);
    const BOOL withoutServer = SQLConfigDataSource(nullptr, ODBC_ADD_DSN, product.driver, productAdd.c_str());
    SetEnvironmentVariableA("QM_SERVER_SCENARIO", scenario);
    const BOOL withServer = SQLConfigDataSource(nullptr, ODBC_ADD_DSN, product.driver, productAdd.c_str());
    if (withoutServer || !withServer) {
        std::fprintf(stderr, "the product's add does not check its DBQ on the stand-in server (%d/%d)\n",
                     withoutServer, withServer);
        PrintInstallerErrors();
        return 1;
    }
    CheckFloorParity(requests[0]);

    // Warm-up: one of each, every library.
    bool ok = true;
    for (const Request& r : requests)
        for (const Library& library : kLibraries) Timed(r, library, &ok);

    // Each round's figure for a library is the mean of its requests (means), and the median
    // of them (typical): a request that met a stall of the shared machine moves the first.
    const int kinds = 3;
    std::vector<double> means[kinds][kLibraryCount], typical[kinds][kLibraryCount];
    for (int round = 0; round < rounds; ++round) {
        std::vector<double> times[kinds][kLibraryCount];
        for (int i = 0; i < perRound; ++i) {
            for (int k = 0; k < kinds; ++k) {
                // Each library goes first in turn, so none always follows another.
                for (int j = 0; j < kLibraryCount; ++j) {
                    const int l = (i + round + j) % kLibraryCount;
                    times[k][l].push_back(Timed(requests[k], kLibraries[l], &ok));
                }
            }
        }
        for (int k = 0; k < kinds; ++k) {
            for (int l = 0; l < kLibraryCount; ++l) {
                double sum = 0;
                for (double t : times[k][l]) sum += t;
                means[k][l].push_back(sum / perRound);
                typical[k][l].push_back(Median(times[k][l]));
            }
        }
    }
    for (const Library& library : kLibraries)
        RegDeleteTreeA(HKEY_CURRENT_USER, (std::string("Software\\ODBC\\ODBC.INI\\") + library.dsn).c_str());

    std::printf("SQLConfigDataSource per request (median of %d rounds x %d, the three libraries interleaved, user32 "
                "loaded by the host; the stand-in server's scenario is named for the add only)\n",
                rounds, perRound);
    for (auto* figures : {&means, &typical}) {
        std::printf("  %-28s %11s %11s %11s   %s\n", figures == &means ? "each round's mean" : "each round's median",
                    "product", "minimal", "floor", "product/minimal  product/floor");
        for (int k = 0; k < kinds; ++k) {
            double p = Median((*figures)[k][0]), m = Median((*figures)[k][1]), f = Median((*figures)[k][2]);
            std::printf("  %-28s %8.1f us %8.1f us %8.1f us   %6.2fx %14.2fx\n", requests[k].name, p, m, f, p / m,
                        p / f);
        }
    }
    if (!ok) std::printf("  (some requests returned FALSE)\n");

    const int loads = 50;
    std::printf("LoadLibrary+FreeLibrary, median of %d, interleaved\n", loads);
    struct LoadedFile { const char* file; const char* note; };
    const LoadedFile files[] = {
        {"bare_library.dll", "empty DLL"},
        {"w64qscore3.dll", ""},
        {"w64qscl3.dll", "with w64qscore3"},
        {"wdbustr64.dll", ""},
        {"w64rmadm.dll", "opened by every ConfigDSN call"},
        {"w64kfif.dll", ""},
        {"minimal_setup.dll", "with the three imports"},
        {"floor_setup.dll", "with the three imports"},
        {"DSNSET64.dll", "with its imports"},
    };
    std::vector<std::string> paths;
    for (const LoadedFile& l : files) paths.push_back(folder + "\\" + l.file);
    const std::vector<double> costs = LoadCosts(paths, loads);
    for (std::size_t j = 0; j < paths.size(); ++j) {
        if (costs[j] < 0) std::printf("  %-18s not loadable\n", files[j].file);
        else std::printf("  %-18s %8.1f us  %s\n", files[j].file, costs[j], files[j].note);
    }
    return 0;
}
