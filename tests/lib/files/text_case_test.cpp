// Letter case in place, and file existence.
#include "lib/files/text_case.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "lib/files/file_exists.h"
#include "tests/support/library_fixture.h"

namespace sunder {
namespace {

namespace fs = std::filesystem;

TEST(TextCaseTest, FirstNCharactersOnlyAndAsciiLettersOnly) {
  std::string s = "input";
  to_upper(s, 1);
  EXPECT_EQ(s, "Input");
  s = "IN/OUT";
  to_lower(s);
  EXPECT_EQ(s, "in/out");
  s = "abc def  ";
  to_upper(s, 5);
  EXPECT_EQ(s, "ABC Def  ");
  // n beyond the text, digits and bytes above 127 unchanged.
  s = "x9\xe4z";
  to_upper(s, 100);
  EXPECT_EQ(s, "X9\xe4Z");
  s = "ÄB[`{@";
  to_lower(s);
  EXPECT_EQ(s, "Äb[`{@");
  s = "";
  to_upper(s, 3);
  EXPECT_EQ(s, "");
}

TEST(FileExistsTest, TrailingBlanksAreNotPartOfTheName) {
  const test::ScratchDir scratch("sunder_exists_");
  fs::create_directory("sub");
  std::ofstream("a file.txt") << "x";
  EXPECT_TRUE(file_exists("a file.txt"));
  EXPECT_TRUE(file_exists("a file.txt     "));
  EXPECT_FALSE(file_exists("a file"));
  EXPECT_FALSE(file_exists(""));
  EXPECT_FALSE(file_exists("   "));
  EXPECT_FALSE(file_exists("sub"));
}

}  // namespace
}  // namespace sunder
