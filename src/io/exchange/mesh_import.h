// Reading model files of other programs into an ExchangeMesh, each by the reader of the format its
// content shows, whatever its name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "io/exchange/exchange_mesh.h"

namespace vx {

// Every mesh of the file, merged, with node transforms applied. False with a one-line reason
// when the file cannot be read; the mesh is then empty.
bool importMeshFile(const std::string& path, ExchangeMesh& mesh, std::string& error);

// The same from bytes in memory; extension breaks ties as above, and no other file is read.
bool importMeshBytes(const uint8_t* data, std::size_t size, const std::string& extension, ExchangeMesh& mesh,
                     std::string& error);

}  // namespace vx
