// Console on POSIX: standard output through stdio, standard input by lines.
#include <cstdio>
#include <string>

#include "lib/platform/console.h"

namespace sunder::platform {
namespace {

const std::string* test_input = nullptr;
std::size_t test_input_position = 0;
std::string* test_sink = nullptr;

}  // namespace

void console_write(std::string_view bytes) {
  if (test_sink != nullptr) {
    test_sink->append(bytes);
    return;
  }
  std::fwrite(bytes.data(), 1, bytes.size(), stdout);
}

std::string_view console_line_end() { return "\n"; }

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

void set_console_input_for_test(const std::string* input) {
  test_input = input;
  test_input_position = 0;
}

void capture_console_output_for_test(std::string* sink) { test_sink = sink; }

}  // namespace sunder::platform
