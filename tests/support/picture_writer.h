// Writes test pictures as PNG and JPEG files, through one encoding library.
#pragma once

#include <string>

#include "support/bmp.h"

namespace vx::test {

// An RGBA PNG when withAlpha is set (alpha = the pixel's blue byte), else RGB.
bool writePng(const std::string& path, const Picture& picture, bool withAlpha = false);
bool writeJpeg(const std::string& path, const Picture& picture, int quality);

}  // namespace vx::test
