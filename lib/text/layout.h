// Layouts: the notation (A4, I3.3, A2, I1), (T10, A, T27, A, 1X, A, T48, I3, A),
// (6(/, A), 3(/, T41, A), /, T70, A) ... compiled once and kept for the life of
// the process, so a line written or read with a layout never parses it again.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sunder {

struct LayoutOp {
  enum class Kind : std::uint8_t {
    kA,      // text, width 0 = the item's own length
    kI,      // integer, width w, at least m digits
    kF,      // real, width w, d decimals
    kT,      // go to column n
    kX,      // n blank columns
    kSlash,  // end the line
    kDollar  // do not end the line when the layout finishes
  };
  Kind kind;
  int w = 0;  // width, or the column of T, or the count of X
  int m = 0;  // minimum digits of I, decimals of F
};

struct Layout {
  std::string notation;
  std::vector<LayoutOp> ops;    // repeat counts and groups expanded
  std::size_t reuse_from = 0;   // where a layout is taken up again when items remain
  bool keep_line_open = false;  // ends with $
  bool has_data_op = false;     // at least one A, I or F
  bool reuse_has_data = false;  // the part taken up again holds an A, I or F
  bool single_text = false;     // exactly (A): one text, the whole line
  bool valid = false;           // false: the notation did not parse
};

// The compiled form of a notation; compiled on first use, cached after.
// An invalid notation gives a layout whose valid flag is false.
const Layout& layout(std::string_view notation);
// Compiles without the cache (for the fuzzer and tests).
Layout compile_layout(std::string_view notation);

}  // namespace sunder
