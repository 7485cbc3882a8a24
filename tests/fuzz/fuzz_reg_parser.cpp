// Any bytes given to the hive parser: it must neither crash nor hang, a refused text leaves no
// contents behind, and what it accepts is written back as text that parses to the same hive.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/RegistryStore.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using quillon::RegHive;
    using quillon::RegHiveData;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (RegHive hive : {RegHive::CurrentUser, RegHive::LocalMachine}) {
        RegHiveData parsed;
        std::string error;
        if (!RegHiveData::Parse(text, hive, parsed, &error)) {
            if (!parsed.IsEmpty() || error.empty()) {
                std::abort();
            }
            continue;
        }
        const std::string once = parsed.Serialize(hive);
        RegHiveData again;
        if (!RegHiveData::Parse(once, hive, again, &error) || again.Serialize(hive) != once) {
            std::abort();
        }
    }
    return 0;
}
