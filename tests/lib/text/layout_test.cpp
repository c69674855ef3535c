// Layouts rendered column by column, and the notations refused.
#include <gtest/gtest.h>

#include "lib/text/layout.h"
#include "lib/text/lines.h"

namespace sunder {
namespace {

TEST(Layout, IntegersWidthsZerosAndAsterisks) {
  EXPECT_EQ(render_line("(A4, I3.3, A2, I1)", {"chan", 33, ".v", 2}), "chan033.v2");
  EXPECT_EQ(render_line("(A4, I3.3, A2, I1)", {"chan", 7, ".v", 2}), "chan007.v2");
  EXPECT_EQ(render_line("(I3)", {1234}), "***");
  EXPECT_EQ(render_line("(I3.3)", {-5}), "***");
  EXPECT_EQ(render_line("(I4.3)", {-5}), "-005");
  EXPECT_EQ(render_line("(I4)", {-12}), " -12");
  EXPECT_EQ(render_line("(I2.2)", {5}), "05");
  EXPECT_EQ(render_line("(A4, I3.3, A2, I1)", {"chan", 1000, ".v", 2}), "chan***.v2");
}

TEST(Layout, TextWidths) {
  EXPECT_EQ(render_line("(A3)", {"abcdef"}), "abc");
  EXPECT_EQ(render_line("(A5)", {"ab"}), "   ab");
  EXPECT_EQ(render_line("(A)", {""}), "");
  EXPECT_EQ(render_line("(2A)", {"x", "y"}), "xy");
}

TEST(Layout, RealsRoundAndOverflow) {
  EXPECT_EQ(render_line("(F4.1)", {10.0f}), "10.0");
  EXPECT_EQ(render_line("(F5.1)", {10.0f}), " 10.0");
  EXPECT_EQ(render_line("(F5.1)", {4.75f}), "  4.8");
  EXPECT_EQ(render_line("(F3.1)", {0.5f}), "0.5");
  EXPECT_EQ(render_line("(F2.1)", {0.5f}), ".5");
  EXPECT_EQ(render_line("(F3.1)", {100.0f}), "***");
  EXPECT_EQ(render_line("(F7.2)", {-118.2f}), "-118.20");
}

TEST(Layout, TabsBlanksAndColumns) {
  EXPECT_EQ(render_line("(T10, A, T27, A)", {"a", "b"}),
            std::string(9, ' ') + "a" + std::string(16, ' ') + "b");
  EXPECT_EQ(render_line("(A, 3X, A)", {"a", "b"}), "a   b");
  // Positioning at the end adds nothing: the line holds the columns written.
  EXPECT_EQ(render_line("(A, 5X)", {"a"}), "a");
  EXPECT_EQ(render_line("(A, T30)", {"a"}), "a");
  // T may go back and overwrite.
  EXPECT_EQ(render_line("(A, T2, A)", {"abc", "X"}), "aXc");
  const std::string row =
      render_line("(T10, A, T27, A, 1X, A, T48, I3, A)",
                  {"quake.v2", "03/15/16", "10:22:33 ", 3, " single-channel files"});
  EXPECT_EQ(row.substr(9, 8), "quake.v2");
  EXPECT_EQ(row.substr(26, 8), "03/15/16");
  EXPECT_EQ(row.substr(35, 9), "10:22:33 ");
  EXPECT_EQ(row.substr(47, 3), "  3");
  EXPECT_EQ(row.substr(50), " single-channel files");
}

TEST(Layout, ItemsRunningOutEndTheLineAtTheNextDataItem) {
  // The date of file dates: the third A1 has no item, so the line ends before it.
  EXPECT_EQ(render_line("(3(I2.2, A1))", {5, "/", 27, "/", 9}), "05/27/09");
  EXPECT_EQ(render_line("(A, T20, A)", {"x"}), "x");
  EXPECT_EQ(
      render_line("(T57, 6(A, I2.2))", {"Run: ", 3, "/", 15, "/", 16, ", ", 10, ":", 22, ":", 33}),
      std::string(56, ' ') + "Run: 03/15/16, 10:22:33");
}

TEST(Layout, BadNotationsAreRefusedNotCrashed) {
  for (const char* bad : {"", "A", "(A", "(Q)", "(T)", "(T0)", "(3T5)", "(I3.)", "((A)", "(A))",
                          "(999(999(999(A))))", "(A,,)x"}) {
    const Layout compiled = compile_layout(bad);
    EXPECT_FALSE(compiled.valid) << bad;
    EXPECT_EQ(render_line(bad, {"x", 1}), "") << bad;
  }
  EXPECT_TRUE(compile_layout("(1X, 2A, $)").valid);
  EXPECT_TRUE(compile_layout("(A, 2(/, 6I12))").valid);
  EXPECT_TRUE(compile_layout("(/A)").valid);
  EXPECT_TRUE(compile_layout("( a , i3 )").valid);
}

TEST(Layout, ReuseOfAGroupWithoutDataItemsEnds) {
  // Items left, but the group taken up again asks for none: no endless lines.
  EXPECT_EQ(render_line("(A, 2(/, ))", {"a", "b", "c"}), "a");
  std::int32_t n = 0;
  EXPECT_EQ(read_fields("12", "(I2, 2(/))", {n, n}), kReadError);  // no second record in a text
}

TEST(Layout, CompiledOncePerNotation) {
  const Layout& first = layout("(A, I6)");
  const Layout& second = layout("(A, I6)");
  EXPECT_EQ(&first, &second);
  EXPECT_EQ(first.ops.size(), 2u);
  EXPECT_EQ(layout("(6(/, A), 3(/, T41, A), /, T70, A)").ops.size(), 12u + 9u + 3u);
}

}  // namespace
}  // namespace sunder
