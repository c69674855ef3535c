// len_file: lengths from the file system, names found ignoring case, the
// missing-file result and its two messages, no list file left behind.
#include "lib/shell/len_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "lib/files/open_file.h"
#include "lib/files/units.h"
#include "lib/messages/mesag.h"
#include "lib/messages/mesag_to_log.h"
#include "tests/support/library_fixture.h"

namespace fs = std::filesystem;
using namespace sunder;

namespace {

class LenFileTest : public test::LibraryTest {
 protected:
  LenFileTest() : LibraryTest("sunder_lenfile_") {}
};

TEST_F(LenFileTest, LengthsOfExistingFiles) {
  std::ofstream("mesg2log.err");
  std::ofstream("Data.V2") << std::string(1234, 'x');
  fs::create_directory("sub");
  std::ofstream("sub/long_name_of_a_volume.v2") << "abc";
  EXPECT_EQ(len_file("mesg2log.err", 0), 0);
  EXPECT_EQ(len_file("mesg2log.err                ", 0), 0);
  EXPECT_EQ(len_file("Data.V2", 0), 1234);
  EXPECT_EQ(len_file("data.v2", 0), 1234);  // case does not count
  EXPECT_EQ(len_file("sub/long_name_of_a_volume.v2", 0), 3);
  EXPECT_EQ(console_, "");
  EXPECT_EQ(std::set<fs::path>(fs::directory_iterator("."), fs::directory_iterator()),
            (std::set<fs::path>{"./mesg2log.err", "./Data.V2", "./sub"}));
}

TEST_F(LenFileTest, SixtyFourBitLengths) {
  {
    std::ofstream big("big.dat", std::ios::binary);
    big.seekp((std::int64_t{5} << 30) - 1);  // 5 GiB, sparse
    big.put('x');
  }
  EXPECT_EQ(len_file("big.dat", 0), std::int64_t{5} << 30);
}

TEST_F(LenFileTest, MissingFileGivesMinusTwoAndTwoMessages) {
  EXPECT_EQ(len_file("C:\\work\\Mesg2Log.err", 0), -2);
  EXPECT_NE(con().find("File not found, len_file: C:\\work\\Mesg2Log.err\n"), std::string::npos)
      << console_;
  EXPECT_NE(con().find("Input and Dir filenames: mesg2log.err,\n"), std::string::npos) << console_;
  fs::create_directory("dir.v2");  // a directory has no length either
  EXPECT_EQ(len_file("dir.v2", 0), -2);
}

TEST_F(LenFileTest, SeveralCaseVariantsAreNotGuessedBetween) {
  if (test::names_ignore_case(dir_)) GTEST_SKIP() << "file names ignore case here: no two variants";
  std::ofstream("LOG.TXT") << "12";
  std::ofstream("Log.Txt") << "1234";
  EXPECT_EQ(len_file("LOG.TXT", 0), 2);
  EXPECT_EQ(len_file("log.txt", 0), -2);
}

TEST_F(LenFileTest, TraceLines) {
  std::ofstream("a.txt") << "hello";
  EXPECT_EQ(len_file("./a.txt", 2), 5);
  EXPECT_NE(console_.find(">>In len_file, file= ./a.txt"), std::string::npos) << console_;
  EXPECT_NE(console_.find("filenameFromInput,nslash=[a.txt       ],"), std::string::npos)
      << console_;
  EXPECT_NE(console_.find("<<Leaving, len_file="), std::string::npos) << console_;
  console_.clear();
  EXPECT_EQ(len_file("none", 1), -2);
  EXPECT_NE(console_.find("<<Leaving, len_file=         -99"), std::string::npos) << console_;
}

}  // namespace
