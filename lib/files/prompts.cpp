// A yes/no question on the console, answered on the same line.
#include "lib/files/prompts.h"

#include <string>

#include "lib/platform/console.h"
#include "lib/text/fields.h"
#include "lib/text/lines.h"

namespace sunder {

void show_prompt(std::string_view prompt) {
  std::size_t k = 0;
  while (k < prompt.size() && prompt[k] == '/') {
    write_free(kConsole, {});
    ++k;
  }
  write_line(kConsole, "(1X, 2A, $)", {used(prompt.substr(k)), " "});
  platform::console_flush();
}

bool ask_yes_no(std::string_view prompt) {
  show_prompt(prompt);
  std::string reply(1, ' ');
  // No reply can come when the input has ended or fails: no.
  if (read_text(kConsole, reply) != kReadOk) return false;
  return reply[0] != 'n' && reply[0] != 'N';
}

}  // namespace sunder
