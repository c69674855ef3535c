// Existence of a file by name (its used part).
#include "lib/files/file_exists.h"

#include "lib/platform/file.h"
#include "lib/text/fields.h"

namespace sunder {

bool file_exists(std::string_view name) {
  const std::string_view path = used(name);
  if (path.empty()) return false;
  return platform::file_exists(path);
}

}  // namespace sunder
