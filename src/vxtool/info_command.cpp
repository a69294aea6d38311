// vxtool info: counts, bounding box and a one-line summary of check, per file.
#include <algorithm>
#include <iostream>

#include "vxtool/commands.h"
#include "vxtool/model_check.h"
#include "vxtool/model_source.h"

namespace vx::tool {
namespace {

void printCounts(const Model& model) {
    int32_t triangles = 0, twoSided = 0;
    for (int32_t i = 0; i < model.polygonCount; ++i) {
        const Polygon& p = model.polygons[static_cast<std::size_t>(i)];
        if (p.slots[3] == p.slots[2]) ++triangles;
        if (p.flags & twoSidedFlag) ++twoSided;
    }
    std::cout << "  vertices " << model.vertexCount << ", lines " << model.lineCount << ", polygons "
              << model.polygonCount << " (triangles " << triangles << ", quads " << model.polygonCount - triangles
              << ", two-sided " << twoSided << ")\n";
}

void printBounds(const Model& model) {
    if (model.vertexCount == 0) {
        std::cout << "  bounds: none (no vertices)\n";
        return;
    }
    Vertex low = model.vertices[0], high = model.vertices[0];
    for (int32_t i = 1; i < model.vertexCount; ++i) {
        const Vertex& v = model.vertices[static_cast<std::size_t>(i)];
        low = {std::min(low.x, v.x), std::min(low.y, v.y), std::min(low.z, v.z)};
        high = {std::max(high.x, v.x), std::max(high.y, v.y), std::max(high.z, v.z)};
    }
    std::cout << "  bounds x " << low.x << ".." << high.x << ", y " << low.y << ".." << high.y << ", z " << low.z
              << ".." << high.z << "\n";
}

void printSummary(const Model& model) {
    const std::vector<Finding> findings = checkModel(model);
    const std::size_t problems = problemCount(findings);
    std::cout << "  check: " << (problems ? std::to_string(problems) + " problems" : std::string("no problems"));
    for (const Finding& f : findings)
        if (f.information) std::cout << "; " << f.message;
    std::cout << "\n";
}

}  // namespace

int runInfo(const InfoOptions& options) {
    int status = success;
    for (const std::string& path : options.files) {
        auto state = makeToolState();
        std::string error;
        if (!readModel(path, {}, *state, error)) {
            complain(error);
            status = failure;
            continue;
        }
        std::cout << path << "\n";
        printCounts(state->model);
        printBounds(state->model);
        printSummary(state->model);
    }
    return status;
}

}  // namespace vx::tool
