// Reading the exchange formats (OBJ, STL, PLY, glTF/GLB, OFF ...) into an ExchangeMesh.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "io/exchange_mesh.h"

namespace vx {

// Every mesh of the file, merged, with node transforms applied. False with a one-line reason
// when the file cannot be read; the mesh is then empty.
bool importMeshFile(const std::string& path, ExchangeMesh& mesh, std::string& error);

// The same from bytes in memory; formatHint is the file extension without its dot.
bool importMeshBytes(const uint8_t* data, std::size_t size, const std::string& formatHint, ExchangeMesh& mesh,
                     std::string& error);

}  // namespace vx
