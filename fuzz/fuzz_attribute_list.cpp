// The caller's attribute list: any bytes, parsed within their size.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "setup/dsn_settings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    DsnSettings settings;
    std::memset(&settings, 0, sizeof settings);
    ParseAttributeListBounded(reinterpret_cast<const char*>(data), size, settings);
    for (const AttributeKey& row : AttributeKeyTable) {
        const DsnSetting& field = settings.*row.field;
        if (field.value.bytes[512] != 0) __builtin_trap();       // always terminated
        if (!field.isSet && !field.value.empty()) __builtin_trap();  // unset reads as empty
    }
    return 0;
}
