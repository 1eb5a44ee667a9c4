// One answer reader of the request records, chosen at build time (ANSWER_CODE): the server's
// bytes are hostile and must never be read past, nor written past the caller's buffers.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "remote/request_records.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // An exactly sized copy, so that any read past the answer is caught.
    std::vector<std::uint8_t> answer(data, data + size);
    const std::uint8_t* bytes = answer.empty() ? nullptr : answer.data();
#if ANSWER_CODE == 4115
    volatile std::uint64_t count = ReadDatabaseCountAnswer(bytes, answer.size());
    (void)count;
#elif ANSWER_CODE == 4117
    const std::uint64_t asked = size % 3 == 0 ? 20 : size % 3 == 1 ? 60 : 400;
    std::vector<char> names(static_cast<std::size_t>(asked));
    std::uint64_t n = ReadDatabaseNamesAnswer(bytes, answer.size(), asked, names.data(), names.size());
    if (n > asked) __builtin_trap();
    for (std::size_t slot = 0; slot * 20 < n; ++slot) {
        FixedText<21> name = DatabaseNameAt(names.data(), n, slot);
        if (name.length() > 20) __builtin_trap();
    }
#elif ANSWER_CODE == 4116
    std::vector<char> dataFiles(514), dictionary(257);
    ReadDatabaseDetailsAnswer(bytes, answer.size(), dataFiles.data(), dataFiles.size(), dictionary.data(),
                              dictionary.size());
    if (std::strlen(dataFiles.data()) > 513 || std::strlen(dictionary.data()) > 256) __builtin_trap();
#elif ANSWER_CODE == 5207
    EngineDsnAnswer a = ReadEngineDsnAnswer(bytes, answer.size());
    if (a.description.bytes[512] || a.database.bytes[512] || a.openMode.bytes[512]) __builtin_trap();
#else
#error "ANSWER_CODE must name an answer reader"
#endif
    return 0;
}
