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

void reset_open_file_for_test();

}  // namespace sunder
