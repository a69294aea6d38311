// Fuzzes the import path: any bytes under any of the import formats' names (the first byte picks
// which) are refused with a message or become a model within the tables, which check and every
// writer take.
#include "fuzz/fuzz_import_support.h"

namespace {

const char* const formats[] = {"obj", "stl", "ply", "glb", "gltf", "off"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    vx::fuzz::importAndUse(data + 1, size - 1, formats[data[0] % (sizeof formats / sizeof formats[0])], data[0]);
    return 0;
}
