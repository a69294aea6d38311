// Fuzzes the import path: any bytes under any of the import formats' names (the first byte picks
// which) are refused with a message or become a model within the tables, which check and every
// writer take. A first byte from 0xC0 up picks one of the formats only the importer library reads.
#include <string_view>
#include <vector>

#include "fuzz/fuzz_import_support.h"

namespace {

const char* const formats[] = {"obj", "stl", "ply", "glb", "gltf", "off"};

std::vector<std::string> importerFormats() {
    std::vector<std::string> names;
    const std::string_view list = vx::importerFormatList;
    for (std::size_t at = 0; at < list.size();) {
        const std::size_t end = std::min(list.find(',', at), list.size());
        names.emplace_back(list.substr(at, end - at));
        at = list.find_first_not_of(", ", end);
    }
    return names;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    static const std::vector<std::string> others = importerFormats();
    if (size == 0) return 0;
    const std::string format =
        data[0] >= 0xC0 ? others[data[0] % others.size()] : formats[data[0] % (sizeof formats / sizeof formats[0])];
    vx::fuzz::importAndUse(data + 1, size - 1, format, data[0]);
    return 0;
}
