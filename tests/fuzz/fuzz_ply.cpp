// Fuzzes our own PLY reader: text and binary of either byte order, elements and
// properties of every declared type; a file is refused with a message or becomes a model within the tables.
#include "fuzz/fuzz_import_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    vx::fuzz::importAndUse(data, size, "ply", size & 0xFF);
    return 0;
}
