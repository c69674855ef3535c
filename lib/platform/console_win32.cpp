// Console on Windows: standard output in binary mode, so the "\r\n" line ends
// the callers write reach the console (or a redirected file) unchanged;
// standard input by lines, a CR before the LF dropped.
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>

#include "lib/platform/console.h"

namespace sunder::platform {
namespace {

const std::string* test_input = nullptr;
std::size_t test_input_position = 0;
std::string* test_sink = nullptr;
bool stdout_binary = false;
bool stdin_binary = false;

void make_stdout_binary() {
  if (stdout_binary) return;
  std::fflush(stdout);
  _setmode(_fileno(stdout), _O_BINARY);
  stdout_binary = true;
}

}  // namespace

void console_write(std::string_view bytes) {
  if (test_sink != nullptr) {
    test_sink->append(bytes);
    return;
  }
  make_stdout_binary();
  std::fwrite(bytes.data(), 1, bytes.size(), stdout);
}

std::string_view console_line_end() { return "\r\n"; }

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
    if (!stdin_binary) {
      _setmode(_fileno(stdin), _O_BINARY);
      stdin_binary = true;
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

void set_console_input_for_test(const std::string* input) {
  test_input = input;
  test_input_position = 0;
}

void capture_console_output_for_test(std::string* sink) { test_sink = sink; }

}  // namespace sunder::platform
