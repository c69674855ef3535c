// Fuzzes layouts: the first line of the input is a notation, the rest are
// items (texts and numbers) to render, write and read back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "lib/platform/console.h"
#include "lib/platform/seams.h"
#include "lib/text/layout.h"
#include "lib/text/lines.h"

using namespace sunder;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t nl = input.find('\n');
  const std::string_view notation = input.substr(0, nl);
  std::string_view rest = nl == std::string_view::npos ? std::string_view() : input.substr(nl + 1);

  // Items: each further line is a text, or a number when it starts with '#'.
  std::vector<std::string> texts;
  texts.reserve(16);
  std::vector<Item> items;
  while (!rest.empty() && items.size() < 16) {
    const std::size_t end = rest.find('\n');
    std::string_view piece = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    if (!piece.empty() && piece[0] == '#') {
      items.emplace_back(
          static_cast<long long>(std::strtoll(std::string(piece.substr(1)).c_str(), nullptr, 10)));
    } else if (!piece.empty() && piece[0] == '~') {
      items.emplace_back(std::strtod(std::string(piece.substr(1)).c_str(), nullptr));
    } else {
      texts.emplace_back(piece);
      items.emplace_back(std::string_view(texts.back()));
    }
  }

  const Layout compiled = compile_layout(notation);
  std::string console;
  seams::capture_console_output(&console);
  write_line(kConsole, compiled, std::span<const Item>(items.data(), items.size()));
  seams::capture_console_output(nullptr);

  char target[40];
  std::initializer_list<Item> none{};
  render(std::span<char>(target, sizeof target), compiled, none);

  // The same input read back as fields.
  std::int32_t a = 0, b = 0;
  float r = 0;
  std::string t(7, ' ');
  read_fields(input, compiled, {a, t, r, b});
  return 0;
}
