// Reading a named view's tracing picture from its file.
#include "io/picture/view_picture_file.h"

#include <utility>

#include "io/picture/background_image.h"

namespace vx {

// The checks are the start-up picture's, size limits included; a plain 24-bit BMP, which the
// start-up picture reads row by row straight onto the screen, is decoded whole here.
bool readViewPicture(const std::string& path, ViewPicture& picture, std::string& problem) {
    PreparedPicture prepared;
    const PictureVerdict verdict = preparePicture(path, prepared);
    if (!verdict.ok()) {
        problem = describePictureProblem(verdict);
        return false;
    }
    if (prepared.plainBmp && !decodePicture(path, prepared.decoded, problem)) return false;
    if (prepared.decoded.width <= 0 || prepared.decoded.height <= 0) {
        problem = "picture has no pixels";
        return false;
    }
    picture.width = prepared.decoded.width;
    picture.height = prepared.decoded.height;
    picture.pixels = std::move(prepared.decoded.pixels);
    return true;
}

}  // namespace vx
