// Turning an ExchangeMesh into the editor's tables: scaling, rounding, welding, splitting faces.
#pragma once

#include <cstddef>
#include <string>

#include "core/editor_state.h"
#include "io/exchange/exchange_mesh.h"

namespace vx {

struct ImportOptions {
    double scale = 1.0;  // multiplies coordinates before rounding
    double fit = 0.0;    // when > 0: scale and centre so the largest extent is this many units
};

struct ImportReport {
    std::size_t mergedVertices = 0;  // distinct positions that rounding made one
    std::size_t mergedColours = 0;   // distinct face colours past the palette's size, each given the nearest entry
    std::string error;               // set when the model was refused
    bool overLimits = false;         // refused for holding more than the tables
    std::size_t splitFaces = 0;      // faces of more than four corners, or concave, split into pieces
};

// Fills model (counts included) only when the whole mesh fits the tables; otherwise returns
// false with report.error naming the counts and the limit, and leaves model as it was.
bool meshToModel(const ExchangeMesh& mesh, const ImportOptions& options, Model& model, ImportReport& report);

}  // namespace vx
