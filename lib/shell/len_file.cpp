// The length of a named file, taken from the file system. Names are found
// as the command processor finds them: letter case does not count.
#include "lib/shell/len_file.h"

#include <string>

#include "lib/files/text_case.h"
#include "lib/messages/mesag.h"
#include "lib/messages/mesag_to_log.h"
#include "lib/platform/file.h"
#include "lib/platform/name_match.h"
#include "lib/platform/seams.h"
#include "lib/text/fields.h"
#include "lib/text/lines.h"

namespace sunder {
namespace {

constexpr std::size_t kNameLength = 12;
constexpr std::size_t kMessageLength = 80;
// The length before it is known, as the trace shows it.
constexpr std::int64_t kNoLength = -99;

// The size of the file of that name, or of the one file whose name differs
// from it in letter case only. Returns a platform status.
int size_of(const std::string& path, std::size_t name_start, std::int64_t& bytes) {
  if (platform::file_exists(path)) return platform::file_size(path, bytes);
  const std::string directory = path.substr(0, name_start);
  std::string found;
  const int status =
      platform::one_name_ignoring_case(directory, std::string_view(path).substr(name_start), found);
  if (status != platform::kFileOk) return platform::kNotFound;  // none, or several: none is meant
  return platform::file_size(directory + found, bytes);
}

}  // namespace

std::int64_t len_file(std::string_view file, std::int32_t ktest) {
  if (ktest >= 1) write_free(kConsole, {">>In len_file, file= ", file});

  const std::string path(used(file));
  // The name part follows the last directory separator.
  const std::size_t separator = path.find_last_of("\\/");
  const std::size_t nslash = separator == std::string::npos ? 0 : separator + 1;
  std::string filenameFromInput = field(std::string_view(path).substr(nslash), kNameLength);
  if (ktest >= 2) {
    write_free(kConsole,
               {"filenameFromInput,nslash=[", filenameFromInput, "],", static_cast<int>(nslash)});
  }
  to_lower(filenameFromInput);

  std::int64_t length = kNoLength;
  std::int64_t code = 0;
  std::int64_t bytes = 0;
  const int status = path.empty() ? platform::kNotFound : size_of(path, nslash, bytes);
  if (status == platform::kFileOk) {
    length = bytes;
  } else if (status == platform::kNotFound) {
    std::string message = blanks(kMessageLength);
    render(message, "(2A)", {"File not found, len_file: ", file});
    mesag(message, kMesagConsoleAndFile);
    render(message, "(4A)",
           {"Input and Dir filenames: ", filenameFromInput, ", ", blanks(kNameLength)});
    mesag(message, kMesagConsoleAndFile);
    code = kLenFileNotFound;
  } else {
    mesag_to_log("Err reading DIR file;len_file", " ", kLogConsoleAndFile);
    code = kLenFileUnreadable;
  }

  if (ktest >= 1) write_free(kConsole, {"<<Leaving, len_file=", static_cast<long long>(length)});
  return length != kNoLength ? length : code;
}

// A fresh start, as in a new process (through the test seams).
[[maybe_unused]] const bool registered = seams::register_reset([] {});

}  // namespace sunder
