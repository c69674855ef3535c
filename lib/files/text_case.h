// Letter case of texts in place: the used part of the first n characters; only
// ASCII letters change.
#pragma once

#include <cstddef>
#include <span>
#include <string>

namespace sunder {

void to_upper(std::span<char> text, std::size_t n);
void to_lower(std::span<char> text, std::size_t n);
inline void to_upper(std::string& text, std::size_t n) { to_upper(std::span<char>(text), n); }
inline void to_lower(std::string& text, std::size_t n) { to_lower(std::span<char>(text), n); }
inline void to_upper(std::string& text) { to_upper(std::span<char>(text), text.size()); }
inline void to_lower(std::string& text) { to_lower(std::span<char>(text), text.size()); }

}  // namespace sunder
