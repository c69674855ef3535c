// Files on POSIX: what counts as an existing file.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "lib/platform/file.h"

namespace sunder::platform {
namespace {

namespace fs = std::filesystem;

TEST(FileExists, LinksCountByThemselvesDanglingOrNot) {
  const fs::path dir =
      fs::temp_directory_path() / ("sunder_file_posix_" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir / "sub");
  std::ofstream(dir / "real.v2") << "x";
  fs::create_symlink(dir / "real.v2", dir / "good.v2");
  fs::create_symlink(dir / "elsewhere" / "chan033.v2", dir / "chan033.v2");
  fs::create_symlink(dir / "sub", dir / "dirlink");
  EXPECT_TRUE(file_exists((dir / "real.v2").string()));
  EXPECT_TRUE(file_exists((dir / "good.v2").string()));
  // A dangling link: the name is taken, nothing may be created through it.
  EXPECT_TRUE(file_exists((dir / "chan033.v2").string()));
  EXPECT_FALSE(file_exists((dir / "sub").string()));
  EXPECT_FALSE(file_exists((dir / "dirlink").string()));
  EXPECT_FALSE(file_exists((dir / "none").string()));
  fs::remove_all(dir);
}

}  // namespace
}  // namespace sunder::platform
