// Does a file of this name (without its trailing blanks) exist?
#pragma once

#include <string_view>

namespace sunder {

bool file_exists(std::string_view name);

}  // namespace sunder
