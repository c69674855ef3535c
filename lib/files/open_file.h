// File opening on a caller-chosen unit, in the modes Input, In/out, Append,
// Output (and Scratch for open_file), with kontrl's overwrite policy (tens)
// and failure policy (last digit). Every failure is reported through mesag.
#pragma once

#include <cstdint>
#include <string_view>

#include "lib/text/streams.h"

namespace sunder {

// Status: 0 opened, 1 append file created, 2 input file missing, 3 output not
// overwritten or write open failed, 4 file already open (or a declined
// overwrite under failure policy 2), 6 unit in use, 10 both, 8 other failure.
std::int32_t open_file(Unit unit, std::string_view name, std::string_view mode,
                       std::int32_t kontrl);
void opnfil(Unit unit, std::string_view name, std::string_view mode, std::int32_t kontrl,
            std::int32_t& status);

// Ends the run (status 1) for a link or a special file found where one of
// the program's own files belongs. The line names the file and goes to the
// message file when one is set, and whole to the console: it is longer than
// the console lines mesag writes, and its end must not be lost.
[[noreturn]] void refuse_not_regular(std::string_view name);

}  // namespace sunder
