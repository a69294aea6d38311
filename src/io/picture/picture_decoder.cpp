// The only file that speaks to the picture decoding library; nothing of it leaves this file.
#include "io/picture/picture_decoder.h"

#include <cstdio>
#include <memory>
#include <string>

#include "platform/console/files.h"

// Only the formats whose files start with a signature: a format recognised by guesswork (TGA
// has none) would take a text file for a picture.
#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
#define STBI_ONLY_BMP
#define STBI_NO_LINEAR
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wall"
#pragma GCC diagnostic ignored "-Wextra"
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#include <stb/stb_image.h>
#pragma GCC diagnostic pop

namespace vx {
namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

File openForReading(const std::string& path, std::string& failure) {
    const std::string problem = regularFileProblem(path);  // a pipe would stall the reader
    if (!problem.empty()) {
        failure = problem;
        return nullptr;
    }
    File file(std::fopen(path.c_str(), "rb"));
    if (!file) failure = "cannot be opened";
    return file;
}

// The decoder's own words for its last failure, or ours when it has none.
std::string decoderFailure(const char* ours) { return stbi_failure_reason() ? stbi_failure_reason() : ours; }

struct PixelsFree {
    void operator()(unsigned char* pixels) const { stbi_image_free(pixels); }
};

}  // namespace

bool readPictureHeader(const std::string& path, PictureHeader& header, std::string& failure) {
    const File file = openForReading(path, failure);
    if (!file) return false;
    int width = 0, height = 0, channels = 0;
    if (!stbi_info_from_file(file.get(), &width, &height, &channels)) {
        failure = decoderFailure("unknown picture format");
        return false;
    }
    header.width = width;
    header.height = height;
    header.bytesPerPixel = channels * (stbi_is_16_bit_from_file(file.get()) ? 2 : 1);
    return true;
}

bool decodePicture(const std::string& path, DecodedPicture& picture, std::string& failure) {
    const File file = openForReading(path, failure);
    if (!file) return false;
    int width = 0, height = 0, channels = 0;
    constexpr int rgb = 3;
    const std::unique_ptr<unsigned char, PixelsFree> samples(
        stbi_load_from_file(file.get(), &width, &height, &channels, rgb));
    if (!samples) {
        failure = decoderFailure("cannot be decoded");
        return false;
    }
    // The decoder accepts a header that claims no rows or columns; there is nothing to show.
    if (width < 1 || height < 1) {
        failure = "it has no pixels";
        return false;
    }
    picture.width = width;
    picture.height = height;
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    picture.pixels.resize(count);
    const unsigned char* sample = samples.get();
    for (std::size_t i = 0; i < count; ++i, sample += rgb)
        picture.pixels[i] = static_cast<uint32_t>(sample[0]) << 16 | static_cast<uint32_t>(sample[1]) << 8 | sample[2];
    return true;
}

}  // namespace vx
