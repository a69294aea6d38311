// Reading another program's model: the whole file read into memory once, its format recognised,
// and the bytes handed to the reader the format table names.
#include "io/exchange/mesh_import.h"

#include <filesystem>
#include <fstream>
#include <string_view>

#include "io/byte_order.h"
#include "io/exchange/readers.h"
#include "io/exchange/recognition.h"

namespace vx {
namespace {

// Larger files are refused before they are read: no model the editor can take needs that much.
constexpr uint64_t maxImportBytes = uint64_t{512} << 20;

// The folder the model's file is really in: "..", "." and symbolic links resolved, so that its
// companions are found however the model was named, and only there.
std::string folderOf(const std::string& path) {
    std::error_code failure;
    const std::filesystem::path real = std::filesystem::weakly_canonical(path, failure);
    if (!failure && real.has_parent_path()) return real.parent_path().string();
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

// The importer library picks its reader by extension: a format the content named is passed as
// its own, and only the formats known by name alone keep the file's.
std::string readerExtension(const FormatRow& row, const std::string& extension) {
    return row.format == ModelFormat::importer ? extension : std::string(row.extensions);
}

bool importRecognized(const MeshSource& source, const FormatRow& row, ExchangeMesh& mesh, std::string& error) {
    mesh = {};
    if (!row.reader(source, mesh, error)) {
        mesh = {};
        if (error.empty()) error = "not a readable model";
        return false;
    }
    return true;
}

bool importBytes(std::string_view bytes, const std::string& extension, const std::string& folder, ExchangeMesh& mesh,
                 std::string& error) {
    mesh = {};
    const ModelFormat format = recognizeModel(bytes.substr(0, recognitionHeadBytes), bytes.size(), extension);
    const FormatRow* row = formatRow(format);
    if (row == nullptr || row->reader == nullptr) {
        error = format == ModelFormat::vx ? "a vxedit model, not an exchange format"
                                          : "unknown model format (vxtool reads " + recognisedExtensions() + ", and " +
                                                importerFormatList + ")";
        return false;
    }
    if (format == ModelFormat::glb && !glbLengthsFit(bytes)) {
        error = "the GLB header's lengths do not match the file";
        return false;
    }
    const MeshSource source{reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), folder,
                            readerExtension(*row, extension)};
    return importRecognized(source, *row, mesh, error);
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

bool importMeshFile(const std::string& path, ExchangeMesh& mesh, std::string& error) {
    mesh = {};
    std::string bytes;
    if (!readWhole(path, bytes, error)) return false;
    return importBytes(bytes, extensionOfPath(path), folderOf(path), mesh, error);
}

bool importMeshBytes(const uint8_t* data, std::size_t size, const std::string& extension, ExchangeMesh& mesh,
                     std::string& error) {
    return importBytes(std::string_view(reinterpret_cast<const char*>(data), size), lowerCase(extension), "", mesh,
                       error);
}

}  // namespace vx
