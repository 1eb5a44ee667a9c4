// Parsing and record reading of the Windows-free core, in MB/s, beside the machine's memcpy
// over the same bytes (the limit any reader of them could reach).
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "remote/byte_record.h"
#include "remote/request_records.h"
#include "setup/dsn_settings.h"

namespace {

using Clock = std::chrono::steady_clock;
volatile std::uint64_t Sink;

// Runs body over bytes per call until about 0.4 s have passed; answers MB/s.
template <typename Body>
double Rate(std::size_t bytes, Body body) {
    std::uint64_t calls = 0;
    auto start = Clock::now();
    double seconds = 0;
    do {
        for (int i = 0; i < 256; ++i) body();
        calls += 256;
        seconds = std::chrono::duration<double>(Clock::now() - start).count();
    } while (seconds < 0.4);
    return static_cast<double>(bytes) * static_cast<double>(calls) / seconds / 1e6;
}

void Report(const char* name, std::size_t bytes, double rate, double memcpyRate) {
    std::printf("%-34s %6zu bytes  %9.1f MB/s   memcpy %9.1f MB/s   ratio %.3f\n", name, bytes, rate, memcpyRate,
                rate / memcpyRate);
}

template <typename Body>
void Measure(const char* name, const std::vector<std::uint8_t>& input, Body body) {
    std::vector<std::uint8_t> copy(input.size());
    double memcpyRate = Rate(input.size(), [&] {
        std::memcpy(copy.data(), input.data(), input.size());
        Sink = Sink + copy[input.size() / 2];
    });
    Report(name, input.size(), Rate(input.size(), body), memcpyRate);
}

std::vector<std::uint8_t> AttributeList() {
    std::string list;
    for (const AttributeKey& row : AttributeKeyTable)
        list += std::string(row.name) + "=" + std::string(20, 'v') + '\0';
    list += '\0';
    return {list.begin(), list.end()};
}

std::vector<std::uint8_t> DetailsAnswer() {
    DatabaseAttributes a{1, 0, 1, 3, 0, 1252};
    Record r = *EncodeDatabaseRecord("DEMODATA", a, 256, "\\\\dbhost\\data\\demodata", 513,
                                    "\\\\dbhost\\data\\demodata;\\\\dbhost\\data2\\demodata");
    return r;
}

}  // namespace

int main() {
    std::printf("native core throughput (one core; each figure beside memcpy over the same bytes)\n");
    const std::vector<std::uint8_t> list = AttributeList();
    // The record is zeroed once, as the entry's GlobalAlloc does once per call; the parse
    // alone is measured.
    static DsnSettings s;
    std::memset(&s, 0, sizeof s);
    Measure("attribute list parse", list, [&] {
        ParseAttributeListBounded(reinterpret_cast<const char*>(list.data()), list.size(), s);
        Sink = Sink + static_cast<unsigned char>(s.QmTranslate.value.bytes[0]);
    });
    const std::vector<std::uint8_t> details = DetailsAnswer();
    Measure("4116 details answer read", details, [&] {
        char data[514], dictionary[257];
        DatabaseDetails d = ReadDatabaseDetailsAnswer(details.data(), details.size(), data, sizeof data, dictionary,
                                                      sizeof dictionary);
        Sink = Sink + d.dataLength + static_cast<unsigned char>(data[3]);
    });
    std::vector<std::uint8_t> names(2 + 20 * 50, 'n');
    names[0] = static_cast<std::uint8_t>(1000 & 0xFF);
    names[1] = static_cast<std::uint8_t>(1000 >> 8);
    Measure("4117 names answer read (50 names)", names, [&] {
        char out[1001];
        std::uint64_t n = ReadDatabaseNamesAnswer(names.data(), names.size(), 1000, out, 1000);
        for (std::size_t slot = 0; slot < 50; ++slot) Sink = Sink + DatabaseNameAt(out, n, slot).length();
    });
    Record engine(ReadEngineDsnAnswerSize("DEMO"), 0);
    ByteWriter w(engine.data(), engine.size());
    w.skip(2);
    w.put16(2);
    for (const char* t : {"DEMO", "Demo data", "DEMODATA", "-1"}) w.putItem(t, std::strlen(t));
    Measure("5207 engine DSN answer read", engine, [&] {
        EngineDsnAnswer a = ReadEngineDsnAnswer(engine.data(), engine.size());
        Sink = Sink + a.translation + a.database.length();
    });
    return 0;
}
