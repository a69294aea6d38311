// The folder of recovery copies: where it is, whether it is private, copy names, the locks that
// mark a running editor's copy, and pruning that spares them.
#pragma once

#include <ctime>
#include <string>
#include <vector>

namespace vx {

inline constexpr int recoveryCopiesKept = 20;  // the newest copies of ended editors stay
inline constexpr std::size_t maxFileNameBytes = 255;

// Where copies go: $XDG_STATE_HOME/vxedit/recovery, or ~/.local/state/vxedit/recovery when
// XDG_STATE_HOME is unset or not an absolute path. Empty when neither can be found.
std::string recoveryFolder();

// Makes the folder (and the missing ones above it) private to the user, and checks that it is a
// real folder, the user's own and closed to others. Empty when it may hold copies; else why not.
std::string preparePrivateFolder(const std::string& folder);

// "<stem>-YYYYMMDD-HHMMSS.vx" in local time from the model's file name, "-2", "-3" ... when
// taken; the stem is cut (at a character boundary) so that the name fits in 255 bytes.
std::string newCopyPath(const std::string& folder, const std::string& fileName);

// True for a name this editor gives its copies; nothing else in the folder is ever deleted.
bool isCopyName(const std::string& name);

// A running editor holds a lock on "<copy>.lock" for as long as the copy is its own; the lock
// goes with the process, so a crashed editor's copy counts as ended. -1 when it cannot be had.
int holdCopy(const std::string& copyPath);
void releaseCopy(const std::string& copyPath, int& lockFd);
bool copyIsLive(const std::string& copyPath);

// Deletes all but the newest recoveryCopiesKept copies of ended editors in the folder, newest by
// time of change, then by name. Copies that a running editor holds are neither counted nor
// deleted.
void pruneOldCopies(const std::string& folder);

struct CopyListing {
    std::string path;
    std::string model;  // the model file the copy came from, as its record says; may be empty
    std::time_t modified;
    bool live;  // a running editor holds it
};

// Every copy in the folder, newest first.
std::vector<CopyListing> listCopies(const std::string& folder);

// The record beside a copy ("<copy>.from") names the model it came from.
void recordCopySource(const std::string& copyPath, const std::string& modelName);

}  // namespace vx
