// The OBJ writer: vertices in table order, faces in slot order, lines as `l`, lone vertices as `p`.
#include "io/model_to_mesh.h"

namespace vx {
namespace {

// Which faces are two-sided, and any other flags, in comment lines that other readers skip;
// faces are numbered from 1 in the order of the `f` lines.
void appendFlagNotes(const ExportTables& tables, std::string& out) {
    constexpr std::size_t perLine = 20;
    std::string line;
    std::size_t listed = 0;
    for (std::size_t i = 0; i < tables.faces.size(); ++i) {
        const uint16_t flags = tables.faces[i].flags;
        if (flags != 0 && flags != twoSidedFlag)
            out += std::string(objFlagsNote) + " " + integerWords({static_cast<int64_t>(i) + 1, flags}) + "\n";
        if (flags != twoSidedFlag) continue;
        line += ' ';
        line += integerText(static_cast<int64_t>(i) + 1);
        if (++listed % perLine == 0) {
            out += objTwoSidedNote + line + "\n";
            line.clear();
        }
    }
    if (!line.empty()) out += objTwoSidedNote + line + "\n";
}

}  // namespace

// Coordinates are whole numbers and are written as such, so they read back exactly. A vertex
// no face or line uses is kept as a point record, which otherwise no reader would bring back.
std::string writeObj(const ExportTables& tables) {
    std::string out = std::string(objModelMark) + "\n";
    for (const auto& p : tables.points) out += "v " + integerWords({p[0], p[1], p[2]}) + "\n";
    for (const ExportFace& f : tables.faces) {
        out += "f";
        for (uint32_t k = 0; k < f.cornerCount; ++k) {
            out += ' ';
            out += integerText(int64_t{f.corners[k]} + 1);
        }
        out += "\n";
    }
    for (const auto& l : tables.lines) out += "l " + integerWords({int64_t{l[0]} + 1, int64_t{l[1]} + 1}) + "\n";
    for (uint32_t v : tables.unusedVertices) out += "p " + integerText(int64_t{v} + 1) + "\n";
    appendFlagNotes(tables, out);
    return out;
}

}  // namespace vx
