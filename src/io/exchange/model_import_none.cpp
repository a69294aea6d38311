// The model import of a build without the importer libraries (the browser page): it opens
// only the editor's own files.
#include "io/exchange/isolated_import.h"
#include "io/exchange/model_import.h"

namespace vx {

bool isOtherModelFile(const std::string&) { return false; }

bool importModelFile(const std::string&, const ImportRequest&, Model&, ImportNotes& notes) {
    notes = {};
    notes.error = "this build opens only .vx models";
    return false;
}

bool importModelFileIsolated(const std::string& path, const ImportRequest& request, Model& model, ImportNotes& notes) {
    return importModelFile(path, request, model, notes);
}

}  // namespace vx
