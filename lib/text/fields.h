// Fixed-length, blank-padded texts: the used part (without trailing blanks)
// and fields cut or padded to a width.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace sunder {

// The text without its trailing blanks.
constexpr std::string_view used(std::string_view text) {
  std::size_t n = text.size();
  while (n > 0 && text[n - 1] == ' ') --n;
  return text.substr(0, n);
}
constexpr std::size_t used_length(std::string_view text) { return used(text).size(); }

// The text cut or blank-padded to exactly width characters.
std::string field(std::string_view text, std::size_t width);
// Copies the text into the field, cut or blank-padded to the field's size.
void put_field(std::span<char> target, std::string_view text);
inline void put_field(std::string& target, std::string_view text) {
  put_field(std::span<char>(target.data(), target.size()), text);
}
// A text of n blanks.
inline std::string blanks(std::size_t n) { return std::string(n, ' '); }

}  // namespace sunder
