// Any model file the importer reads, into the editor's tables at a usable size: the one path
// both vxtool and the editor take for files that are not the editor's own.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "core/editor_state.h"

namespace vx {

inline constexpr double autoFitExtent = 200.0;  // the default cube's edge
inline constexpr double smallExtent = 64.0;     // a model smaller than this is taken to be in metres or so

struct ImportRequest {
    std::optional<double> scale;  // multiply coordinates as they are
    std::optional<double> fit;    // scale and centre to this largest extent
    // Neither: the model keeps its coordinates unless it is small or rounding would merge
    // vertices; then it is fitted to autoFitExtent.
    bool simplify = false;          // reduce a model past the limits until it fits
    std::size_t simplifyTo = 0;     // with simplify: at most this many polygons; 0: the table's limit
    std::string optionsOf;  // where the hints' options are given: "" for vxtool, "vxtool convert " elsewhere
};

struct ImportNotes {
    std::vector<std::string> lines;  // "note: FILE: ..." and "warning: FILE: ..."
    std::string error;               // why the file was refused
};

// Fills model only when the whole file was read and fits; otherwise model is left as it was
// and notes.error says why, with what would help.
bool importModelFile(const std::string& path, const ImportRequest& request, Model& model, ImportNotes& notes);

// True for a file the importer reads that is not the editor's own: by its first bytes (PLY,
// glTF, STL, OFF headers) or else by its name's ending. A picture never counts, whatever its name.
bool isOtherModelFile(const std::string& path);

// The largest extent and whether rounding to whole units would make distinct points one:
// what decides the automatic fit.
struct MeshScale {
    double extent;
    bool roundingMerges;
};
MeshScale measureMesh(const std::vector<std::array<double, 3>>& points);

}  // namespace vx
