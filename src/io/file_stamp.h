// What a file was like when the editor last read or wrote it, to notice a change made by others.
#pragma once

#include <string>

#include "core/editor_state.h"

namespace vx {

// The stamp of the named file now; an empty name when it cannot be read.
FileStamp stampOf(const std::string& name);

// True when the file the stamp describes is there and its content is no longer what the stamp
// saw. Size and time settle it cheaply when both agree; otherwise the content decides, so a file
// merely touched is no change.
bool changedOnDisk(const FileStamp& stamp);

// "HH:MM" in local time of the file's last change, for the message row.
std::string changeTimeOf(const std::string& name);

}  // namespace vx
