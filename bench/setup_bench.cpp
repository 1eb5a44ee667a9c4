// What an install script pays per request: whole SQLConfigDataSource calls (the installer
// loads the setup library and its imports, calls ConfigDSN and unloads it) for the product
// and for a minimal setup library that only makes the same installer calls and imports the
// same three outside libraries. Interleaved, so both see the same machine; prints medians
// and ratios, and what loading each library costs. Asserts nothing.
#include <windows.h>
#include <odbcinst.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/bench_support.h"

namespace {

const char kProductDriver[] = "Quillmere ODBC Client Interface";
const char kMinimalDriver[] = "Quillmere Bench Minimal Setup";

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

bool Register(const char* driver, const char* file, const std::string& folder) {
    std::string attributes = std::string(driver) + '\0' + "Driver=" + file + '\0' + "Setup=" + file + '\0' +
                             "APILevel=1" + '\0' + '\0';
    char out[MAX_PATH];
    WORD outLength = 0;
    DWORD usage = 0;
    if (SQLInstallDriverEx(attributes.c_str(), folder.c_str(), out, MAX_PATH, &outLength, ODBC_INSTALL_COMPLETE,
                           &usage))
        return true;
    std::fprintf(stderr, "cannot register %s\n", driver);
    PrintInstallerErrors();
    return false;
}

struct Request {
    const char* name;
    WORD code;
    std::string product;  // attribute list for the product's DSN
    std::string minimal;  // the same for the minimal library's DSN
    bool needsServer;
};

// The stand-in server reads and rewrites its scenario file on every call it gets; only the
// add needs a server, so the other requests run without one and measure the product.
std::string ScenarioPath;

double Timed(const Request& r, const char* driver, const std::string& attributes, bool* ok) {
    SetEnvironmentVariableA("QM_SERVER_SCENARIO", r.needsServer ? ScenarioPath.c_str() : nullptr);
    const WORD code = r.code;
    double t0 = NowMicroseconds();
    BOOL result = SQLConfigDataSource(nullptr, code, driver, attributes.c_str());
    double t1 = NowMicroseconds();
    if (!result) *ok = false;
    return t1 - t0;
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
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    const int perRound = argc > 2 ? std::max(1, std::atoi(argv[2])) : 50;
    const std::string folder = ExeFolder();
    if (!Register(kProductDriver, "DSNSET64.dll", folder) || !Register(kMinimalDriver, "minimal_setup.dll", folder))
        return 1;

    char scenario[1024] = {};
    if (GetEnvironmentVariableA("QM_SERVER_SCENARIO", scenario, sizeof scenario) == 0) {
        std::fprintf(stderr, "QM_SERVER_SCENARIO is not set: the add needs the stand-in server\n");
        return 1;
    }
    ScenarioPath = scenario;

    const Request requests[] = {
        {"add (DSN+DBQ, DBQ checked)", ODBC_ADD_DSN, List({"DSN=BenchP", "DBQ=DEMODATA"}),
         List({"DSN=BenchM", "DBQ=DEMODATA"}), true},
        {"configure (Description)", ODBC_CONFIG_DSN, List({"DSN=BenchP", "Description=changed"}),
         List({"DSN=BenchM", "Description=changed"}), false},
        {"remove", ODBC_REMOVE_DSN, List({"DSN=BenchP"}), List({"DSN=BenchM"}), false},
    };

    // The add reaches the server: without one it is refused, with it accepted.
    SetEnvironmentVariableA("QM_SERVER_SCENARIO", nullptr);
    const BOOL withoutServer = SQLConfigDataSource(nullptr, ODBC_ADD_DSN, kProductDriver, requests[0].product.c_str());
    SetEnvironmentVariableA("QM_SERVER_SCENARIO", scenario);
    const BOOL withServer = SQLConfigDataSource(nullptr, ODBC_ADD_DSN, kProductDriver, requests[0].product.c_str());
    if (withoutServer || !withServer) {
        std::fprintf(stderr, "the product's add does not check its DBQ on the stand-in server (%d/%d)\n",
                     withoutServer, withServer);
        PrintInstallerErrors();
        return 1;
    }

    // Warm-up: one of each, both libraries.
    bool ok = true;
    for (const Request& r : requests) {
        Timed(r, kProductDriver, r.product, &ok);
        Timed(r, kMinimalDriver, r.minimal, &ok);
    }

    const int kinds = 3;
    std::vector<double> product[kinds], minimal[kinds];
    for (int round = 0; round < rounds; ++round) {
        double productSum[kinds] = {}, minimalSum[kinds] = {};
        for (int i = 0; i < perRound; ++i) {
            for (int k = 0; k < kinds; ++k) {
                const Request& r = requests[k];
                // Alternate who goes first, so neither always follows the other.
                if ((i + round) % 2 == 0) {
                    productSum[k] += Timed(r, kProductDriver, r.product, &ok);
                    minimalSum[k] += Timed(r, kMinimalDriver, r.minimal, &ok);
                } else {
                    minimalSum[k] += Timed(r, kMinimalDriver, r.minimal, &ok);
                    productSum[k] += Timed(r, kProductDriver, r.product, &ok);
                }
            }
        }
        for (int k = 0; k < kinds; ++k) {
            product[k].push_back(productSum[k] / perRound);
            minimal[k].push_back(minimalSum[k] / perRound);
        }
    }
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\ODBC\\ODBC.INI\\BenchP");
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\ODBC\\ODBC.INI\\BenchM");

    std::printf("SQLConfigDataSource per request: product vs minimal setup library (median of %d rounds x %d, "
                "interleaved; the stand-in server's scenario is named for the add only)\n",
                rounds, perRound);
    for (int k = 0; k < kinds; ++k) {
        double p = Median(product[k]), m = Median(minimal[k]);
        std::printf("  %-28s product %8.1f us   minimal %8.1f us   ratio %.2fx\n", requests[k].name, p, m, p / m);
    }
    if (!ok) std::printf("  (some requests returned FALSE)\n");

    const int loads = 50;
    std::printf("LoadLibrary+FreeLibrary, median of %d, interleaved\n", loads);
    struct Library { const char* file; const char* note; };
    const Library libraries[] = {
        {"bare_library.dll", "empty DLL"},
        {"w64qscore3.dll", ""},
        {"w64qscl3.dll", "with w64qscore3"},
        {"wdbustr64.dll", ""},
        {"w64rmadm.dll", "opened by every ConfigDSN call"},
        {"w64kfif.dll", ""},
        {"minimal_setup.dll", "with the three imports"},
        {"DSNSET64.dll", "with the three imports"},
    };
    std::vector<std::string> paths;
    for (const Library& l : libraries) paths.push_back(folder + "\\" + l.file);
    const std::vector<double> costs = LoadCosts(paths, loads);
    for (std::size_t j = 0; j < paths.size(); ++j) {
        if (costs[j] < 0) std::printf("  %-18s not loadable\n", libraries[j].file);
        else std::printf("  %-18s %8.1f us  %s\n", libraries[j].file, costs[j], libraries[j].note);
    }
    return 0;
}
