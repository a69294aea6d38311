// The polygon flags in notes the plain formats carry as comments (OBJ `#`, PLY `comment`), which
// other readers skip: "vx two-sided" with face numbers, "vx flags" with a face number and its flags,
// "vx uncoloured" with face numbers, and "vx palette" with the model's 31 colours as RRGGBB when
// they are not the built-in ones. Faces are numbered from 1 in the order the file lists them. A
// face's colour travels as the format's own colour; its flags need a note only for other bits, or
// when the palette holds its colour under an earlier entry too.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "io/exchange/exchange_mesh.h"
#include "io/exchange/model_to_mesh.h"

namespace vx {

// Note lines, each starting with prefix ("# " or "comment ") and ending with a new line.
// listUncoloured adds "vx uncoloured" with the faces without a colour, for a format that gives
// every face one when any has one.
std::string flagNotes(const ExportTables& tables, std::string_view prefix, bool listUncoloured = false);

// Applies one comment line (its text after the prefix) to the faces it names or the palette;
// lines that are not notes, numbers that name no face and palettes not of 31 colours change nothing.
void applyFlagNote(std::string_view comment, ExchangeMesh& mesh);

}  // namespace vx
