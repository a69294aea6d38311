// vxtool info: counts, bounding box and a one-line summary of check, per file, as lines or JSON.
#include <algorithm>
#include <array>
#include <iostream>

#include "vxtool/commands.h"
#include "vxtool/json_text.h"
#include "vxtool/model_check.h"
#include "vxtool/model_source.h"

namespace vx::tool {
namespace {

// What info says about one model; both outputs print this and nothing else.
struct Summary {
    int32_t vertices, lines, polygons, triangles, twoSided;
    int32_t colours;  // distinct palette entries the polygons use
    bool ownPalette;  // the model carries a palette other than the built-in one
    bool hasBounds;  // false without vertices
    Vertex low, high;
    std::size_t problems;
    std::vector<std::string> information;  // check's findings that are not problems
};

Summary summarise(const Model& model) {
    Summary s{model.vertexCount, model.lineCount, model.polygonCount, 0, 0, 0, model.palette != builtinPalette,
              model.vertexCount > 0, {}, {}, 0, {}};
    std::array<bool, paletteSize + 1> used{};
    for (int32_t i = 0; i < model.polygonCount; ++i) {
        const Polygon& p = model.polygons[static_cast<std::size_t>(i)];
        if (p.slots[3] == p.slots[2]) ++s.triangles;
        if (p.flags & twoSidedFlag) ++s.twoSided;
        used[static_cast<std::size_t>(colourOf(p.flags))] = true;
    }
    s.colours = static_cast<int32_t>(std::count(used.begin() + 1, used.end(), true));
    if (s.hasBounds) s.low = s.high = model.vertices[0];
    for (int32_t i = 1; i < model.vertexCount; ++i) {
        const Vertex& v = model.vertices[static_cast<std::size_t>(i)];
        s.low = {std::min(s.low.x, v.x), std::min(s.low.y, v.y), std::min(s.low.z, v.z)};
        s.high = {std::max(s.high.x, v.x), std::max(s.high.y, v.y), std::max(s.high.z, v.z)};
    }
    const std::vector<Finding> findings = checkModel(model);
    s.problems = problemCount(findings);
    for (const Finding& f : findings)
        if (f.information) s.information.push_back(f.message);
    return s;
}

void printLines(const std::string& path, const Summary& s) {
    std::cout << path << "\n  vertices " << s.vertices << ", lines " << s.lines << ", polygons " << s.polygons
              << " (triangles " << s.triangles << ", quads " << s.polygons - s.triangles << ", two-sided "
              << s.twoSided << ")\n";
    std::cout << "  colours " << s.colours << " used, " << (s.ownPalette ? "own" : "built-in") << " palette\n";
    if (s.hasBounds)
        std::cout << "  bounds x " << s.low.x << ".." << s.high.x << ", y " << s.low.y << ".." << s.high.y << ", z "
                  << s.low.z << ".." << s.high.z << "\n";
    else
        std::cout << "  bounds: none (no vertices)\n";
    std::cout << "  check: " << (s.problems ? std::to_string(s.problems) + " problems" : std::string("no problems"));
    for (const std::string& message : s.information) std::cout << "; " << message;
    std::cout << "\n";
}

std::string jsonRange(int32_t low, int32_t high) {
    std::string out = "[";
    out += std::to_string(low);
    out += ',';
    out += std::to_string(high);
    return out + "]";
}

std::string jsonSummary(const std::string& path, const Summary& s) {
    std::string out = "{\"file\":" + jsonString(path) + ",\"vertices\":" + std::to_string(s.vertices) +
                      ",\"lines\":" + std::to_string(s.lines) + ",\"polygons\":" + std::to_string(s.polygons) +
                      ",\"triangles\":" + std::to_string(s.triangles) +
                      ",\"quads\":" + std::to_string(s.polygons - s.triangles) +
                      ",\"twoSided\":" + std::to_string(s.twoSided) + ",\"colours\":" + std::to_string(s.colours) +
                      ",\"ownPalette\":" + (s.ownPalette ? "true" : "false") + ",\"bounds\":";
    if (s.hasBounds)
        out += "{\"x\":" + jsonRange(s.low.x, s.high.x) + ",\"y\":" + jsonRange(s.low.y, s.high.y) +
               ",\"z\":" + jsonRange(s.low.z, s.high.z) + "}";
    else
        out += "null";
    out += ",\"problems\":" + std::to_string(s.problems) + ",\"information\":[";
    for (std::size_t i = 0; i < s.information.size(); ++i) {
        if (i) out += ',';
        out += jsonString(s.information[i]);
    }
    return out + "]}";
}

}  // namespace

int runInfo(const InfoOptions& options) {
    int status = success;
    std::string json;
    for (const std::string& path : options.files) {
        auto state = makeToolState();
        std::string error;
        const bool readable = readModel(path, {}, *state, error);
        if (!readable) status = failure;
        if (options.json) {
            if (!json.empty()) json += ',';
            json += readable ? jsonSummary(path, summarise(state->model))
                             : "{\"file\":" + jsonString(path) + ",\"error\":" + jsonString(error) + "}";
        } else if (readable) {
            printLines(path, summarise(state->model));
        } else {
            complain(error);
        }
    }
    if (options.json) std::cout << "{\"files\":[" << json << "]}\n";
    return status;
}

}  // namespace vx::tool
