// The message routine: the console, the message file on the output unit, or
// "_error.msg" while no output unit is designated; continuation pieces build
// one message from several calls.
#include "lib/messages/mesag.h"

#include <algorithm>
#include <array>
#include <string>

#include "lib/files/units.h"
#include "lib/messages/error_msg_file.h"
#include "lib/platform/seams.h"
#include "lib/text/fields.h"
#include "lib/text/lines.h"

namespace sunder {
namespace {

constexpr std::size_t kBufferSize = 140;  // columns 1..139 hold a message
constexpr std::size_t kConsoleWidth = 79;
constexpr std::size_t kMaxSlashes = 100;

Unit lu = -1;
Unit luErr = -1;
bool first_call = true;
bool destination_arranged = false;
std::int32_t ktest = 0;
std::array<char, kBufferSize> buffer{};
std::size_t next_column = 1;

void write_to_file(std::string_view proper, std::size_t k, std::int32_t iwhere) {
  if (ktest >= 1) write_free(kConsole, {"writeTofile: lu,iwhere=", lu, iwhere});
  if (lu > 3) {
    const bool open = unit_connected(lu);
    if (ktest >= 1) write_free(kConsole, {"Unit ", lu, " is open: ", open});
    if (!open) return;
    if (k >= 1) write_free(lu, {blanks(k)});
    write_text(lu, proper);
    return;
  }
  const bool open = unit_connected(luErr);
  if (ktest >= 2) write_free(kConsole, {"luErr, opnd=", luErr, open});
  if (!open) open_error_msg_file(luErr, ktest);
  // A failed open leaves luErr without "_error.msg": the lines are dropped.
  if (unit_file_name(luErr) == kErrorMsgFile) {
    if (k >= 1) write_free(luErr, {blanks(k)});
    write_text(luErr, proper);
    close_unit(luErr);
  }
  destination_arranged = true;
}

void get_lu(std::int32_t& iwhere) {
  if (lu >= 0) {
    iwhere = lu;
    return;
  }
  write_free(kConsole, {"*Err: Rqst to get lu from mesag(), but not set"});
  write_free(kConsole, {"*Mesag: Output file not set, see \"_error.msg\" for messages"});
  open_error_msg_file(lu, ktest);
  // "_error.msg" is now the message file on lu: later file messages go there
  // and must not open it a second time on luErr.
  destination_arranged = true;
}

}  // namespace

void mesag(std::string_view text, std::int32_t& iwhere) {
  if (ktest >= 1) write_free(kConsole, {">>In mesag - iwhere,text= ", iwhere, ", ", text});

  const std::string_view used_text = used(text);
  if (used_text == kMesagGetLu) {
    get_lu(iwhere);
    return;
  }
  if (used_text == kMesagSetKtest) {
    ktest = iwhere;
    return;
  }

  const bool console_wanted = iwhere == kMesagConsole || iwhere == kMesagConsoleAndFile;
  const bool file_wanted = iwhere != kMesagConsole;

  if (first_call) {
    next_column = 1;
    first_call = false;
    if (iwhere < 0) {
      // A "Get lu" before this call may have put "_error.msg" on lu.
      if (lu > 3) close_unit(lu);
      lu = -iwhere;
      destination_arranged = true;
      return;
    }
  } else if (iwhere < 0 || field(text, 9) == "Initializ") {
    return;
  }

  if (file_wanted && !destination_arranged) {
    write_free(kConsole, {"*Mesag: Output file not set, see \"_error.msg\" for messages."});
    open_error_msg_file(luErr, ktest);
    if (ktest >= 2) write_free(kConsole, {"Now luErr=", luErr});
  }

  // A text with no used characters counts as one blank.
  std::string_view piece = used_text.empty() ? std::string_view(" ") : used_text;
  std::size_t n = piece.size();
  std::size_t last = next_column + n - 1;
  if (last >= kBufferSize) {
    write_free(kConsole, {"*Mesag: mesag too long: " + field(text, 20)});
    n = kBufferSize - next_column;
    piece = piece.substr(0, n);
    last = kBufferSize - 1;
  }

  if (piece[0] == '\\') {
    std::copy(piece.begin() + 1, piece.end(), buffer.begin() + (next_column - 1));
    next_column = last;
    return;
  }

  std::copy(piece.begin(), piece.end(), buffer.begin() + (next_column - 1));
  const std::string_view message(buffer.data(), last);
  std::size_t k = 0;
  while (k < kMaxSlashes && k < last && message[k] == '/') ++k;
  const std::string_view proper = message.substr(k);

  if (console_wanted) {
    if (k >= 1) write_free(kConsole, {blanks(k)});
    write_text(kConsole, proper.substr(0, kConsoleWidth));
    if (ktest >= 1) write_free(kConsole, {"Did the write to screen"});
  }
  if (file_wanted) write_to_file(proper, k, iwhere);

  next_column = 1;
  if (ktest >= 1) write_free(kConsole, {"<<Lv mesag.."});
}

void mesag(std::string_view text, const std::int32_t& iwhere) {
  std::int32_t copy = iwhere;
  mesag(text, copy);
}

// A fresh start, as in a new process (through the test seams).
[[maybe_unused]] const bool registered = seams::register_reset([] {
  lu = -1;
  luErr = -1;
  first_call = true;
  destination_arranged = false;
  ktest = 0;
  next_column = 1;
});

}  // namespace sunder
