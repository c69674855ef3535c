// Fixed-length fields.
#include <algorithm>
#include <cstring>

#include "lib/text/fields.h"

namespace sunder {

std::string field(std::string_view text, std::size_t width) {
  std::string out(width, ' ');
  std::memcpy(out.data(), text.data(), std::min(width, text.size()));
  return out;
}

void put_field(std::span<char> target, std::string_view text) {
  const std::size_t n = std::min(target.size(), text.size());
  std::memcpy(target.data(), text.data(), n);
  std::fill(target.begin() + static_cast<std::ptrdiff_t>(n), target.end(), ' ');
}

}  // namespace sunder
