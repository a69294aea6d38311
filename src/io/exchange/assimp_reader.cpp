// The one file that speaks to the importer library: its scene becomes an ExchangeMesh here. It
// reads the formats no other reader here takes (STL, OFF, 3DS, Collada ...), whose vertices it
// rebuilds face by face: welding them is left to the conversion.

#include <assimp/postprocess.h>
#include <assimp/scene.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <assimp/IOStream.hpp>
#include <assimp/IOSystem.hpp>
#include <assimp/Importer.hpp>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <new>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "io/byte_order.h"
#include "io/exchange/readers.h"

namespace vx {
namespace {

// Node transforms are baked in; corners are neither shared nor split by the library, so that
// welding stays ours and a quad stays a quad. The structure check rejects indices out of range.
constexpr unsigned int readFlags = aiProcess_PreTransformVertices | aiProcess_ValidateDataStructure;

// A face of a line-only mesh with more than two indices is a polyline.
void addLineFace(const aiFace& face, uint32_t base, ExchangeMesh& mesh) {
    for (unsigned int k = 0; k + 1 < face.mNumIndices; ++k)
        mesh.lines.push_back({base + face.mIndices[k], base + face.mIndices[k + 1]});
}

// A point names a vertex the mesh holds already.
void addFace(const aiFace& face, uint32_t base, bool lineMesh, ExchangeMesh& mesh) {
    if (face.mNumIndices == 2 || (lineMesh && face.mNumIndices > 2)) {
        addLineFace(face, base, mesh);
    } else if (face.mNumIndices > 2) {
        ExchangeFace out{{}, 0, noColour};
        out.corners.reserve(face.mNumIndices);
        for (unsigned int k = 0; k < face.mNumIndices; ++k) out.corners.push_back(base + face.mIndices[k]);
        mesh.faces.push_back(std::move(out));
    }
}

// The library gives most formats a default material of its own whose two-sided setting means
// nothing: every face comes in one-sided.
bool addMesh(const aiMesh& source, ExchangeMesh& mesh, std::string& error) {
    if (!source.mVertices && source.mNumVertices > 0) {
        error = "a mesh has no vertex positions";
        return false;
    }
    const auto base = static_cast<uint32_t>(mesh.points.size());
    if (source.mNormals) mesh.leftOut.normals += source.mNumVertices;
    if (source.mTextureCoords[0]) mesh.leftOut.textureCoordinates += source.mNumVertices;
    mesh.leftOut.morphTargets += source.mNumAnimMeshes;
    for (unsigned int i = 0; i < source.mNumVertices; ++i) {
        const aiVector3D& p = source.mVertices[i];
        if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) {
            error = "a vertex position is not a finite number";
            return false;
        }
        mesh.points.push_back({p.x, p.y, p.z});
    }
    const bool lineMesh = source.mPrimitiveTypes == aiPrimitiveType_LINE;
    for (unsigned int f = 0; f < source.mNumFaces; ++f) {
        const aiFace& face = source.mFaces[f];
        for (unsigned int k = 0; k < face.mNumIndices; ++k)
            if (face.mIndices[k] >= source.mNumVertices) {
                error = "a face names a vertex the mesh does not have";
                return false;
            }
        addFace(face, base, lineMesh, mesh);
    }
    return true;
}

// The library's messages name its own structures ("aiMesh::mFaces[3].mIndices is nullptr") when
// its check of what it read fails: the user is told what that means for the file instead.
std::string inOurWords(const std::string& message) {
    if (message == "std::bad_alloc") return "the file asks for more memory than any model needs";
    if (message.empty()) return "not a readable model";
    for (const char* internal : {"::", "ai", "nullptr", "mNum", "mIndices", "mFaces", "mVertices", "mMeshes"}) {
        const std::size_t at = message.find(internal);
        if (at == std::string::npos) continue;
        const bool named = std::string_view(internal) != "ai" ||
                           (at + 2 < message.size() && std::isupper(static_cast<unsigned char>(message[at + 2])));
        if (named) return "the importer found the file's faces or vertices inconsistent after reading it";
    }
    return message.substr(0, message.find('\n'));
}

bool takeScene(const aiScene* scene, const Assimp::Importer& importer, ExchangeMesh& mesh, std::string& error) {
    mesh = {};
    if (!scene) {
        error = inOurWords(importer.GetErrorString());
        return false;
    }
    if (scene->mFlags & AI_SCENE_FLAGS_INCOMPLETE) {
        error = "the file holds no complete model";
        return false;
    }
    for (unsigned int m = 0; m < scene->mNumMeshes; ++m) {
        if (!scene->mMeshes[m] || !addMesh(*scene->mMeshes[m], mesh, error)) {
            if (error.empty()) error = "a mesh is missing";
            mesh = {};
            return false;
        }
    }
    mesh.leftOut.meshes = scene->mNumMeshes;
    mesh.leftOut.animations = scene->mNumAnimations;
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

// A file a model names is read only when it is a regular file itself (no symbolic link, which
// could lead anywhere) in the model's own folder.
bool plainCompanion(const std::string& name, const std::string& mainName) {
    const std::size_t slash = mainName.rfind('/');
    if (slash == std::string::npos || name.compare(0, slash + 1, mainName, 0, slash + 1) != 0) return false;
    if (name.find('/', slash + 1) != std::string::npos) return false;
    struct stat info {};
    return ::lstat(name.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// Serves the model itself from memory and, for a model read from disk, the files it names (a
// glTF's buffers) from their folder.
class BudgetedFiles : public Assimp::IOSystem {
public:
    BudgetedFiles(std::string mainName, std::vector<char> mainBytes, bool diskAllowed)
        : mainName_(std::move(mainName)), mainBytes_(std::move(mainBytes)), diskAllowed_(diskAllowed) {}

    bool Exists(const char* name) const override {
        return name == mainName_ || (diskAllowed_ && plainCompanion(name, mainName_));
    }
    char getOsSeparator() const override { return '/'; }
    Assimp::IOStream* Open(const char* name, const char* mode) override {
        if (mode && std::strchr(mode, 'w')) return nullptr;
        std::vector<char> bytes;
        if (name == mainName_) {
            bytes = mainBytes_;
        } else if (!diskAllowed_ || !plainCompanion(name, mainName_) || !readWhole(name, bytes)) {
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
bool guardedImport(const std::string& mainName, std::vector<char> bytes, bool diskAllowed, ExchangeMesh& mesh,
                   std::string& error) {
    try {
        Assimp::Importer importer;
        importer.SetIOHandler(new BudgetedFiles(mainName, std::move(bytes), diskAllowed));  // the importer owns it
        if (takeScene(importer.ReadFile(mainName, readFlags), importer, mesh, error)) return true;
        // The library names the file by the name it was given here, which the user never saw.
        for (std::size_t at; (at = error.find(mainName)) != std::string::npos;)
            error.replace(at, mainName.size(), "the file");
    } catch (const std::bad_alloc&) {
        error = "the file asks for more memory than any model needs";
    } catch (const std::exception& e) {
        error = inOurWords(e.what());
    }
    mesh = {};
    return false;
}

// The library's STL reader knows the keywords of a text STL in lower case only, while the format
// allows any case ("SOLID", "FACET NORMAL"). A text STL holds nothing else that case changes: its
// name is not kept and its numbers read the same. A binary STL, told by its exact size, is left
// alone even when its header starts with "solid".
bool binaryStl(const std::vector<char>& bytes) {
    if (bytes.size() < 84) return false;
    const uint64_t triangles = getLe32(reinterpret_cast<const uint8_t*>(bytes.data()) + 80);
    return bytes.size() == 84 + 50 * triangles;
}

void lowerTextStlKeywords(std::vector<char>& bytes) {
    for (char& c : bytes) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

// A text STL may hold several solids, some of them empty; the library makes an empty mesh of
// each, which its own check then refuses. The empty ones are dropped: they hold nothing.
void dropEmptySolids(std::vector<char>& bytes) {
    std::vector<char> kept;
    kept.reserve(bytes.size());
    std::size_t solidStart = 0;
    bool facets = false;
    for (std::size_t at = 0; at < bytes.size();) {
        std::size_t end = at;
        while (end < bytes.size() && bytes[end] != '\n') ++end;
        const std::string_view line = std::string_view(bytes.data() + at, end - at);
        const std::string_view word = line.substr(std::min(line.find_first_not_of(" \t\r"), line.size()));
        if (word.starts_with("solid")) {
            solidStart = kept.size();
            facets = false;
        }
        facets = facets || word.starts_with("facet");
        kept.insert(kept.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at),
                    bytes.begin() + static_cast<std::ptrdiff_t>(std::min(end + 1, bytes.size())));
        if (word.starts_with("endsolid") && !facets) kept.resize(solidStart);
        at = end + 1;
    }
    bytes = std::move(kept);
}

}  // namespace

// The library picks its reader by the name's extension: the name it is given carries the one
// the content was recognised as, in the model's folder so that files it names are found.
bool readAssimpMesh(const MeshSource& source, ExchangeMesh& mesh, std::string& error) {
    const bool disk = !source.folder.empty();
    const std::string mainName = (disk ? source.folder + "/vxtool-import." : "memory.") + source.extension;
    const auto* bytes = reinterpret_cast<const char*>(source.data);
    std::vector<char> copy(bytes, bytes + source.size);
    if (source.extension == "stl" && !binaryStl(copy)) {
        lowerTextStlKeywords(copy);
        dropEmptySolids(copy);
    }
    return guardedImport(mainName, std::move(copy), disk, mesh, error);
}

}  // namespace vx
