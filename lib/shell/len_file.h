// The length of a named file in bytes, or a negative result.
#pragma once

#include <cstdint>
#include <string_view>

namespace sunder {

// The negative results of len_file, each reported through the messages.
inline constexpr std::int64_t kLenFileNotFound = -2;    // no such file, or more than one by case
inline constexpr std::int64_t kLenFileUnreadable = -5;  // its length could not be read

std::int64_t len_file(std::string_view file, std::int32_t ktest);

}  // namespace sunder
