// Fuzzes the glTF path: JSON and binary files through the glTF library and what we
// make of its scene (accessors, node transforms, the polygon table in the mesh extras); a file is refused with a
// message or becomes a model within the tables.
#include "fuzz/fuzz_import_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    vx::fuzz::importAndUse(data, size, "gltf", size & 0xFF);
    return 0;
}
