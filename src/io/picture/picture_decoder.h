// Pictures of the common formats (PNG, JPEG, BMP of every depth), read through one decoding library.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vx {

struct PictureHeader {
    int32_t width;          // pixels
    int32_t height;         // pixels
    int32_t bytesPerPixel;  // as the decoder holds the picture before it becomes 0x00RRGGBB
};

struct DecodedPicture {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint32_t> pixels;  // 0x00RRGGBB, top row first, row by row; alpha dropped
};

// Reads only the header: true, with its size, when the file is a picture of a kind the decoder
// knows. The caller decides from the size whether decoding is affordable. False, with the
// decoder's reason, for anything else.
bool readPictureHeader(const std::string& path, PictureHeader& header, std::string& failure);

// Decodes the whole picture. False, with the decoder's reason, when its data is damaged.
bool decodePicture(const std::string& path, DecodedPicture& picture, std::string& failure);

}  // namespace vx
