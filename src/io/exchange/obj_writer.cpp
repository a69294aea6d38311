// The OBJ writer: vertices in table order, faces in slot order, lines as `l`, lone vertices as `p`;
// face colours as materials of the companion material file.
#include "io/exchange/flag_notes.h"
#include "io/exchange/writers.h"

namespace vx {
namespace {

// A run of faces of one colour follows one `usemtl`; faces before the first colour need none.
std::string materialOf(int32_t colour) { return colour == 0 ? objNoColour : objColourPrefix + integerText(colour); }

std::string faces(const ExportTables& tables) {
    std::string out;
    int32_t current = 0;
    for (const ExportFace& f : tables.faces) {
        if (colourOf(f.flags) != current) {
            current = colourOf(f.flags);
            out += "usemtl " + materialOf(current) + "\n";
        }
        out += "f";
        for (uint32_t k = 0; k < f.cornerCount; ++k) {
            out += ' ';
            out += integerText(int64_t{f.corners[k]} + 1);
        }
        out += "\n";
    }
    return out;
}

}  // namespace

// Coordinates are whole numbers and are written as such, so they read back exactly. A vertex
// no face or line uses is kept as a point record, which otherwise no reader would bring back.
std::string writeObj(const ExportTables& tables) {
    std::string out = inEditorUnits(tables) ? std::string(objModelMark) + "\n" : std::string();
    if (anyColour(tables)) out += "mtllib " + objMaterialFile(tables) + "\n";
    for (const auto& p : tables.points)
        out += "v " + coordinateText(tables, p[0]) + " " + coordinateText(tables, p[1]) + " " +
               coordinateText(tables, p[2]) + "\n";
    out += faces(tables);
    for (const auto& l : tables.lines) out += "l " + integerWords({int64_t{l[0]} + 1, int64_t{l[1]} + 1}) + "\n";
    for (uint32_t v : tables.unusedVertices) out += "p " + integerText(int64_t{v} + 1) + "\n";
    out += flagNotes(tables, "# ");
    return out;
}

// Readers split mtllib's argument at spaces.
std::string objMaterialFile(const ExportTables& tables) {
    std::string name = tables.name + ".mtl";
    for (char& c : name)
        if (c == ' ' || c == '\t') c = '_';
    return name;
}

// Kd is the entry over 255; seven decimals bring every byte back. The faces without a colour get
// a material without one, which leaves them to each program's default.
std::string writeMtl(const ExportTables& tables) {
    bool used[paletteSize + 1] = {};
    for (const ExportFace& f : tables.faces) used[colourOf(f.flags)] = true;
    std::string out = "# colours of " + tables.name + ".obj, written by vxtool\n";
    if (used[0]) out += "newmtl " + materialOf(0) + "\n";
    for (int32_t c = 1; c <= paletteSize; ++c) {
        if (!used[c]) continue;
        const uint32_t rgb = paletteColour(tables.palette, c);
        out += "newmtl " + materialOf(c) + "\nKd";
        for (int shift : {16, 8, 0})
            out.append(" ").append(fractionText(static_cast<double>((rgb >> shift) & 0xFF) / 255.0));
        out += "\n";
    }
    return out;
}

}  // namespace vx
