#include "app/channel_file.h"

#include <string>

#include "app/run_state.h"
#include "lib/files/file_exists.h"
#include "lib/files/open_file.h"
#include "lib/files/units.h"
#include "lib/messages/mesag.h"
#include "lib/messages/nerrmsg.h"
#include "lib/platform/file.h"
#include "lib/text/fields.h"
#include "lib/text/lines.h"
#include "lib/text/stop.h"

namespace sunder {
namespace {

constexpr std::size_t kNameLength = 10;
// The name of the channel file being written (10 characters, e.g. chan033.v2).
std::string chanName(kNameLength, ' ');

[[noreturn]] void write_failed() {
  std::string text = "*Err writing channel file " + std::string(used(chanName)) +
                     " (disk full or not writable?); stop";
  nerrmsg(text, 2);
  stop(kExitError);
}

}  // namespace

void open_channel_file(std::int32_t StaChn, std::int32_t iVol, const Header& Txthdr) {
  RunState& rs = run_state();
  if (StaChn < 0 || StaChn > 999) {
    std::string text = "*Err - station-channel number " + std::to_string(StaChn) +
                       " outside 0..999, no channel file for it; stop";
    nerrmsg(text, 2);
    stop(kExitError);
  }
  static const Layout& nameLayout = layout("(A4, I3.3, A2, I1)");
  render(chanName, nameLayout, {"chan", StaChn, ".v", iVol});

  if (file_exists(chanName)) {
    nerrmsg("File " + chanName + " already exists, stop", 2);
    stop(kExitError);
  }
  std::int32_t status = 0;
  opnfil(rs.luOut, chanName, "output", 21, status);
  if (status != 0) stop(kExitError);  // opnfil has ended the run already

  write_free(kConsole, {"  File ", used(chanName), " being written."});

  for (const TextLine& h : Txthdr) {
    if (write_text(rs.luOut, std::string_view(h.data(), h.size())) != 0) write_failed();
  }
}

void write_channel_line(std::string_view line) {
  if (write_text(run_state().luOut, used(line)) != 0) {
    write_failed();
  }
}

void close_channel_file(bool haveTime, std::int64_t volumeMtime) {
  RunState& rs = run_state();
  if (close_unit(rs.luOut) != 0) write_failed();
  if (!haveTime || platform::set_file_mtime(used(chanName), volumeMtime) != platform::kFileOk) {
    rs.anyUndated = true;
  }
}

void closing_note() {
  if (run_state().anyUndated) {
    mesag("/Note: FD.exe not available, output files will have today's date", 2);
  }
}

void reset_channel_file_for_test() { chanName.assign(kNameLength, ' '); }

}  // namespace sunder
