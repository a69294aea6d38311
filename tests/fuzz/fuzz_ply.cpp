// Fuzzes our own PLY reader: text and binary of either byte order, elements and
// properties of every declared type; a file is refused with a message or becomes a model within the tables.
#include "fuzz/fuzz_import_support.h"

namespace {

vx::Model* model = nullptr;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    model = new vx::Model{};
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    vx::fuzz::importAndUse(data, size, "ply", *model, size & 0xFF);
    return 0;
}
