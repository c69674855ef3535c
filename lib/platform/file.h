// Files as the operating system knows them: raw handles, existence, status
// (modification time and size, both 64-bit), removal and directory listing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sunder::platform {

using FileHandle = std::intptr_t;
inline constexpr FileHandle kNoFile = -1;

// Status codes of the file operations: 0 success, kNotFound when the named
// file does not exist, kAlreadyExists when a new file's name is taken,
// kNotRegularFile when the name holds a link, a special file (FIFO, device,
// socket) or a file with a second name where one of the tool's own files
// belongs; any other positive value is an OS error number.
inline constexpr int kFileOk = 0;
inline constexpr int kNotFound = 2;
inline constexpr int kAlreadyExists = 17;
inline constexpr int kNotRegularFile = 1001;
inline constexpr int kSourceEnded = 1003;

// The doors through which a file is opened. Every door that writes opens
// without following a symbolic link and without blocking (a FIFO would wait
// for a reader for ever), and checks, on the opened file, that it is a
// regular file before a byte is written or truncated.
enum class Access {
  kRead,       // existing regular file (a link to one is fine), reading
  kReadWrite,  // own file: created when missing, reading and writing, positioned at start
  kAppend,     // own file: created when missing, writing at the end
  kWrite,      // own file: created when missing, emptied, writing
  kNew,        // new file: created here and now, never one that exists (nor a link)
  kTemporary,  // nameless temporary file, gone when closed (path ignored)
};

int open_file(std::string_view path, Access access, FileHandle& handle);
// Reads up to n bytes; returns the count (0 at the end of the file) or -1.
std::int64_t read_file(FileHandle handle, void* buffer, std::size_t n);
// Writes all n bytes; returns 0 or an OS error number.
int write_file(FileHandle handle, const void* buffer, std::size_t n);
// Returns 0 or an OS error number.
int close_file(FileHandle handle);

// Appends length bytes of the file in, from offset, to the file out at its
// current position, inside the operating system where it can (no copy through
// the program). Returns 0, kSourceEnded when the file in is shorter than the
// range now (another process cut it short), or an OS error number.
int copy_range(FileHandle in, std::int64_t offset, FileHandle out, std::size_t length);

// True when a regular file (not a directory) of that name exists.
bool file_exists(std::string_view path);
// Makes a folder; kAlreadyExists when the name is taken.
int make_directory(std::string_view path);
// The characters that end the folder part of a path: "/", and on Windows
// also "\\" and the ":" of a drive.
std::string_view folder_separators();
// What the name itself is, a link not followed.
enum class PathKind { kMissing, kRegular, kDirectory, kOther };
PathKind path_kind(std::string_view path);
// Last-modification time in whole seconds since 1970-01-01 00:00 GMT.
int file_mtime(std::string_view path, std::int64_t& seconds);
// Sets the name's own time: a link is not followed.
int set_file_mtime(std::string_view path, std::int64_t seconds);
int file_size(std::string_view path, std::int64_t& bytes);
int remove_file(std::string_view path);
// Names (not paths) of the regular files in a directory, in no particular order.
int list_directory(std::string_view directory, std::vector<std::string>& names);

}  // namespace sunder::platform
