// The polygon flags in notes the plain formats carry as comments (OBJ `#`, PLY `comment`), which
// other readers skip: "vx two-sided" with face numbers, "vx flags" with a face number and its flags.
// Faces are numbered from 1 in the order the file lists them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "io/exchange/exchange_mesh.h"
#include "io/exchange/model_to_mesh.h"

namespace vx {

// Note lines, each starting with prefix ("# " or "comment ") and ending with a new line.
std::string flagNotes(const ExportTables& tables, std::string_view prefix);

// Applies one comment line (its text after the prefix) to the faces it names; lines that are not
// notes, and numbers that name no face, change nothing.
void applyFlagNote(std::string_view comment, std::vector<ExchangeFace>& faces);

}  // namespace vx
