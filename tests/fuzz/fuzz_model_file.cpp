// Fuzzes loadModel: a file is either refused and changes nothing, or every table entry up to
// the stored counts holds exactly the bytes the file has there.
#include <cstring>
#include <memory>

#include "fuzz/fuzz_support.h"
#include "io/model/model_file.h"

namespace {

std::string inputPath;
vx::EditorState* state = nullptr;
vx::Model* before = nullptr;

uint16_t le16At(const uint8_t* data, std::size_t size, uint64_t i) {
    return static_cast<uint16_t>(vx::fuzz::byteAt(data, size, i) | vx::fuzz::byteAt(data, size, i + 1) << 8);
}

bool tablesEqual(const vx::Model& a, const vx::Model& b) {
    return a.vertexCount == b.vertexCount && a.polygonCount == b.polygonCount && a.lineCount == b.lineCount &&
           std::memcmp(a.vertices.data(), b.vertices.data(), sizeof a.vertices) == 0 &&
           std::memcmp(a.polygons.data(), b.polygons.data(), sizeof a.polygons) == 0 &&
           std::memcmp(a.lines.data(), b.lines.data(), sizeof a.lines) == 0;
}

void checkLoaded(const uint8_t* data, std::size_t size) {
    const vx::Model& m = state->model;
    const auto v = static_cast<uint64_t>(m.vertexCount), p = static_cast<uint64_t>(m.polygonCount);
    if (m.vertexCount > vx::maxVertices || m.polygonCount > vx::maxPolygons || m.lineCount > vx::maxLines) std::abort();
    for (uint64_t i = 0; i < v; ++i) {
        const uint64_t at = 12 + 12 * i;
        const vx::Vertex& vertex = m.vertices[i];
        if (static_cast<uint32_t>(vertex.x) != vx::fuzz::le32At(data, size, at) ||
            static_cast<uint32_t>(vertex.z) != vx::fuzz::le32At(data, size, at + 8))
            std::abort();
    }
    const uint64_t slots = 12 + 12 * v + 12 * p;
    for (uint64_t i = 0; i < p; ++i) {
        if (m.polygons[i].slots[3] != le16At(data, size, slots + 8 * i + 6)) std::abort();
        if (m.polygons[i].flags != le16At(data, size, slots + 8 * p + 2 * i)) std::abort();
    }
    const uint64_t lines = slots + 10 * p;
    for (uint64_t i = 0; i < static_cast<uint64_t>(m.lineCount); ++i) {
        if (m.lines[i].b != le16At(data, size, lines + 4 * i + 2)) std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    inputPath = vx::fuzz::makeTempFolder("vxfuzz-model") + "/input.vx";
    state = new vx::EditorState;
    vx::initEditorState(*state);
    vx::setDefaultModelAndView(*state);
    before = new vx::Model;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    vx::fuzz::writeInput(inputPath, data, size);
    *before = state->model;
    state->redrawPending = 0;
    if (vx::loadModel(*state, inputPath) != vx::LoadVerdict::invalidFile) {
        if (state->redrawPending != 1) std::abort();
        checkLoaded(data, size);
    } else if (state->redrawPending != 0 || !tablesEqual(state->model, *before)) {
        std::abort();
    }
    return 0;
}
