// The editor's imports of other formats, run in a child process so that no file can end the session.
#pragma once

#include "io/exchange/model_import.h"

namespace vx {

// importModelFile in a child process: its verdict, model and notes come back through a pipe.
// A crash or an abort of the child (a stack overflow or a fault in an outside library) becomes
// a refusal naming the signal, and the caller's process goes on. Where no child can be made,
// the import runs in this process.
bool importModelFileIsolated(const std::string& path, const ImportRequest& request, Model& model, ImportNotes& notes);

}  // namespace vx
