// Plain OBJ text for the library, and what the library would get wrong checked or taken aside.
#include "io/exchange/obj_text.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>

namespace vx {
namespace {

void appendUtf8(uint32_t code, std::string& out) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// UTF-16 of either byte order, told by its mark, and UTF-8 with a mark, become UTF-8 without
// one; line ends of any system become "\n". Only the ASCII in an OBJ means anything, so a
// character beyond the first 65,536 may come out as two.
std::string decoded(std::string_view bytes) {
    std::string text;
    const bool big = bytes.starts_with("\xFE\xFF"), little = bytes.starts_with("\xFF\xFE");
    if (big || little) {
        for (std::size_t at = 2; at + 1 < bytes.size(); at += 2) {
            const auto high = static_cast<uint8_t>(bytes[at + (big ? 0 : 1)]);
            const auto low = static_cast<uint8_t>(bytes[at + (big ? 1 : 0)]);
            appendUtf8(uint32_t{high} << 8 | low, text);
        }
    } else {
        text = bytes.substr(bytes.starts_with("\xEF\xBB\xBF") ? 3 : 0);
    }
    std::string lines;
    lines.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r')
            lines += text[i];
        else if (i + 1 >= text.size() || text[i + 1] != '\n')
            lines += '\n';
    }
    return lines;
}

std::vector<std::string_view> wordsOf(std::string_view line) {
    std::vector<std::string_view> words;
    for (std::size_t at = 0; at < line.size();) {
        const std::size_t start = line.find_first_not_of(" \t", at);
        if (start == std::string_view::npos) break;
        const std::size_t end = std::min(line.find_first_of(" \t", start), line.size());
        words.push_back(line.substr(start, end - start));
        at = end;
    }
    return words;
}

// The first three words after `v` must start with a finite number, as PLY and glTF require;
// the library would take "inf", "nan" or "x" as 0.
bool checkCoordinates(const std::vector<std::string_view>& words, std::size_t line, std::string& error) {
    for (std::size_t k = 1; k < words.size() && k <= 3; ++k) {
        const std::string word(words[k]);
        char* end = nullptr;
        const double value = std::strtod(word.c_str(), &end);
        if (end != word.c_str() && std::isfinite(value)) continue;
        error =
            "line " + std::to_string(line) + ": the coordinate \"" + word.substr(0, 24) + "\" is not a finite number";
        return false;
    }
    return true;
}

// "7//", "7/2/" name vertex 7 and nothing else: the empty fields go, which the library reads as 0.
std::string_view trimmedCorner(std::string_view corner) {
    while (corner.size() > 1 && corner.back() == '/') corner.remove_suffix(1);
    return corner;
}

// A corner's vertex from 0: numbers count from 1, negative ones back from the last vertex so far.
uint32_t vertexOfCorner(std::string_view corner, std::size_t verticesSoFar) {
    constexpr uint32_t none = std::numeric_limits<uint32_t>::max();
    const long number = std::strtol(std::string(corner.substr(0, corner.find('/'))).c_str(), nullptr, 10);
    if (number > 0 && static_cast<unsigned long>(number) <= verticesSoFar) return static_cast<uint32_t>(number - 1);
    if (number < 0 && static_cast<unsigned long>(-number) <= verticesSoFar)
        return static_cast<uint32_t>(static_cast<long>(verticesSoFar) + number);
    return none;
}

struct Counts {
    std::size_t line = 0, vertices = 0, faces = 0;
};

// One record, continued lines joined; returns the text the library is given for it.
bool plainRecord(std::string_view record, Counts& counts, ObjText& out, std::string& error) {
    const std::vector<std::string_view> words = wordsOf(record);
    if (words.empty()) return true;
    if (words[0] == "v") {
        ++counts.vertices;
        if (!checkCoordinates(words, counts.line, error)) return false;
    }
    if (words[0] != "f" && words[0] != "l") {
        out.text.append(record).append("\n");
        return true;
    }
    if (words[0] == "f" && words.size() - 1 > objLibraryCorners) {
        ExchangeFace face{{}, 0};
        for (std::size_t k = 1; k < words.size(); ++k)
            face.corners.push_back(vertexOfCorner(words[k], counts.vertices));
        out.longFaces.push_back({counts.faces++, std::move(face)});
        out.text.append("\n");
        return true;
    }
    // The library drops faces of fewer than three corners: two make a line, as in PLY, and one
    // names a vertex, as a point record does.
    std::string line(words[0] != "f" ? "l" : words.size() == 3 ? "l" : words.size() == 2 ? "p" : "f");
    if (line == "f") ++counts.faces;
    for (std::size_t k = 1; k < words.size(); ++k) line.append(" ").append(trimmedCorner(words[k]));
    out.text.append(line).append("\n");
    return true;
}

}  // namespace

bool plainObjText(std::string_view bytes, ObjText& out, std::string& error) {
    out = {};
    const std::string text = decoded(bytes);
    out.text.reserve(text.size());
    Counts counts;
    std::string record;
    std::size_t firstLine = 0;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        std::string_view line = std::string_view(text).substr(at, end - at);
        at = end + 1;
        if (record.empty()) firstLine = counts.line + 1;
        ++counts.line;
        // A backslash at the end continues the record on the next line.
        if (line.ends_with('\\') && !line.starts_with('#')) {
            record.append(line.substr(0, line.size() - 1)).append(" ");
            continue;
        }
        record.append(line);
        const std::size_t last = counts.line;
        counts.line = firstLine;
        if (!plainRecord(record, counts, out, error)) return false;
        counts.line = last;
        record.clear();
    }
    if (!record.empty()) return plainRecord(record, counts, out, error);
    return true;
}

}  // namespace vx
