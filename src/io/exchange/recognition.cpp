// Recognising a model file's format: the table's first bytes, then its weaker signs of content,
// with the name breaking ties.
#include "io/exchange/recognition.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "io/byte_order.h"

namespace vx {
namespace {

bool startsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

std::string_view trimmedStart(std::string_view text) {
    const std::size_t start = text.find_first_not_of(" \t\r\n");
    return start == std::string_view::npos ? std::string_view{} : text.substr(start);
}

// Binary STL: an 80-byte header, a triangle count, and 50 bytes for each triangle, nothing more.
bool binaryStlSize(std::string_view head, uint64_t fileSize) {
    if (head.size() < 84) return false;
    const uint64_t triangles = getLe32(reinterpret_cast<const uint8_t*>(head.data()) + 80);
    return fileSize == 84 + 50 * triangles;
}

// The keyword in any case: some programs write "SOLID" and "FACET NORMAL".
bool asciiStl(std::string_view head) {
    const std::string_view text = trimmedStart(head);
    if (text.size() < 5) return false;
    for (std::size_t i = 0; i < 5; ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != "solid"[i]) return false;
    return text.size() == 5 || std::isspace(static_cast<unsigned char>(text[5]));
}

std::string_view firstWord(std::string_view line) {
    const std::string_view text = trimmedStart(line);
    return text.substr(0, std::min(text.find_first_of(" \t\r"), text.size()));
}

bool objKeyword(std::string_view word) {
    static constexpr std::string_view keywords[] = {
        "v",         "vt",     "vn",     "vp",     "f",     "l",     "p",     "o",        "g",       "s",
        "usemtl",    "mtllib", "cstype", "deg",    "curv",  "curv2", "surf",  "parm",     "trim",    "hole",
        "scrv",      "sp",     "end",    "con",    "bmat",  "step",  "mg",    "call",     "csh",     "shadow_obj",
        "trace_obj", "lod",    "maplib", "usemap", "ctech", "stech", "bevel", "c_interp", "d_interp"};
    return std::find(std::begin(keywords), std::end(keywords), word) != std::end(keywords);
}

bool extensionListed(std::string_view list, std::string_view extension) {
    for (std::size_t at = 0; at < list.size();) {
        const std::size_t end = std::min(list.find(',', at), list.size());
        if (list.substr(at, end - at) == extension) return true;
        at = list.find_first_not_of(", ", end);
    }
    return false;
}

// A row whose first bytes the file starts with: those name the format whatever follows.
const FormatRow* markedFormat(std::string_view head) {
    for (const FormatRow& row : modelFormats())
        for (std::string_view mark : row.firstBytes)
            if (!mark.empty() && startsWith(head, mark)) return &row;
    return nullptr;
}

}  // namespace

bool looksLikeStl(std::string_view head, uint64_t fileSize) { return binaryStlSize(head, fileSize) || asciiStl(head); }

bool looksLikeGltfJson(std::string_view head, uint64_t) {
    return startsWith(trimmedStart(head), "{") && head.find("\"asset\"") != head.npos;
}

// OFF and its variants name themselves on their first line: OFF, COFF, NOFF, STOFF, 4OFF ...
bool looksLikeOff(std::string_view head, uint64_t) {
    const std::string_view word = firstWord(head.substr(0, head.find('\n')));
    return word.size() >= 3 && word.size() <= 8 && word.substr(word.size() - 3) == "OFF" &&
           std::all_of(word.begin(), word.end(), [](char c) { return std::isalnum(static_cast<unsigned char>(c)); });
}

// Text whose every record (comments and blank lines aside) starts with an OBJ keyword; a line
// the head cuts off is not judged.
bool looksLikeObj(std::string_view head, uint64_t fileSize) {
    if (head.size() < fileSize) head = head.substr(0, head.rfind('\n') == head.npos ? 0 : head.rfind('\n'));
    bool any = false;
    for (std::size_t at = 0; at < head.size();) {
        const std::size_t end = std::min(head.find('\n', at), head.size());
        const std::string_view line = trimmedStart(head.substr(at, end - at));
        at = end + 1;
        if (line.empty() || line[0] == '#') continue;
        if (!objKeyword(firstWord(line))) return false;
        any = true;
    }
    return any;
}

const FormatRow* formatOfExtension(std::string_view extension) {
    for (const FormatRow& row : modelFormats())
        if (extensionListed(row.extensions, extension)) return &row;
    return nullptr;
}

ModelFormat recognizeModel(std::string_view head, uint64_t fileSize, std::string_view extension) {
    if (const FormatRow* marked = markedFormat(head)) return marked->format;
    const FormatRow* namedRow = formatOfExtension(extension);
    const ModelFormat named = namedRow ? namedRow->format : ModelFormat::unknown;
    const FormatRow* likeliest = nullptr;
    for (const FormatRow& row : modelFormats()) {
        if (row.looksLike == nullptr || !row.looksLike(head, fileSize)) continue;
        if (row.format == named) return named;
        if (likeliest == nullptr || row.contentRank < likeliest->contentRank) likeliest = &row;
    }
    return likeliest ? likeliest->format : named;
}

ModelFormat recognizeModelFile(const std::string& path) {
    std::error_code failure;  // a pipe is no model, and opening it would wait for a writer
    if (std::filesystem::exists(path, failure) && !std::filesystem::is_regular_file(path, failure))
        return ModelFormat::unknown;
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) return ModelFormat::unknown;
    const auto size = static_cast<uint64_t>(in.tellg());
    in.seekg(0);
    std::string head(static_cast<std::size_t>(std::min<uint64_t>(size, recognitionHeadBytes)), '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<std::size_t>(in.gcount()));
    return recognizeModel(head, size, extensionOfPath(path));
}

std::string lowerCase(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

std::string extensionOfPath(const std::string& path) {
    const std::size_t dot = path.find_last_of('.');
    const std::size_t slash = path.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    return lowerCase(path.substr(dot + 1));
}

}  // namespace vx
