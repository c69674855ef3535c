// The yes/no question on the console.
#include "lib/files/prompts.h"

#include <gtest/gtest.h>

#include <string>

#include "lib/platform/console.h"

namespace sunder {
namespace {

class AskYesNoTest : public ::testing::Test {
 protected:
  void SetUp() override { platform::capture_console_output_for_test(&console_); }
  void TearDown() override {
    platform::capture_console_output_for_test(nullptr);
    platform::set_console_input_for_test(nullptr);
  }
  bool ask(const std::string& prompt, const std::string& input) {
    input_ = input;
    platform::set_console_input_for_test(&input_);
    console_.clear();
    return ask_yes_no(prompt);
  }
  std::string console_, input_;
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
  platform::set_console_input_for_test(&input_);
  EXPECT_TRUE(ask_yes_no("Q?"));
  EXPECT_FALSE(ask_yes_no("Q?"));
}

}  // namespace
}  // namespace sunder
