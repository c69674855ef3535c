// The connection registry and nextlu. Each unit the registry connects is a
// table entry of the text layer's stream table; the registry adds the file
// name and the mode, so "is this file open on some unit?" can be answered.
#include "lib/files/units.h"

#include <array>
#include <string>

#include "lib/messages/mesag.h"
#include "lib/platform/file.h"
#include "lib/platform/seams.h"
#include "lib/text/fields.h"
#include "lib/text/lines.h"
#include "lib/text/stop.h"

namespace sunder {
namespace {

constexpr Unit kFirstFree = 14;
constexpr Unit kLastFree = 50;
constexpr std::string_view kNoUnitText = "Fatal err in nextlu(), no unit available";

struct Connection {
  bool connected = false;
  UnitMode mode = UnitMode::kInput;
  std::string name;  // used part of the name; empty for a scratch file
};

std::array<Connection, kMaxUnit + 1> connections;
Unit next_candidate = kFirstFree;
// Set while nextlu reports its fatal error: the message routine may ask for
// a unit again (to open the error-message file), and must not recurse.
bool reporting_no_unit = false;

bool in_table(Unit unit) { return unit >= 0 && unit <= kMaxUnit; }

platform::Access access_of(UnitMode mode) {
  switch (mode) {
    case UnitMode::kInput:
      return platform::Access::kRead;
    case UnitMode::kInOut:
      return platform::Access::kReadWrite;
    case UnitMode::kAppend:
      return platform::Access::kAppend;
    case UnitMode::kOutput:
      return platform::Access::kWrite;
    case UnitMode::kNew:
      return platform::Access::kNew;
    case UnitMode::kScratch:
      return platform::Access::kTemporary;
  }
  return platform::Access::kRead;
}

}  // namespace

int connect_unit(Unit unit, std::string_view name, UnitMode mode) {
  if (!in_table(unit) || unit == kConsole || unit_connected(unit)) return 1;
  const std::string_view path = used(name);
  platform::FileHandle handle = platform::kNoFile;
  const int status = platform::open_file(path, access_of(mode), handle);
  if (status != platform::kFileOk) return status;
  if (attach_stream(unit, handle, mode == UnitMode::kInput) != 0) {
    platform::close_file(handle);
    return 1;
  }
  Connection& c = connections[static_cast<std::size_t>(unit)];
  c.connected = true;
  c.mode = mode;
  if (mode == UnitMode::kScratch) {
    c.name.clear();
  } else {
    c.name.assign(path);
  }
  return 0;
}

int close_unit(Unit unit) {
  if (!in_table(unit) || unit == kConsole) return 0;
  Connection& c = connections[static_cast<std::size_t>(unit)];
  const int status = detach_stream(unit);
  c.connected = false;
  c.name.clear();
  return status;
}

bool unit_connected(Unit unit) {
  if (!in_table(unit)) return false;
  return connections[static_cast<std::size_t>(unit)].connected || stream_attached(unit);
}

bool file_connected(std::string_view name) {
  const std::string_view path = used(name);
  if (path.empty()) return false;
  for (const Connection& c : connections) {
    if (c.connected && c.name == path) return true;
  }
  return false;
}

std::string_view unit_file_name(Unit unit) {
  if (!in_table(unit)) return {};
  const Connection& c = connections[static_cast<std::size_t>(unit)];
  if (!c.connected) return {};
  return c.name;
}

Unit nextlu() {
  Unit n = next_candidate;
  while (n <= kLastFree) {
    if (!unit_connected(n)) {
      next_candidate = n + 1;
      return n;
    }
    ++n;
  }
  next_candidate = n;
  if (reporting_no_unit) {
    // Asked again from inside the report below (the message routine wanted a
    // unit for the error-message file): the text goes to the console only.
    write_text(kConsole, kNoUnitText);
    stop(kExitError);
  }
  reporting_no_unit = true;
  mesag(kNoUnitText, 2);
  stop(kExitError);
}

// A fresh start, as in a new process (through the test seams).
[[maybe_unused]] const bool registered = seams::register_reset([] {
  for (Unit u = 0; u <= kMaxUnit; ++u) {
    if (connections[static_cast<std::size_t>(u)].connected) close_unit(u);
  }
  next_candidate = kFirstFree;
  reporting_no_unit = false;
});

}  // namespace sunder
