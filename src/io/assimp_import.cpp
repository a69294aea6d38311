// The one file that speaks to the importer library: its scene becomes an ExchangeMesh here.
#include "io/assimp_import.h"

#include <assimp/material.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <algorithm>
#include <assimp/IOStream.hpp>
#include <assimp/IOSystem.hpp>
#include <assimp/Importer.hpp>
#include <cctype>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <new>
#include <stdexcept>
#include <vector>

namespace vx {
namespace {

// Node transforms are baked in; corners are neither shared nor split by the library, so that
// welding stays ours and a quad stays a quad. The structure check rejects indices out of range.
constexpr unsigned int readFlags = aiProcess_PreTransformVertices | aiProcess_ValidateDataStructure;

// The formats named for import. Others the library knows are refused, so that a hostile file
// meets only importers that are exercised here.
std::string lowerCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

bool knownFormat(const std::string& hint) {
    for (const char* known : {"obj", "stl", "ply", "gltf", "glb", "off"})
        if (hint == known) return true;
    return false;
}

std::string extensionOf(const std::string& path) {
    const std::size_t dot = path.find_last_of('.');
    const std::size_t slash = path.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    return path.substr(dot + 1);
}

// Screens against faults of the library seen with hostile files, applied to the first bytes of
// the file (by content, as the library itself picks its reader) before the library sees it.
constexpr std::size_t headerWindow = 65536;

// Its PLY reader loops for ever on a header with no line that is exactly "end_header".
bool hasEndHeaderLine(const std::string& head) {
    for (std::size_t at = head.find("\nend_header"); at != std::string::npos; at = head.find("\nend_header", at + 1)) {
        const std::size_t after = at + 11;
        if (after == head.size() || head[after] == '\n' || head[after] == '\r') return true;
    }
    return false;
}

uint32_t le32(const std::string& bytes, std::size_t at) {
    uint32_t value = 0;
    for (std::size_t k = 0; k < 4; ++k) value |= static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + k])) << (8 * k);
    return value;
}

// Its binary glTF reader allocates whatever length the header claims, gigabytes included.
bool glbLengthsFit(const std::string& head, std::size_t fileSize) {
    if (head.size() < 12) return false;
    if (le32(head, 8) != fileSize) return false;
    return head.size() < 20 || le32(head, 12) <= fileSize - 20;
}

bool passesScreens(const std::string& head, std::size_t fileSize, std::string& error) {
    if (head.compare(0, 3, "ply") == 0 && !hasEndHeaderLine(head)) {
        error = "the PLY header has no end_header line";
        return false;
    }
    if (head.compare(0, 4, "glTF") == 0 && !glbLengthsFit(head, fileSize)) {
        error = "the GLB header's lengths do not match the file";
        return false;
    }
    return true;
}

bool passesScreens(const std::string& path, std::string& error) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) return true;  // the library reports a file it cannot open
    const auto size = static_cast<std::size_t>(in.tellg());
    in.seekg(0);
    std::string head(std::min(size, headerWindow), '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<std::size_t>(in.gcount()));
    return passesScreens(head, size, error);
}

// Nor does it read a PLY edge element: its lines would vanish without a word.
bool plyHasEdges(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string head(headerWindow, '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<std::size_t>(in.gcount()));
    const std::string header = head.substr(0, head.find("end_header"));
    return header.compare(0, 3, "ply") == 0 && header.find("element edge ") != std::string::npos &&
           header.find("element edge 0\n") == std::string::npos;
}

bool twoSidedMaterial(const aiScene& scene, unsigned int index) {
    if (index >= scene.mNumMaterials || !scene.mMaterials[index]) return false;
    int twoSided = 0;
    return scene.mMaterials[index]->Get(AI_MATKEY_TWOSIDED, twoSided) == AI_SUCCESS && twoSided != 0;
}

// A face of a line-only mesh with more than two indices is a polyline.
void addLineFace(const aiFace& face, uint32_t base, ExchangeMesh& mesh) {
    for (unsigned int k = 0; k + 1 < face.mNumIndices; ++k)
        mesh.lines.push_back({base + face.mIndices[k], base + face.mIndices[k + 1]});
}

void addFace(const aiFace& face, uint32_t base, bool lineMesh, bool twoSided, ExchangeMesh& mesh) {
    if (face.mNumIndices == 1) {
        ++mesh.droppedPoints;
    } else if (face.mNumIndices == 2 || (lineMesh && face.mNumIndices > 2)) {
        addLineFace(face, base, mesh);
    } else if (face.mNumIndices > 2) {
        ExchangeFace out{{}, twoSided};
        out.corners.reserve(face.mNumIndices);
        for (unsigned int k = 0; k < face.mNumIndices; ++k) out.corners.push_back(base + face.mIndices[k]);
        mesh.faces.push_back(std::move(out));
    }
}

// Only glTF says per material whether a face shows both sides; the library gives other formats a
// default material of its own whose two-sided setting means nothing.
bool addMesh(const aiScene& scene, const aiMesh& source, bool readSides, ExchangeMesh& mesh, std::string& error) {
    if (!source.mVertices && source.mNumVertices > 0) {
        error = "a mesh has no vertex positions";
        return false;
    }
    const auto base = static_cast<uint32_t>(mesh.points.size());
    for (unsigned int i = 0; i < source.mNumVertices; ++i) {
        const aiVector3D& p = source.mVertices[i];
        if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) {
            error = "a vertex position is not a finite number";
            return false;
        }
        mesh.points.push_back({p.x, p.y, p.z});
    }
    const bool lineMesh = source.mPrimitiveTypes == aiPrimitiveType_LINE;
    const bool twoSided = readSides && twoSidedMaterial(scene, source.mMaterialIndex);
    for (unsigned int f = 0; f < source.mNumFaces; ++f) {
        const aiFace& face = source.mFaces[f];
        for (unsigned int k = 0; k < face.mNumIndices; ++k)
            if (face.mIndices[k] >= source.mNumVertices) {
                error = "a face names a vertex the mesh does not have";
                return false;
            }
        addFace(face, base, lineMesh, twoSided, mesh);
    }
    return true;
}

bool takeScene(const aiScene* scene, const Assimp::Importer& importer, const std::string& format, ExchangeMesh& mesh,
               std::string& error) {
    const bool readSides = format == "gltf" || format == "glb";
    mesh = {};
    if (!scene) {
        error = importer.GetErrorString();
        if (error == "std::bad_alloc") error = "the file asks for more memory than any model needs";
        if (error.empty()) error = "not a readable model";
        return false;
    }
    if (scene->mFlags & AI_SCENE_FLAGS_INCOMPLETE) {
        error = "the file holds no complete model";
        return false;
    }
    for (unsigned int m = 0; m < scene->mNumMeshes; ++m) {
        if (!scene->mMeshes[m] || !addMesh(*scene, *scene->mMeshes[m], readSides, mesh, error)) {
            if (error.empty()) error = "a mesh is missing";
            mesh = {};
            return false;
        }
    }
    return true;
}

// Some damaged files send the library round a loop at the end of the file, reading and seeking
// for ever. Every file it reads is served from memory through this budget: far more reading than
// a parse of the whole file needs ends the import with an error instead of a hang.
struct ReadBudget {
    std::size_t spent = 0;
    std::size_t limit = std::size_t{16} << 20;  // plus 64 passes over every file opened
};

class BudgetedStream : public Assimp::IOStream {
public:
    BudgetedStream(std::vector<char> bytes, ReadBudget& budget) : bytes_(std::move(bytes)), budget_(budget) {}

    size_t Read(void* buffer, size_t size, size_t count) override {
        const size_t items = size == 0 ? 0 : std::min(count, (bytes_.size() - position_) / size);
        charge(items * size);
        if (items != 0) std::memcpy(buffer, bytes_.data() + position_, items * size);
        position_ += items * size;
        return items;
    }
    size_t Write(const void*, size_t, size_t) override { return 0; }
    aiReturn Seek(size_t offset, aiOrigin origin) override {
        charge(0);
        const size_t base = origin == aiOrigin_SET ? 0 : origin == aiOrigin_CUR ? position_ : bytes_.size();
        if (offset > bytes_.size() - std::min(base, bytes_.size())) return aiReturn_FAILURE;
        position_ = base + offset;
        return aiReturn_SUCCESS;
    }
    size_t Tell() const override { return position_; }
    size_t FileSize() const override { return bytes_.size(); }
    void Flush() override {}

private:
    // Each call costs something, so that endless reads of nothing run out too.
    void charge(size_t bytes) {
        budget_.spent += bytes + 64;
        if (budget_.spent > budget_.limit) throw std::runtime_error("the file sends the importer round in circles");
    }

    std::vector<char> bytes_;
    size_t position_ = 0;
    ReadBudget& budget_;
};

// Serves the model itself from memory and, for a model read from disk, the files it names (a
// glTF's buffers) from their folder.
class BudgetedFiles : public Assimp::IOSystem {
public:
    BudgetedFiles(std::string mainName, std::vector<char> mainBytes, bool diskAllowed)
        : mainName_(std::move(mainName)), mainBytes_(std::move(mainBytes)), diskAllowed_(diskAllowed) {}

    bool Exists(const char* name) const override {
        return name == mainName_ || (diskAllowed_ && std::ifstream(name, std::ios::binary).good());
    }
    char getOsSeparator() const override { return '/'; }
    Assimp::IOStream* Open(const char* name, const char* mode) override {
        if (mode && std::strchr(mode, 'w')) return nullptr;
        std::vector<char> bytes;
        if (name == mainName_) {
            bytes = mainBytes_;
        } else if (!diskAllowed_ || !readWhole(name, bytes)) {
            return nullptr;
        }
        budget_.limit += 64 * bytes.size();
        return new BudgetedStream(std::move(bytes), budget_);
    }
    void Close(Assimp::IOStream* stream) override { delete stream; }

    static bool readWhole(const std::string& name, std::vector<char>& bytes) {
        std::ifstream in(name, std::ios::binary);
        if (!in) return false;
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        return !in.bad();
    }

private:
    std::string mainName_;
    std::vector<char> mainBytes_;
    bool diskAllowed_;
    ReadBudget budget_;
};

// Runs one read through the budget and takes its scene. The importer throws on some damaged
// files, and a file that claims more memory than the capped address space holds ends in
// bad_alloc: both are refusals.
bool guardedImport(const std::string& mainName, std::vector<char> bytes, bool diskAllowed, const std::string& format,
                   ExchangeMesh& mesh, std::string& error) {
    try {
        Assimp::Importer importer;
        importer.SetIOHandler(new BudgetedFiles(mainName, std::move(bytes), diskAllowed));  // the importer owns it
        if (takeScene(importer.ReadFile(mainName, readFlags), importer, format, mesh, error)) return true;
    } catch (const std::bad_alloc&) {
        error = "the file asks for more memory than any model needs";
    } catch (const std::exception& e) {
        error = e.what();
    }
    mesh = {};
    return false;
}

}  // namespace

bool importMeshFile(const std::string& path, ExchangeMesh& mesh, std::string& error) {
    mesh = {};
    const std::string format = lowerCase(extensionOf(path));
    if (!knownFormat(format)) {
        error = "unknown model format (expected .vx, .obj, .stl, .ply, .gltf, .glb or .off)";
        return false;
    }
    if (!passesScreens(path, error)) return false;
    std::vector<char> bytes;
    if (!BudgetedFiles::readWhole(path, bytes)) {
        error = "cannot be read";
        return false;
    }
    const bool imported = guardedImport(path, std::move(bytes), true, format, mesh, error);
    if (imported) mesh.skippedPlyEdges = plyHasEdges(path);
    return imported;
}

bool importMeshBytes(const uint8_t* data, std::size_t size, const std::string& formatHint, ExchangeMesh& mesh,
                     std::string& error) {
    mesh = {};
    const std::string format = lowerCase(formatHint);
    if (!knownFormat(format)) {
        error = "unknown model format";
        return false;
    }
    const std::string head(reinterpret_cast<const char*>(data), std::min(size, headerWindow));
    if (!passesScreens(head, size, error)) return false;
    std::vector<char> bytes(reinterpret_cast<const char*>(data), reinterpret_cast<const char*>(data) + size);
    return guardedImport("memory." + format, std::move(bytes), false, format, mesh, error);
}

}  // namespace vx
