// Files on Windows: 64-bit times and sizes, the not-found status, appends
// from two handles, temporary files that vanish when closed.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

#include "lib/platform/file.h"
#include "tests/support/library_fixture.h"

namespace fs = std::filesystem;
namespace p = sunder::platform;

namespace {

class FileWin32Test : public ::testing::Test {
 protected:
  static void write(const std::string& name, p::Access access, const std::string& text) {
    p::FileHandle h = p::kNoFile;
    ASSERT_EQ(p::open_file(name, access, h), p::kFileOk);
    ASSERT_EQ(p::write_file(h, text.data(), text.size()), p::kFileOk);
    ASSERT_EQ(p::close_file(h), p::kFileOk);
  }
  static std::string read(const std::string& name) {
    p::FileHandle h = p::kNoFile;
    if (p::open_file(name, p::Access::kRead, h) != p::kFileOk) return "<none>";
    std::string text;
    char buffer[7];
    std::int64_t got = 0;
    while ((got = p::read_file(h, buffer, sizeof buffer)) > 0)
      text.append(buffer, static_cast<std::size_t>(got));
    p::close_file(h);
    return text;
  }

  // A fresh scratch directory, the working directory while the test runs.
  sunder::test::ScratchDir scratch_{"sunder_file"};
  const fs::path& dir_ = scratch_.path();
};

TEST_F(FileWin32Test, MissingFilesAndFoldersGiveNotFound) {
  p::FileHandle h = p::kNoFile;
  EXPECT_EQ(p::open_file("none.txt", p::Access::kRead, h), p::kNotFound);
  EXPECT_EQ(h, p::kNoFile);
  EXPECT_EQ(p::open_file("no\\such\\f.txt", p::Access::kWrite, h), p::kNotFound);
  std::int64_t value = 0;
  EXPECT_EQ(p::file_mtime("none.txt", value), p::kNotFound);
  EXPECT_EQ(p::file_size("none.txt", value), p::kNotFound);
  EXPECT_EQ(p::set_file_mtime("none.txt", 0), p::kNotFound);
  EXPECT_EQ(p::remove_file("none.txt"), p::kNotFound);
  std::vector<std::string> names;
  EXPECT_EQ(p::list_directory("no_folder", names), p::kNotFound);
}

TEST_F(FileWin32Test, AccessModes) {
  write("a.txt", p::Access::kWrite, "first line\r\n");
  write("a.txt", p::Access::kWrite, "new\r\n");  // truncated
  EXPECT_EQ(read("a.txt"), "new\r\n");
  // Two append handles both write at the end.
  p::FileHandle h1 = p::kNoFile, h2 = p::kNoFile;
  ASSERT_EQ(p::open_file("a.txt", p::Access::kAppend, h1), p::kFileOk);
  ASSERT_EQ(p::open_file("a.txt", p::Access::kAppend, h2), p::kFileOk);
  EXPECT_EQ(p::write_file(h1, "1", 1), p::kFileOk);
  EXPECT_EQ(p::write_file(h2, "2", 1), p::kFileOk);
  EXPECT_EQ(p::write_file(h1, "3", 1), p::kFileOk);
  p::close_file(h1);
  p::close_file(h2);
  EXPECT_EQ(read("a.txt"), "new\r\n123");
  // Read-write starts at the beginning and keeps the rest.
  write("a.txt", p::Access::kReadWrite, "NE");
  EXPECT_EQ(read("a.txt"), "NEw\r\n123");
  write("b.txt", p::Access::kAppend, "made");
  EXPECT_EQ(read("b.txt"), "made");
  EXPECT_TRUE(p::file_exists("b.txt"));
  EXPECT_FALSE(p::file_exists("."));
  EXPECT_EQ(p::path_kind("."), p::PathKind::kDirectory);
  EXPECT_EQ(p::path_kind("b.txt"), p::PathKind::kRegular);
  EXPECT_EQ(p::remove_file("b.txt"), p::kFileOk);
  EXPECT_FALSE(p::file_exists("b.txt"));
}

TEST_F(FileWin32Test, TimesAndSizesAreSixtyFourBit) {
  write("t.v2", p::Access::kWrite, "x");
  std::int64_t seconds = 0;
  ASSERT_EQ(p::set_file_mtime("t.v2", 5000000000LL), p::kFileOk);  // the year 2128
  ASSERT_EQ(p::file_mtime("t.v2", seconds), p::kFileOk);
  EXPECT_EQ(seconds, 5000000000LL);
  ASSERT_EQ(p::set_file_mtime("t.v2", 0), p::kFileOk);
  ASSERT_EQ(p::file_mtime("t.v2", seconds), p::kFileOk);
  EXPECT_EQ(seconds, 0);
  ASSERT_EQ(p::set_file_mtime("t.v2", -86400), p::kFileOk);  // before 1970
  ASSERT_EQ(p::file_mtime("t.v2", seconds), p::kFileOk);
  EXPECT_EQ(seconds, -86400);

  // A sparse file just over 4 GiB: the size needs the high word.
  HANDLE h = CreateFileA("big.dat", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                         nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  DWORD unused = 0;
  DeviceIoControl(h, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &unused, nullptr);
  LARGE_INTEGER end;
  end.QuadPart = (1LL << 32) + 5;
  ASSERT_TRUE(SetFilePointerEx(h, end, nullptr, FILE_BEGIN));
  ASSERT_TRUE(SetEndOfFile(h));
  CloseHandle(h);
  std::int64_t bytes = 0;
  ASSERT_EQ(p::file_size("big.dat", bytes), p::kFileOk);
  EXPECT_EQ(bytes, (1LL << 32) + 5);
}

TEST_F(FileWin32Test, TemporaryFileIsGoneWhenClosed) {
  std::vector<std::string> before;
  const std::string temp = fs::temp_directory_path().string();
  ASSERT_EQ(p::list_directory(temp, before), p::kFileOk);
  p::FileHandle h = p::kNoFile;
  ASSERT_EQ(p::open_file("ignored", p::Access::kTemporary, h), p::kFileOk);
  EXPECT_EQ(p::write_file(h, "scratch", 7), p::kFileOk);
  EXPECT_EQ(p::close_file(h), p::kFileOk);
  std::vector<std::string> after;
  ASSERT_EQ(p::list_directory(temp, after), p::kFileOk);
  EXPECT_EQ(after.size(), before.size());
  EXPECT_FALSE(p::file_exists("ignored"));
}

TEST_F(FileWin32Test, ListDirectoryGivesFileNamesOnly) {
  write("One.v2", p::Access::kWrite, "1");
  write("two", p::Access::kWrite, "2");
  fs::create_directory("sub.v2");
  std::vector<std::string> names;
  ASSERT_EQ(p::list_directory(".", names), p::kFileOk);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"One.v2", "two"}));
  ASSERT_EQ(p::list_directory(dir_.string() + "\\", names), p::kFileOk);
  EXPECT_EQ(names.size(), 2u);
  ASSERT_EQ(p::list_directory("sub.v2", names), p::kFileOk);
  EXPECT_TRUE(names.empty());
}

}  // namespace
