// Reading a model from any file vxtool accepts, and the messages that go with it.
#pragma once

#include <memory>
#include <string>

#include "core/editor_state.h"
#include "io/exchange/model_import.h"

namespace vx::tool {

// An editor state at its start values with no screen: enough to hold, check and save a model.
std::unique_ptr<EditorState> makeToolState();

// A file of the editor's own (by its content, or named .vx) through the editor's loader, anything
// else through the importer. On success the state's model is replaced; notes (the size it was
// given, simplification, welded vertices) go to standard error.
bool readModel(const std::string& path, const ImportRequest& request, EditorState& state, std::string& error);

// "vxtool: " and the message, on standard error.
void complain(const std::string& message);

bool hasExtension(const std::string& path, const std::string& extension);  // case-insensitive, no dot
std::string extensionOf(const std::string& path);                          // lower case, no dot
bool isVxModel(const std::string& path);  // starts with VTXF, or is named .vx and holds no other format

}  // namespace vx::tool
