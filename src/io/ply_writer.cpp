// The PLY writer: every vertex, faces of three or four corners, and lines as an edge element.
#include "io/byte_order.h"
#include "io/model_to_mesh.h"

namespace vx {
namespace {

// The flags of each face go in a property of their own, which other readers skip by its type;
// only when some face has any.
bool hasFlags(const ExportTables& tables) {
    for (const ExportFace& f : tables.faces)
        if (f.flags != 0) return true;
    return false;
}

// Single precision where it holds every coordinate exactly, double otherwise.
std::string header(const ExportTables& tables, bool ascii, bool wide, bool flags) {
    const char* type = wide ? "double" : "float";
    std::string out = "ply\nformat ";
    out += ascii ? "ascii 1.0\n" : "binary_little_endian 1.0\n";
    out += std::string(plyModelMark) + "\n";
    out += "element vertex " + integerText(static_cast<int64_t>(tables.points.size())) + "\n";
    for (const char* axis : {"x", "y", "z"}) out += std::string("property ") + type + " " + axis + "\n";
    out += "element face " + integerText(static_cast<int64_t>(tables.faces.size())) + "\n";
    out += "property list uchar int vertex_indices\n";
    if (flags) out += std::string("property ushort ") + plyFlagsProperty + "\n";
    if (!tables.lines.empty()) {
        out += "element edge " + integerText(static_cast<int64_t>(tables.lines.size())) + "\n";
        out += "property int vertex1\nproperty int vertex2\n";
    }
    return out + "end_header\n";
}

void asciiBody(const ExportTables& tables, bool flags, std::string& out) {
    for (const auto& p : tables.points) out += integerWords({p[0], p[1], p[2]}) + "\n";
    for (const ExportFace& f : tables.faces) {
        out += integerText(f.cornerCount);
        for (uint32_t k = 0; k < f.cornerCount; ++k) {
            out += ' ';
            out += integerText(f.corners[k]);
        }
        if (flags) {
            out += ' ';
            out += integerText(f.flags);
        }
        out += "\n";
    }
    for (const auto& l : tables.lines) out += integerWords({l[0], l[1]}) + "\n";
}

void binaryBody(const ExportTables& tables, bool wide, bool flags, std::string& out) {
    for (const auto& p : tables.points)
        for (int64_t c : p) {
            if (wide)
                appendDouble(out, static_cast<double>(c));
            else
                appendFloat(out, static_cast<float>(c));
        }
    for (const ExportFace& f : tables.faces) {
        out += static_cast<char>(f.cornerCount);
        for (uint32_t k = 0; k < f.cornerCount; ++k) appendLe32(out, f.corners[k]);
        if (flags) appendLe16(out, f.flags);
    }
    for (const auto& l : tables.lines) {
        appendLe32(out, l[0]);
        appendLe32(out, l[1]);
    }
}

}  // namespace

std::string writePly(const ExportTables& tables, bool ascii) {
    const bool wide = largestCoordinate(tables) > exactInFloat;
    const bool flags = hasFlags(tables);
    std::string out = header(tables, ascii, wide, flags);
    if (ascii)
        asciiBody(tables, flags, out);
    else
        binaryBody(tables, wide, flags, out);
    return out;
}

}  // namespace vx
