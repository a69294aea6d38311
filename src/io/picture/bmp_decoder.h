// BMP layouts the editor reads itself rather than through the picture decoder: run-length
// compressed 4- and 8-bit pictures, 16-bit pictures and 24-bit pictures with a colour table.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "io/picture/picture_decoder.h"

namespace vx {

// The first 54 bytes of a file hold every field the choice needs.
inline constexpr std::size_t bmpChoiceBytes = 54;

// True for a BMP this reader takes: 8-bit RLE8, 4-bit RLE4, 16-bit without compression (5-5-5)
// or with channel masks, 24-bit without compression; each with a 40-byte or longer information
// header. The plain 24-bit layout is checked before this and never comes here.
bool isOwnBmp(const uint8_t* header);

// The width and height the header claims, for the size check made before decoding.
void ownBmpSize(const uint8_t* header, int32_t& width, int32_t& height);

// Decodes the picture, top row first. Bytes missing at the end read as 0, so a file that ends
// early, and every pixel a run-length code never reaches, shows black. False, with the reason,
// for a header whose sizes cannot be a picture.
bool decodeOwnBmp(const std::string& path, DecodedPicture& picture, std::string& failure);

}  // namespace vx
