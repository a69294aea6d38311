// The PLY writer: every vertex, faces of three or four corners with their colours, and lines as an
// edge element; the polygon flags in header comments, where every reader passes them over.
#include "io/byte_order.h"
#include "io/exchange/flag_notes.h"
#include "io/exchange/writers.h"

namespace vx {
namespace {

// Single precision where it holds every coordinate exactly, double otherwise.
std::string header(const ExportTables& tables, bool ascii, bool wide) {
    const char* type = wide ? "double" : "float";
    std::string out = "ply\nformat ";
    out += ascii ? "ascii 1.0\n" : "binary_little_endian 1.0\n";
    if (inEditorUnits(tables)) out += std::string(plyModelMark) + "\n";
    out += flagNotes(tables, "comment ", true);
    out += "element vertex " + integerText(static_cast<int64_t>(tables.points.size())) + "\n";
    for (const char* axis : {"x", "y", "z"}) out += std::string("property ") + type + " " + axis + "\n";
    out += "element face " + integerText(static_cast<int64_t>(tables.faces.size())) + "\n";
    out += "property list uchar int vertex_indices\n";
    if (anyColour(tables)) out += "property uchar red\nproperty uchar green\nproperty uchar blue\n";
    if (!tables.lines.empty()) {
        out += "element edge " + integerText(static_cast<int64_t>(tables.lines.size())) + "\n";
        out += "property int vertex1\nproperty int vertex2\n";
    }
    return out + "end_header\n";
}

// Faces without a colour are drawn white, shaded; a comment names them for vxtool.
uint32_t faceRgb(const ExportTables& tables, const ExportFace& face) {
    return colourOf(face.flags) ? rgbOf(tables, face) : 0xFFFFFF;
}

void asciiBody(const ExportTables& tables, std::string& out) {
    const bool coloured = anyColour(tables);
    for (const auto& p : tables.points)
        out += coordinateText(tables, p[0]) + " " + coordinateText(tables, p[1]) + " " + coordinateText(tables, p[2]) +
               "\n";
    for (const ExportFace& f : tables.faces) {
        out += integerText(f.cornerCount);
        for (uint32_t k = 0; k < f.cornerCount; ++k) {
            out += ' ';
            out += integerText(f.corners[k]);
        }
        const uint32_t rgb = faceRgb(tables, f);
        if (coloured) out.append(" ").append(integerWords({rgb >> 16, (rgb >> 8) & 0xFF, rgb & 0xFF}));
        out += "\n";
    }
    for (const auto& l : tables.lines) out += integerWords({l[0], l[1]}) + "\n";
}

void binaryBody(const ExportTables& tables, bool wide, std::string& out) {
    const bool coloured = anyColour(tables);
    for (const auto& p : tables.points)
        for (int64_t c : p) {
            if (wide)
                appendDouble(out, static_cast<double>(c) * tables.scale);
            else
                appendFloat(out, static_cast<float>(c));
        }
    for (const ExportFace& f : tables.faces) {
        out += static_cast<char>(f.cornerCount);
        for (uint32_t k = 0; k < f.cornerCount; ++k) appendLe32(out, f.corners[k]);
        const uint32_t rgb = faceRgb(tables, f);
        if (coloured)
            for (int shift : {16, 8, 0}) out += static_cast<char>((rgb >> shift) & 0xFF);
    }
    for (const auto& l : tables.lines) {
        appendLe32(out, l[0]);
        appendLe32(out, l[1]);
    }
}

}  // namespace

std::string writePly(const ExportTables& tables, bool ascii) {
    const bool wide = largestCoordinate(tables) > exactInFloat || !inEditorUnits(tables);
    std::string out = header(tables, ascii, wide);
    if (ascii)
        asciiBody(tables, out);
    else
        binaryBody(tables, wide, out);
    return out;
}

}  // namespace vx
