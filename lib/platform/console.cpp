// The console: standard output through stdio, standard input by lines (a CR
// before the LF dropped), and the test seams that stand in for both.
#include <cstdio>
#include <string>

#include "lib/platform/console.h"
#include "lib/platform/console_os.h"
#include "lib/platform/seams.h"

namespace sunder::platform {

// What a test put in the console's place (seams::set_console_input,
// seams::capture_console_output).
const std::string* test_input = nullptr;
std::size_t test_input_position = 0;
std::string* test_sink = nullptr;

namespace {

bool output_prepared = false;
bool input_prepared = false;

}  // namespace

void console_write(std::string_view bytes) {
  if (test_sink != nullptr) {
    test_sink->append(bytes);
    return;
  }
  if (!output_prepared) {
    prepare_standard_output();
    output_prepared = true;
  }
  std::fwrite(bytes.data(), 1, bytes.size(), stdout);
}

void console_flush() { std::fflush(stdout); }

int console_read_line(std::string& line) {
  line.clear();
  if (test_input != nullptr) {
    if (test_input_position >= test_input->size()) return -1;
    std::size_t end = test_input->find('\n', test_input_position);
    if (end == std::string::npos) end = test_input->size();
    line.assign(*test_input, test_input_position, end - test_input_position);
    test_input_position = end + 1;
  } else {
    console_flush();
    if (!input_prepared) {
      prepare_standard_input();
      input_prepared = true;
    }
    int c = 0;
    bool any = false;
    while ((c = std::fgetc(stdin)) != EOF) {
      any = true;
      if (c == '\n') break;
      line.push_back(static_cast<char>(c));
    }
    if (!any) return std::ferror(stdin) ? 1 : -1;
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return 0;
}

}  // namespace sunder::platform

namespace sunder::seams {

void set_console_input(const std::string* input) {
  platform::test_input = input;
  platform::test_input_position = 0;
}

void capture_console_output(std::string* sink) { platform::test_sink = sink; }

}  // namespace sunder::seams
