// Fixed-length fields.
#include <algorithm>

#include "lib/text/fields.h"

namespace sunder {

std::string field(std::string_view text, std::size_t width) {
  std::string out(width, ' ');
  // copy_n, not memcpy: an empty view may have no data pointer at all.
  std::copy_n(text.data(), std::min(width, text.size()), out.data());
  return out;
}

void put_field(std::span<char> target, std::string_view text) {
  const std::size_t n = std::min(target.size(), text.size());
  std::copy_n(text.data(), n, target.data());
  std::fill(target.begin() + static_cast<std::ptrdiff_t>(n), target.end(), ' ');
}

}  // namespace sunder
