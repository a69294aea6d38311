// The checks of `vxtool check` and `vxtool info`: what in a model other programs trip over.
#pragma once

#include <string>
#include <vector>

#include "core/editor_state.h"

namespace vx {

struct Finding {
    std::string kind;     // short name for scripts, e.g. "missing-vertex"
    std::string message;  // one line, e.g. "polygon 12: slot 2 names vertex 40000, past the 11 vertices"
    bool information;     // true: worth knowing but not a problem (an open model)
};

// Every finding: vertex positions, polygons, lines and unused vertices in table order, then the
// edges between polygons.
std::vector<Finding> checkModel(const Model& model);

std::size_t problemCount(const std::vector<Finding>& findings);

}  // namespace vx
