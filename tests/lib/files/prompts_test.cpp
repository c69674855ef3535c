// The yes/no question on the console.
#include "lib/files/prompts.h"

#include <gtest/gtest.h>

#include <string>

#include "lib/platform/console.h"
#include "lib/platform/seams.h"
#include "tests/support/library_fixture.h"

namespace sunder {
namespace {

class AskYesNoTest : public test::LibraryTest {
 protected:
  bool ask(const std::string& prompt, const std::string& input) {
    feed(input);
    console_.clear();
    return ask_yes_no(prompt);
  }
};

TEST_F(AskYesNoTest, LeadingSlashesGiveEmptyLinesAndThePromptStaysOpen) {
  EXPECT_TRUE(ask("//Continue?   ", "y\n"));
  const std::string nl(platform::console_line_end());
  EXPECT_EQ(console_, nl + nl + " Continue? ");
  EXPECT_TRUE(ask("Go on?", "\n"));
  EXPECT_EQ(console_, " Go on? ");
}

TEST_F(AskYesNoTest, OnlyAReplyBeginningWithNIsANo) {
  for (const char* no : {"n\n", "N\n", "no\n", "No\n", "nope\n", "n", "n\r\n"}) {
    EXPECT_FALSE(ask("Q?", no)) << no;
  }
  for (const char* yes : {"yes\n", "x\n", "\n", " n\n", "Y\r\n", "\r\n"}) {
    EXPECT_TRUE(ask("Q?", yes)) << yes;
  }
}

TEST_F(AskYesNoTest, EndedInputIsANo) {
  EXPECT_FALSE(ask("Overwrite it?", ""));
  // The second question finds the input used up.
  input_ = "y\n";
  seams::set_console_input(&input_);
  EXPECT_TRUE(ask_yes_no("Q?"));
  EXPECT_FALSE(ask_yes_no("Q?"));
}

}  // namespace
}  // namespace sunder
