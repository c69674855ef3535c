// mesag: "message". The message routine: every report of the tool and its library goes through
// mesag with a destination code: 0 console, 2 console and message file, any
// other positive value message file only, negative on the first call the
// initialisation (the output unit becomes -iwhere). Control texts "Get lu"
// (iwhere receives the output unit) and "Set ktest" (the trace level).
#pragma once

#include <cstdint>
#include <string_view>

namespace sunder {

// Destinations (iwhere). Any other positive value is the message file only; a
// negated unit on the first call is the initialisation, later ones are ignored.
inline constexpr std::int32_t kMesagConsole = 0;         // the console only
inline constexpr std::int32_t kMesagFile = 1;            // the message file only
inline constexpr std::int32_t kMesagConsoleAndFile = 2;  // the console and the message file
// Control texts: no message, iwhere answers or gives a value.
inline constexpr std::string_view kMesagGetLu = "Get lu";        // iwhere receives the output unit
inline constexpr std::string_view kMesagSetKtest = "Set ktest";  // iwhere is the trace level

void mesag(std::string_view text, std::int32_t& iwhere);
// For a destination given as a value: "Get lu" then has nowhere to answer.
void mesag(std::string_view text, const std::int32_t& iwhere);

}  // namespace sunder
