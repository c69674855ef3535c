#include "lib/shell/ask_text.h"

#include "lib/files/prompts.h"
#include "lib/text/fields.h"
#include "lib/text/lines.h"

namespace sunder {
namespace {

constexpr std::size_t kReplyLength = 40;

}  // namespace

std::string ask_text(std::string_view prompt, std::size_t length) {
  show_prompt(prompt);
  std::string reply = blanks(kReplyLength);
  // At the end of the console input no reply can come: an empty one.
  if (read_text(kConsole, reply) != kReadOk) reply = blanks(kReplyLength);
  return field(reply, length);
}

}  // namespace sunder
