// The OBJ writer: vertices in table order, faces in slot order, lines as `l`, lone vertices as `p`.
#include "io/exchange/flag_notes.h"
#include "io/exchange/writers.h"

namespace vx {
// Coordinates are whole numbers and are written as such, so they read back exactly. A vertex
// no face or line uses is kept as a point record, which otherwise no reader would bring back.
std::string writeObj(const ExportTables& tables) {
    std::string out = inEditorUnits(tables) ? std::string(objModelMark) + "\n" : std::string();
    for (const auto& p : tables.points)
        out += "v " + coordinateText(tables, p[0]) + " " + coordinateText(tables, p[1]) + " " +
               coordinateText(tables, p[2]) + "\n";
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
    out += flagNotes(tables, "# ");
    return out;
}

}  // namespace vx
