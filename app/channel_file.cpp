#include "app/channel_file.h"

#include <string>

#include "app/run_state.h"
#include "lib/files/units.h"
#include "lib/messages/mesag.h"
#include "lib/messages/nerrmsg.h"
#include "lib/platform/file.h"
#include "lib/platform/interrupt.h"
#include "lib/text/fields.h"
#include "lib/text/lines.h"
#include "lib/text/stop.h"

namespace sunder {
namespace {

constexpr std::size_t kNameLength = 10;
// The name of the channel file being written (10 characters, e.g. chan033.v2).
std::string chanName(kNameLength, ' ');
// A channel file is open and not yet complete.
bool writing = false;

[[noreturn]] void write_failed(int status) {
  if (status == platform::kSourceEnded) volume_cut_short(run_state().volume);
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

  // Created here and now or not at all: whatever takes the name first (a
  // file of an earlier run, another run's file, a link) is never replaced.
  const int iostat = connect_unit(rs.luOut, used(chanName), UnitMode::kNew);
  if (iostat == platform::kAlreadyExists) {
    nerrmsg("File " + chanName + " already exists, stop", 2);
    stop(kExitError);
  }
  if (iostat != 0) {
    mesag("*Err creating channel file " + std::string(used(chanName)) + ", error " +
              std::to_string(iostat) + "; stop",
          2);
    stop(kExitError);
  }
  writing = true;
  platform::set_interrupt_text(
      "*Run interrupted; channel file " + std::string(used(chanName)) + " left incomplete, stop",
      stream_handle(run_state().luLog));

  write_free(kConsole, {"  File ", used(chanName), " being written."});

  for (const TextLine& h : Txthdr) {
    const int status = write_text(rs.luOut, std::string_view(h.data(), h.size()));
    if (status != 0) write_failed(status);
  }
}

void write_channel_line(std::string_view line) {
  const int status = write_text(run_state().luOut, used(line));
  if (status != 0) write_failed(status);
}

void close_channel_file(bool haveTime, std::int64_t volumeMtime) {
  RunState& rs = run_state();
  const int status = close_unit(rs.luOut);
  if (status != 0) write_failed(status);
  writing = false;
  platform::set_interrupt_text(kInterruptedText, stream_handle(rs.luLog));
  if (!haveTime || platform::set_file_mtime(used(chanName), volumeMtime) != platform::kFileOk) {
    rs.anyUndated = true;
  }
}

void volume_cut_short(std::string_view volume) {
  std::string text = "*Err - " + std::string(volume) + " was cut short while it was split";
  if (writing) text += "; " + std::string(used(chanName)) + " is incomplete";
  nerrmsg(text + ", stop", 2);
  stop(kExitError);
}

void closing_note() {
  if (run_state().anyUndated) {
    mesag("/Note: FD.exe not available, output files will have today's date", 2);
  }
}

void reset_channel_file_for_test() {
  chanName.assign(kNameLength, ' ');
  writing = false;
}

}  // namespace sunder
