// Our own reader of text OFF files (OFF, COFF, NOFF, STOFF and their mixes): the vertex list in
// the file's order and faces of any corner count. Four-dimensional and binary OFF go to the
// importer library.
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "io/exchange/readers.h"

namespace vx {
namespace {

// The file's records: comments cut, blank lines skipped, each with its line number.
struct OffLine {
    std::size_t number;
    std::vector<std::string_view> words;
};

std::vector<OffLine> linesOf(std::string_view text) {
    std::vector<OffLine> lines;
    std::size_t number = 0;
    for (std::size_t at = 0; at < text.size();) {
        std::size_t end = std::min(text.find_first_of("\r\n", at), text.size());
        std::string_view line = text.substr(at, end - at);
        ++number;
        at = end + (text.substr(end, 2) == "\r\n" ? 2 : 1);
        line = line.substr(0, line.find('#'));
        OffLine record{number, {}};
        for (std::size_t w = 0; w < line.size();) {
            const std::size_t start = line.find_first_not_of(" \t", w);
            if (start == std::string_view::npos) break;
            const std::size_t stop = std::min(line.find_first_of(" \t", start), line.size());
            record.words.push_back(line.substr(start, stop - start));
            w = stop;
        }
        if (!record.words.empty()) lines.push_back(std::move(record));
    }
    return lines;
}

bool wholeNumber(std::string_view word, uint64_t& value) {
    const auto [end, failure] = std::from_chars(word.data(), word.data() + word.size(), value);
    return failure == std::errc() && end == word.data() + word.size();
}

bool finiteNumber(std::string_view word, double& value) {
    const std::string text(word);
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return end == text.c_str() + text.size() && std::isfinite(value);
}

std::string at(const OffLine& line, const std::string& what) {
    return "line " + std::to_string(line.number) + ": " + what;
}

// The keyword's letters before "OFF": ST texture coordinates, C colours, N normals; 4 and n
// (more dimensions) are not read here.
struct OffKind {
    bool ours = true, normals = false, textures = false;
};

OffKind kindOf(std::string_view keyword) {
    OffKind kind;
    const std::string_view letters = keyword.substr(0, keyword.size() - 3);
    kind.ours = letters.find_first_not_of("STCN") == std::string_view::npos;
    kind.normals = letters.find('N') != std::string_view::npos;
    kind.textures = letters.find("ST") != std::string_view::npos;
    return kind;
}

bool readVertices(const std::vector<OffLine>& lines, std::size_t first, uint64_t count, ExchangeMesh& mesh,
                  std::string& error) {
    for (uint64_t i = 0; i < count; ++i) {
        const OffLine& line = lines[first + i];
        std::array<double, 3> p{};
        for (std::size_t k = 0; k < 3; ++k)
            if (k >= line.words.size() || !finiteNumber(line.words[k], p[k])) {
                error =
                    at(line, k >= line.words.size() ? "a vertex has fewer than three coordinates"
                                                    : "the coordinate \"" + std::string(line.words[k].substr(0, 24)) +
                                                          "\" is not a finite number");
                return false;
            }
        mesh.points.push_back(p);
    }
    return true;
}

// A face of two corners is a line; colours after the corners are passed over.
bool readFaces(const std::vector<OffLine>& lines, std::size_t first, uint64_t count, ExchangeMesh& mesh,
               std::string& error) {
    for (uint64_t i = 0; i < count; ++i) {
        const OffLine& line = lines[first + i];
        uint64_t corners = 0;
        if (!wholeNumber(line.words[0], corners) || corners >= line.words.size()) {
            error = at(line, "a face lists fewer corners than it counts");
            return false;
        }
        ExchangeFace face{{}, 0};
        for (std::size_t k = 1; k <= corners; ++k) {
            uint64_t vertex = 0;
            if (!wholeNumber(line.words[k], vertex) || vertex >= mesh.points.size()) {
                error = at(line, "a face names a vertex the file does not have");
                return false;
            }
            face.corners.push_back(static_cast<uint32_t>(vertex));
        }
        if (corners == 2) mesh.lines.push_back({face.corners[0], face.corners[1]});
        if (corners >= 3) mesh.faces.push_back(std::move(face));
    }
    return true;
}

}  // namespace

bool readOffMesh(const MeshSource& source, ExchangeMesh& mesh, std::string& error) {
    const std::string_view text(reinterpret_cast<const char*>(source.data), source.size);
    const std::vector<OffLine> lines = linesOf(text);
    if (lines.empty()) {
        error = "an empty OFF file";
        return false;
    }
    std::size_t next = 0;
    OffKind kind;
    std::vector<std::string_view> counts = lines[0].words;
    if (counts[0].ends_with("OFF")) {
        kind = kindOf(counts[0]);
        if (!kind.ours || (counts.size() > 1 && counts[1] == "BINARY")) return readAssimpMesh(source, mesh, error);
        counts.erase(counts.begin());
        if (counts.empty() && lines.size() > 1) counts = lines[++next].words;
    }
    uint64_t vertices = 0, faces = 0;
    if (counts.size() < 2 || !wholeNumber(counts[0], vertices) || !wholeNumber(counts[1], faces)) {
        error = at(lines[next], "the OFF header should give the numbers of vertices and faces");
        return false;
    }
    ++next;
    if (vertices > lines.size() - next || faces > lines.size() - next - vertices) {
        error = "the OFF header counts more vertices and faces than the file holds";
        return false;
    }
    if (!readVertices(lines, next, vertices, mesh, error) || !readFaces(lines, next + vertices, faces, mesh, error))
        return false;
    if (kind.normals) mesh.leftOut.normals = vertices;
    if (kind.textures) mesh.leftOut.textureCoordinates = vertices;
    mesh.filesOwnVertices = true;
    return true;
}

}  // namespace vx
