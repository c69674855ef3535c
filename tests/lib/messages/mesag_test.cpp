// The message routine: console, message file and "_error.msg" paths,
// continuation pieces, cuts, slashes and the control texts.
#include "lib/messages/mesag.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "lib/files/units.h"
#include "lib/platform/seams.h"
#include "tests/support/library_fixture.h"

namespace sunder {
namespace {

namespace fs = std::filesystem;
using test::nl;
using test::read_file;

constexpr std::string_view kNotice =
    " *Mesag: Output file not set, see \"_error.msg\" for messages.";

class MesagTest : public test::LibraryTest {
 protected:
  MesagTest() : LibraryTest("sunder_mesag_") {}
  void SetUp() override {
    LibraryTest::SetUp();
    use_test_clock();
  }
  // The run log on unit 14, designated as the message file.
  void designate_log() {
    mesag("Initialize", -14);
    ASSERT_EQ(connect_unit(14, "run.log", UnitMode::kOutput), 0);
  }
  std::string log_text() {
    close_unit(14);
    return read_file("run.log");
  }
  static int units_on_error_file() {
    int n = 0;
    for (Unit u = 0; u <= kMaxUnit; ++u) n += unit_file_name(u) == "_error.msg";
    return n;
  }
};

TEST_F(MesagTest, DestinationCodes) {
  designate_log();
  mesag("to console", 0);
  mesag("to both", 2);
  mesag("to file", 1);
  mesag("to file too", 7);
  EXPECT_EQ(console_, nl("to console") + nl("to both"));
  EXPECT_EQ(log_text(), "to both\r\nto file\r\nto file too\r\n");
  EXPECT_FALSE(fs::exists("_error.msg"));
}

TEST_F(MesagTest, SlashesAskForOneBlankLine) {
  designate_log();
  mesag("//", 2);
  EXPECT_EQ(console_, nl("   ") + nl(""));
  mesag("/Note: FD.exe not available, output files will have today's date", 0);
  EXPECT_EQ(console_, nl("   ") + nl("") + nl("  ") +
                          nl("Note: FD.exe not available, output files will have today's date"));
  std::string many(120, '/');
  console_.clear();
  mesag(many + "x", 1);
  EXPECT_EQ(log_text(),
            "   \r\n\r\n" + std::string(101, ' ') + "\r\n" + std::string(20, '/') + "x\r\n");
  EXPECT_FALSE(fs::exists("_error.msg"));
}

TEST_F(MesagTest, ContinuationPiecesBuildOneMessage) {
  designate_log();
  mesag("\\Value = ", 0);
  EXPECT_EQ(console_, "");
  mesag("5", 0);
  EXPECT_EQ(console_, nl("Value =5"));
  // Control texts and ignored calls leave a pending piece in place.
  console_.clear();
  mesag("\\/first,", 2);
  std::int32_t where = 0;
  mesag("Get lu", where);
  EXPECT_EQ(where, 14);
  mesag("Initialize lu", -20);
  mesag("\\ second,", 1);
  mesag(" third", 2);
  EXPECT_EQ(console_, nl("  ") + nl("first, second, third"));
  EXPECT_EQ(log_text(), "  \r\nfirst, second, third\r\n");
}

TEST_F(MesagTest, LongMessagesAreCutAt139AndAt79OnTheConsole) {
  designate_log();
  std::string text;
  for (int i = 0; i < 150; ++i) text += static_cast<char>('a' + i % 26);
  mesag(text, 2);
  EXPECT_EQ(console_,
            nl(" *Mesag: mesag too long: " + text.substr(0, 20)) + nl(text.substr(0, 79)));
  // With 100 characters pending the next text is cut to make 139.
  console_.clear();
  mesag("\\" + std::string(100, 'p'), 1);
  mesag(std::string(60, 'q'), 1);
  EXPECT_EQ(console_, nl(" *Mesag: mesag too long: " + std::string(20, 'q')));
  // 139 characters exactly are no cut.
  console_.clear();
  mesag(std::string(139, 'r'), 1);
  EXPECT_EQ(console_, "");
  EXPECT_EQ(log_text(), text.substr(0, 139) + "\r\n" + std::string(100, 'p') +
                            std::string(39, 'q') + "\r\n" + std::string(139, 'r') + "\r\n");
}

TEST_F(MesagTest, BlankTextIsOneBlank) {
  mesag("     ", 0);
  mesag("", 0);
  EXPECT_EQ(console_, nl(" ") + nl(" "));
}

TEST_F(MesagTest, InitializeDesignatesOnlyOnTheFirstCall) {
  mesag("Initialize", -14);
  EXPECT_EQ(console_, "");
  std::int32_t where = 0;
  mesag("Get lu", where);
  EXPECT_EQ(where, 14);
  mesag("Initialize lu", -20);
  mesag("Anything", -21);
  where = 0;
  mesag("Get lu", where);
  EXPECT_EQ(where, 14);
  EXPECT_EQ(console_, "");
}

TEST_F(MesagTest, InitializeAfterAMessageIsAMessageOrNothing) {
  mesag("Initialize", 0);
  EXPECT_EQ(console_, nl("Initialize"));
  mesag("Initialize", -14);
  mesag("Initializing later", 0);
  EXPECT_EQ(console_, nl("Initialize"));
}

TEST_F(MesagTest, FileMessagesBeforeInitializationGoToErrorFile) {
  mesag("*first problem", 2);
  EXPECT_EQ(console_, nl(kNotice) + nl("*first problem"));
  EXPECT_EQ(read_file("_error.msg"),
            "-- Error message(s) written on: 12/07/26 at 14:05:09\r\n*first problem\r\n");
  EXPECT_EQ(units_on_error_file(), 0);  // closed after the message

  console_.clear();
  clock_.second = 10;
  seams::set_clock(&clock_);
  mesag("/second", 1);
  EXPECT_EQ(console_, "");
  EXPECT_EQ(read_file("_error.msg"),
            "-- Error message(s) written on: 12/07/26 at 14:05:09\r\n*first problem\r\n"
            "-- Error message(s) added to existing file on: 12/07/26 at 14:05:10\r\n"
            "  \r\nsecond\r\n");
  // An initialisation now comes too late.
  mesag("Initialize", -30);
  std::int32_t where = 0;
  mesag("Get lu", where);
  EXPECT_EQ(where, 0);
}

TEST_F(MesagTest, DesignatedUnitNeverOpened) {
  mesag("Initialize", -14);
  mesag("vanishes", 1);
  mesag("console only", 2);
  EXPECT_EQ(console_, nl("console only"));
  EXPECT_FALSE(fs::exists("_error.msg"));
}

TEST_F(MesagTest, GetLuWithoutOutputUnitPutsErrorFileOnOneUnit) {
  std::int32_t where = 5;
  mesag("Get lu", where);
  EXPECT_EQ(where, 5);
  EXPECT_EQ(console_, nl(" *Err: Rqst to get lu from mesag(), but not set") +
                          nl(" *Mesag: Output file not set, see \"_error.msg\" for messages"));
  EXPECT_TRUE(unit_connected(14));
  EXPECT_EQ(unit_file_name(14), "_error.msg");
  console_.clear();
  mesag("one", 2);
  mesag("two", 1);
  // No second notice, no second connection of the file, one header.
  EXPECT_EQ(console_, nl("one"));
  EXPECT_EQ(units_on_error_file(), 1);
  where = 0;
  mesag("Get lu", where);
  EXPECT_EQ(where, 14);
  close_unit(14);
  EXPECT_EQ(read_file("_error.msg"),
            "-- Error message(s) written on: 12/07/26 at 14:05:09\r\none\r\ntwo\r\n");
}

TEST_F(MesagTest, TraceLevels) {
  mesag("Set ktest", 1);
  designate_log();
  EXPECT_EQ(console_, nl(" >>In mesag - iwhere,text=          -14 , Initialize"));
  console_.clear();
  mesag("hello", 2);
  EXPECT_EQ(console_, nl(" >>In mesag - iwhere,text=            2 , hello") + nl("hello") +
                          nl(" Did the write to screen") +
                          nl(" writeTofile: lu,iwhere=          14           2") +
                          nl(" Unit           14  is open:  T") + nl(" <<Lv mesag.."));
  mesag("Set ktest", 0);
  console_.clear();
  mesag("quiet", 0);
  EXPECT_EQ(console_, nl("quiet"));
}

}  // namespace
}  // namespace sunder
