// Whole-file writes through the file service's save, which renames a temporary file into place.
#include "io/output_file.h"

#include "platform/console/files.h"

namespace vx {

bool writeWholeFile(const std::string& path, const std::string& bytes) {
    const int32_t number = freeFileNumber();
    if (number == 0) return false;
    openFileForSaving(path, number);
    if (fileError() != fileOk) return false;
    if (!bytes.empty()) putBytes(number, 1, bytes.data(), bytes.size());
    if (fileError() != fileOk) {
        closeFile(number);
        return false;
    }
    return commitSave(number);
}

}  // namespace vx
