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
// file does not exist, any other positive value an OS error number.
inline constexpr int kFileOk = 0;
inline constexpr int kNotFound = 2;

enum class Access {
  kRead,       // existing file, reading
  kReadWrite,  // created when missing, reading and writing, positioned at start
  kAppend,     // created when missing, writing at the end
  kWrite,      // created when missing, truncated, writing
  kTemporary,  // nameless temporary file, gone when closed (path ignored)
};

int open_file(std::string_view path, Access access, FileHandle& handle);
// Reads up to n bytes; returns the count (0 at the end of the file) or -1.
std::int64_t read_file(FileHandle handle, void* buffer, std::size_t n);
// Writes all n bytes; returns 0 or an OS error number.
int write_file(FileHandle handle, const void* buffer, std::size_t n);
// Returns 0 or an OS error number.
int close_file(FileHandle handle);

// Reading a big file without copying it: a read-only view of length bytes at
// offset (a multiple of map_granularity()). Returns 0, or nonzero when the
// platform or the file does not allow it (the caller then reads normally).
int map_view(FileHandle handle, std::int64_t offset, std::size_t length, const char*& view);
void unmap_view(const char* view, std::size_t length);
std::size_t map_granularity();
// The length of an open file; -1 when it cannot be told.
std::int64_t file_length(FileHandle handle);
// Appends length bytes of the file in, from offset, to the file out at its
// current position, inside the operating system where it can (no copy through
// the program). Returns 0 or an OS error number.
int copy_range(FileHandle in, std::int64_t offset, FileHandle out, std::size_t length);

// True when a regular file (not a directory) of that name exists.
bool file_exists(std::string_view path);
bool directory_exists(std::string_view path);
// Last-modification time in whole seconds since 1970-01-01 00:00 GMT.
int file_mtime(std::string_view path, std::int64_t& seconds);
int set_file_mtime(std::string_view path, std::int64_t seconds);
int file_size(std::string_view path, std::int64_t& bytes);
int remove_file(std::string_view path);
// Names (not paths) of the regular files in a directory, in no particular order.
int list_directory(std::string_view directory, std::vector<std::string>& names);

}  // namespace sunder::platform
