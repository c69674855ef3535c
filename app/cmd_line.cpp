#include "app/cmd_line.h"

#include <algorithm>
#include <filesystem>
#include <string>
#include <string_view>

#include "lib/files/units.h"
#include "lib/messages/mesag.h"
#include "lib/platform/arguments.h"
#include "lib/text/lines.h"

namespace sunder {
namespace {

constexpr std::size_t kPathField = 150;
constexpr std::size_t kArgField = 35;

// The path's last component without its extension. The separators are the
// platform's: "/" on POSIX, "\" and "/" on Windows.
std::string_view base_name(std::string_view path) {
  constexpr char seps[] = {'/', static_cast<char>(std::filesystem::path::preferred_separator),
                           '\0'};
  std::size_t slash = path.find_last_of(seps);
  std::size_t start = (slash == std::string_view::npos) ? 0 : slash + 1;
  std::size_t dot = path.find_last_of('.');
  std::size_t end = path.size();
  if (dot != std::string_view::npos && dot >= start) end = dot;
  return path.substr(start, end - start);
}

}  // namespace

std::int32_t cmd_line(std::int32_t& nargs, std::span<char> text) {
  nargs = platform::argument_count();
  std::fill(text.begin(), text.end(), ' ');
  const std::size_t n = text.size();
  std::int32_t status = 0;

  std::string_view path = platform::argument(0);
  if (path.size() > kPathField) path = path.substr(0, kPathField);
  if (path.empty()) mesag("Err in getarg0 in cmd_line", kMesagConsoleAndFile);

  std::string_view base = base_name(path);
  std::size_t nb = std::min(base.size(), n);
  std::copy_n(base.begin(), nb, text.begin());
  std::size_t f = base.size() + 2;  // next free column, counted from 1

  for (std::int32_t i = 1; i <= nargs; ++i) {
    std::string_view arg = platform::argument(i);
    if (arg.size() > kArgField) arg = arg.substr(0, kArgField);
    if (arg.empty()) mesag("Err in getarg in cmd_line", kMesagConsoleAndFile);

    std::size_t b = f + arg.size() - 1;  // last column of this argument
    bool last = false;
    if (b > n) {
      mesag("*Array too short in cmd_line; incomplete recovery*", kMesagConsoleAndFile);
      b = n;
      last = true;
      status = 1;
    }
    for (std::size_t col = f; col <= b && col <= n; ++col) text[col - 1] = arg[col - f];
    f = b + 2;
    if (last) break;
  }
  return status;
}

}  // namespace sunder
