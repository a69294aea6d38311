// The readers behind importMeshFile, one per library or format; each fills an ExchangeMesh from
// the whole file in memory and returns false with a one-line reason when it cannot.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "io/exchange/exchange_mesh.h"

namespace vx {

// A file's bytes, and the folder its companion files (a glTF's buffers) are read from; empty
// when the file came from memory and may name no other.
struct MeshSource {
    const uint8_t* data;
    std::size_t size;
    std::string folder;
    std::string extension;  // lower case, no dot: how the importer library picks its reader
};

using MeshReader = bool (*)(const MeshSource& source, ExchangeMesh& mesh, std::string& error);

bool readObjMesh(const MeshSource& source, ExchangeMesh& mesh, std::string& error);     // tinyobjloader
bool readGltfMesh(const MeshSource& source, ExchangeMesh& mesh, std::string& error);    // tinygltf, .gltf and .glb
bool readPlyMesh(const MeshSource& source, ExchangeMesh& mesh, std::string& error);     // our own
bool readOffMesh(const MeshSource& source, ExchangeMesh& mesh, std::string& error);     // our own, text OFF
bool readAssimpMesh(const MeshSource& source, ExchangeMesh& mesh, std::string& error);  // STL and the rest

}  // namespace vx
