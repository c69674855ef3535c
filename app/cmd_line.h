// The command line rebuilt as one text: the executable's base name and the
// arguments as typed, one blank apart.
#pragma once

#include <cstdint>
#include <span>

namespace sunder {

// nargs receives the argument count (the program's name not counted); text
// is filled, blank-padded, with the command line. Returns 0, or 1 when the
// text was too short for every argument.
std::int32_t cmd_line(std::int32_t& nargs, std::span<char> text);

}  // namespace sunder
