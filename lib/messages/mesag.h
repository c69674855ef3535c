// The message routine: every report of the tool and its library goes through
// mesag with a destination code: 0 console, 2 console and message file, any
// other positive value message file only, negative on the first call the
// initialisation (the output unit becomes -iwhere). Control texts "Get lu"
// (iwhere receives the output unit) and "Set ktest" (the trace level).
#pragma once

#include <cstdint>
#include <string_view>

namespace sunder {

void mesag(std::string_view text, std::int32_t& iwhere);
// For a destination given as a value: "Get lu" then has nowhere to answer.
void mesag(std::string_view text, const std::int32_t& iwhere);

}  // namespace sunder
