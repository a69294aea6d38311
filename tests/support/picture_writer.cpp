// The only test file that speaks to the picture encoding library.
#include "support/picture_writer.h"

#include <cstdint>
#include <vector>

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wall"
#pragma GCC diagnostic ignored "-Wextra"
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#include <stb/stb_image_write.h>
#pragma GCC diagnostic pop

namespace vx::test {
namespace {

std::vector<unsigned char> samples(const Picture& picture, int channels) {
    std::vector<unsigned char> bytes;
    for (const uint32_t pixel : picture.pixels) {
        bytes.push_back(static_cast<unsigned char>(pixel >> 16));
        bytes.push_back(static_cast<unsigned char>(pixel >> 8));
        bytes.push_back(static_cast<unsigned char>(pixel));
        if (channels == 4) bytes.push_back(static_cast<unsigned char>(pixel));
    }
    return bytes;
}

}  // namespace

bool writePng(const std::string& path, const Picture& picture, bool withAlpha) {
    const int channels = withAlpha ? 4 : 3;
    const std::vector<unsigned char> bytes = samples(picture, channels);
    return stbi_write_png(path.c_str(), picture.width, picture.height, channels, bytes.data(),
                          picture.width * channels) != 0;
}

bool writeJpeg(const std::string& path, const Picture& picture, int quality) {
    const std::vector<unsigned char> bytes = samples(picture, 3);
    return stbi_write_jpg(path.c_str(), picture.width, picture.height, 3, bytes.data(), quality) != 0;
}

}  // namespace vx::test
