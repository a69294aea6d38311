// The file service: numbered open files, transfers by byte position, and whole-file saves.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace vx {

inline constexpr int32_t maxFileNumber = 254;
inline constexpr std::size_t readBlockBytes = 8192;

// The error number of the calling thread, overwritten by every operation of the service.
enum FileError : int32_t {
    fileOk = 0,
    fileIllegalCall = 1,  // number outside 1-254, not open, already open; negative position
    fileNotOpened = 2,
    fileShortWrite = 3,
    fileReadFailed = 4,  // the system refused a read; the missing bytes were zero-filled
    fileSaveFailed = 5,  // a save could not be flushed, synced or put in place
};
int32_t fileError();

// The system's reason for the last failure of the calling thread (an errno value, or
// notRegularFile), and the same in a few words for a message: "no space left on the disk".
inline constexpr int notRegularFile = -1;
int fileSystemError();
std::string fileErrorReason();
std::string failureReason(int systemErrorNumber);

// True when the name (followed through symbolic links) names anything at all.
bool fileExists(const std::string& name);

// Empty when the name (followed through symbolic links) is a regular file; else why it is not a
// file to read: missing, a folder, a pipe or a device. It never opens the name, so never blocks.
std::string regularFileProblem(const std::string& name);

// The lowest free number in 1-254, or 0 when every number is in use.
int32_t freeFileNumber();

// Opens an existing file for reading and writing, else creates it, else opens it read-only.
void openFile(const std::string& name, int32_t number);
// Opens an existing regular file for reading only; a missing name stays missing, and a pipe, a
// device or a folder is refused without waiting.
void openFileForReading(const std::string& name, int32_t number);
// Starts a whole-or-nothing save of the named file: writes go to a fresh temporary file in the
// target's folder (through symbolic links to the file they name), which commitSave puts in place.
// Only when the folder refuses this user a new file is an existing writable target written in
// place; any other failure to make the temporary file (no space, no inode) refuses the save.
void openFileForSaving(const std::string& name, int32_t number);
// The same for a file only its user may read (mode 0600), such as a recovery copy: no symbolic
// link at the name is followed, and nothing is ever written in place.
void openPrivateFileForSaving(const std::string& name, int32_t number);
// Flushes and syncs a save, gives it the target's permission bits and renames it over the
// target; then frees the number. False, with the target untouched, if anything went wrong.
bool commitSave(int32_t number);

// Position n >= 1 first moves to byte offset n - 1; 0 keeps the current position. Bytes past
// the end of the file read as 0, which is no error. The reads return how many bytes the file
// itself delivered.
std::size_t getBytes(int32_t number, int64_t position, void* destination, std::size_t count);
void putBytes(int32_t number, int64_t position, const void* source, std::size_t count);
// A fixed text field holds 4 characters and a terminating zero.
void putFixedText(int32_t number, int64_t position, const std::array<char, 5>& field);
void getFixedText(int32_t number, int64_t position, std::array<char, 5>& field);
std::size_t getBlock(int32_t number, int64_t position, std::array<uint8_t, readBlockBytes>& block);

// Closes the file and frees its number; a save that was never committed is thrown away.
void closeFile(int32_t number);

// Compares two fixed text fields up to their first zero bytes, bytes taken as unsigned.
bool fixedTextEquals(const std::array<char, 5>& a, const std::array<char, 5>& b);

}  // namespace vx
