// The one file that speaks to the PNG encoder library.
#include <vector>

#include "io/picture/picture_writer.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#include <stb/stb_image_write.h>

namespace vx {
namespace {

void appendTo(void* context, void* data, int size) {
    static_cast<std::string*>(context)->append(static_cast<const char*>(data), static_cast<std::size_t>(size));
}

}  // namespace

std::string encodePng(const uint32_t* pixels, int32_t width, int32_t height) {
    std::vector<uint8_t> rgb(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3);
    for (std::size_t i = 0; i < rgb.size() / 3; ++i) {
        rgb[3 * i] = static_cast<uint8_t>(pixels[i] >> 16);
        rgb[3 * i + 1] = static_cast<uint8_t>(pixels[i] >> 8);
        rgb[3 * i + 2] = static_cast<uint8_t>(pixels[i]);
    }
    // Rendered frames are mostly flat colour: light compression is nearly as small and much faster.
    stbi_write_png_compression_level = 2;
    std::string out;
    if (!stbi_write_png_to_func(appendTo, &out, width, height, 3, rgb.data(), width * 3)) return {};
    return out;
}

}  // namespace vx
