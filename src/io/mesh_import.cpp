// Which reader takes a file: its format recognised from its first bytes, then the whole file read
// into memory once and handed to that reader.
#include "io/mesh_import.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "io/byte_order.h"
#include "io/mesh_readers.h"

namespace vx {

// Named one by one: the library knows more, but a hostile file should meet only importers the
// import fuzzer feeds.
const char* const importerFormatList =
    "3ds, ac, ase, b3d, dae, dxf, fbx, irrmesh, lwo, lws, md2, md3, ms3d, nff, x, xgl";

namespace {

// Larger files are refused before they are read: no model the editor can take needs that much.
constexpr uint64_t maxImportBytes = uint64_t{512} << 20;
constexpr std::size_t headBytes = 65536;

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

bool gltfJson(std::string_view head) {
    return startsWith(trimmedStart(head), "{") && head.find("\"asset\"") != head.npos;
}

std::string_view firstWord(std::string_view line) {
    const std::string_view text = trimmedStart(line);
    return text.substr(0, std::min(text.find_first_of(" \t\r"), text.size()));
}

// OFF and its variants name themselves on their first line: OFF, COFF, NOFF, STOFF, 4OFF ...
bool offHeader(std::string_view head) {
    const std::string_view word = firstWord(head.substr(0, head.find('\n')));
    return word.size() >= 3 && word.size() <= 8 && word.substr(word.size() - 3) == "OFF" &&
           std::all_of(word.begin(), word.end(), [](char c) { return std::isalnum(static_cast<unsigned char>(c)); });
}

bool objKeyword(std::string_view word) {
    static constexpr std::string_view keywords[] = {
        "v",         "vt",     "vn",     "vp",     "f",     "l",     "p",     "o",        "g",       "s",
        "usemtl",    "mtllib", "cstype", "deg",    "curv",  "curv2", "surf",  "parm",     "trim",    "hole",
        "scrv",      "sp",     "end",    "con",    "bmat",  "step",  "mg",    "call",     "csh",     "shadow_obj",
        "trace_obj", "lod",    "maplib", "usemap", "ctech", "stech", "bevel", "c_interp", "d_interp"};
    return std::find(std::begin(keywords), std::end(keywords), word) != std::end(keywords);
}

// Text whose every record (comments and blank lines aside) starts with an OBJ keyword; a line
// the head cuts off is not judged.
bool objRecords(std::string_view head, uint64_t fileSize) {
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

ModelFormat byExtension(std::string_view extension) {
    struct Named {
        std::string_view extension;
        ModelFormat format;
    };
    static constexpr Named names[] = {{"vx", ModelFormat::vx},   {"obj", ModelFormat::obj},   {"ply", ModelFormat::ply},
                                      {"stl", ModelFormat::stl}, {"gltf", ModelFormat::gltf}, {"glb", ModelFormat::glb},
                                      {"off", ModelFormat::off}};
    for (const Named& n : names)
        if (n.extension == extension) return n.format;
    const std::string_view list = importerFormatList;
    for (std::size_t at = 0; at < list.size();) {
        const std::size_t end = std::min(list.find(',', at), list.size());
        if (list.substr(at, end - at) == extension) return ModelFormat::importer;
        at = list.find_first_not_of(", ", end);
    }
    return ModelFormat::unknown;
}

std::string lowerCase(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

std::string extensionOf(const std::string& path) {
    const std::size_t dot = path.find_last_of('.');
    const std::size_t slash = path.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    return lowerCase(path.substr(dot + 1));
}

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

// The binary glTF readers trust the lengths of the header and of the chunks; they must match the
// file. The binary chunk's data starts 8 bytes after its own length field, which the library
// forgets when it checks that length, and would read past the file's end by up to 8 bytes.
bool glbLengthsFit(std::string_view bytes) {
    const auto* at = reinterpret_cast<const uint8_t*>(bytes.data());
    if (bytes.size() < 20 || getLe32(at + 8) != bytes.size()) return false;
    const uint64_t jsonEnd = 20 + uint64_t{getLe32(at + 12)};
    if (jsonEnd > bytes.size()) return false;
    if (bytes.size() - jsonEnd < 8) return true;  // no binary chunk, which the readers refuse themselves
    return getLe32(at + jsonEnd) <= bytes.size() - jsonEnd - 8;
}

const char* extensionFor(ModelFormat format, const std::string& extension) {
    switch (format) {
        case ModelFormat::stl:
            return "stl";
        case ModelFormat::off:
            return "off";
        default:
            return extension.c_str();
    }
}

bool importRecognized(const MeshSource& source, ModelFormat format, ExchangeMesh& mesh, std::string& error) {
    mesh = {};
    bool read = false;
    if (format == ModelFormat::obj)
        read = readObjMesh(source, mesh, error);
    else if (format == ModelFormat::ply)
        read = readPlyMesh(source, mesh, error);
    else if (format == ModelFormat::gltf || format == ModelFormat::glb)
        read = readGltfMesh(source, mesh, error);
    else
        read = readAssimpMesh(source, mesh, error);
    if (!read) {
        mesh = {};
        if (error.empty()) error = "not a readable model";
    }
    return read;
}

bool importBytes(std::string_view bytes, const std::string& extension, const std::string& folder, ExchangeMesh& mesh,
                 std::string& error) {
    mesh = {};
    const ModelFormat format = recognizeModel(bytes.substr(0, headBytes), bytes.size(), extension);
    if (format == ModelFormat::unknown || format == ModelFormat::vx) {
        error = format == ModelFormat::vx ? "a vxedit model, not an exchange format"
                                          : std::string(
                                                "unknown model format (vxtool reads .vx, .obj, .ply, .gltf, "
                                                ".glb, .stl, .off, and ") +
                                                importerFormatList + ")";
        return false;
    }
    if (format == ModelFormat::glb && !glbLengthsFit(bytes)) {
        error = "the GLB header's lengths do not match the file";
        return false;
    }
    const MeshSource source{reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), folder,
                            extensionFor(format, extension)};
    return importRecognized(source, format, mesh, error);
}

bool readWhole(const std::string& path, std::string& bytes, std::string& error) {
    std::error_code failure;
    if (std::filesystem::exists(path, failure) && !std::filesystem::is_regular_file(path, failure)) {
        error = "not a file";
        return false;
    }
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) {
        error = "cannot be opened";
        return false;
    }
    const auto size = static_cast<uint64_t>(in.tellg());
    if (size > maxImportBytes) {
        error = "larger than any model vxtool reads (" + std::to_string(maxImportBytes >> 20) + " MiB)";
        return false;
    }
    in.seekg(0);
    bytes.resize(static_cast<std::size_t>(size));
    in.read(bytes.data(), static_cast<std::streamsize>(size));
    if (static_cast<uint64_t>(in.gcount()) != size) {
        error = "cannot be read";
        return false;
    }
    return true;
}

}  // namespace

ModelFormat recognizeModel(std::string_view head, uint64_t fileSize, std::string_view extension) {
    if (startsWith(head, "VTXF")) return ModelFormat::vx;
    if (startsWith(head, "glTF")) return ModelFormat::glb;
    if (startsWith(head, "ply\n") || startsWith(head, "ply\r\n")) return ModelFormat::ply;
    std::vector<ModelFormat> candidates;
    if (binaryStlSize(head, fileSize) || asciiStl(head)) candidates.push_back(ModelFormat::stl);
    if (gltfJson(head)) candidates.push_back(ModelFormat::gltf);
    if (offHeader(head)) candidates.push_back(ModelFormat::off);
    if (objRecords(head, fileSize)) candidates.push_back(ModelFormat::obj);
    const ModelFormat named = byExtension(extension);
    if (candidates.empty()) return named;
    if (std::find(candidates.begin(), candidates.end(), named) != candidates.end()) return named;
    return candidates.front();
}

ModelFormat recognizeModelFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) return ModelFormat::unknown;
    const auto size = static_cast<uint64_t>(in.tellg());
    in.seekg(0);
    std::string head(static_cast<std::size_t>(std::min<uint64_t>(size, headBytes)), '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<std::size_t>(in.gcount()));
    return recognizeModel(head, size, extensionOf(path));
}

bool importMeshFile(const std::string& path, ExchangeMesh& mesh, std::string& error) {
    mesh = {};
    std::string bytes;
    if (!readWhole(path, bytes, error)) return false;
    return importBytes(bytes, extensionOf(path), folderOf(path), mesh, error);
}

bool importMeshBytes(const uint8_t* data, std::size_t size, const std::string& extension, ExchangeMesh& mesh,
                     std::string& error) {
    return importBytes(std::string_view(reinterpret_cast<const char*>(data), size), lowerCase(extension), "", mesh,
                       error);
}

}  // namespace vx
