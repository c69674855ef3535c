#include "app/split_volume.h"

#include <algorithm>
#include <cstdint>
#include <string>

#include "app/channel_file.h"
#include "app/run_log.h"
#include "app/run_state.h"
#include "lib/calendar/file_date.h"
#include "lib/files/open_file.h"
#include "lib/files/text_case.h"
#include "lib/files/units.h"
#include "lib/messages/mesag.h"
#include "lib/messages/nerrmsg.h"
#include "lib/platform/file.h"
#include "lib/text/fields.h"
#include "lib/text/lines.h"
#include "lib/text/stop.h"

namespace sunder {
namespace {

constexpr std::int32_t kMaxRecords = 999;
constexpr std::int32_t kMaxLinesPerRecord = 100000;
// A line is read whole (up to the read buffer's size), to judge what a cut loses.
constexpr std::size_t kWholeLine = std::string_view::npos;
// What a cut may drop without a warning.
constexpr std::string_view kFiller = " \x1a";

// Working state of the volume being split: the current record's header and
// the body line just read. Kept here so the body loop allocates nothing.
Header Txthdr;
TextLine line;

std::string_view view(const TextLine& t) { return std::string_view(t.data(), t.size()); }

// Lines longer than a field are cut to it; the lines whose cut part held
// more than blanks and Ctrl-Z filler are counted, and the first one's place
// kept, for one warning at the volume's end.
struct LongLines {
  std::int32_t count = 0;
  std::int32_t record = 0;
  std::int32_t lineNo = 0;
};
LongLines longLines;

// One line of the volume, cut to the 80-character field; reads one character
// more than the field to see whether anything was cut.
int read_volume_line(Unit lu, std::int32_t record, std::int32_t lineNo, std::string_view& text) {
  const int st = read_view(lu, kWholeLine, text);
  if (text.size() > kLineLength) {
    // Only a cut that loses data counts: agency volumes carry 81-column lines
    // ending in a blank, and lines of Ctrl-Z filler.
    const bool lost = text.find_first_not_of(kFiller, kLineLength) != std::string_view::npos;
    text = text.substr(0, kLineLength);
    if (lost && longLines.count++ == 0) {
      longLines.record = record;
      longLines.lineNo = lineNo;
    }
  }
  return st;
}

void warn_long_lines(const std::string& name) {
  if (longLines.count == 0) return;
  mesag("*Warning: " + name + ": " + std::to_string(longLines.count) +
            " lines longer than 80 characters, cut to 80",
        2);
  mesag("  the first is line " + std::to_string(longLines.lineNo) + " of record " +
            std::to_string(longLines.record),
        2);
}

// The stage named by header line 1 (upper-cased in line): iVol and the header
// line holding the station-channel number; false when no stage matches.
bool find_stage(std::string_view upper, std::int32_t& iVol, int& iline) {
  struct Stage {
    std::string_view word;
    std::int32_t iVol;
    int iline;
  };
  static constexpr Stage stages[] = {
      {"RAW", 0, 8}, {"UNCORRECTED", 1, 7}, {"CORRECTED", 2, 8}, {"RESPONSE", 3, 9}};
  for (const Stage& s : stages) {
    if (upper.starts_with(s.word)) {
      iVol = s.iVol;
      iline = s.iline;
      return true;
    }
  }
  return false;
}

// Are the first n header lines blank? Tabs and a DOS end-of-file mark
// (Ctrl-Z) count as blank.
bool blank_lines(int n) {
  for (int i = 0; i < n; ++i) {
    if (view(Txthdr[i]).find_first_not_of(" \t\x1a") != std::string_view::npos) return false;
  }
  return true;
}

[[noreturn]] void fatal(const std::string& text) {
  nerrmsg(text, 2);
  stop(kExitError);
}

}  // namespace

void split_volume(std::string_view volume) {
  RunState& rs = run_state();
  const std::string name(used(volume));

  write_free(kConsole, {"Read file ", volume});

  std::int32_t status = 0;
  opnfil(rs.luIn, volume, "input", 1, status);
  if (status != 0) stop(kExitError);  // opnfil has ended the run already

  std::string volDate(8, ' ');
  std::string volTime(9, ' ');
  std::int32_t dateStatus = 0;
  file_date_status(volume, volDate, volTime, 24, dateStatus);
  std::int64_t volMtime = 0;
  const bool haveTime = platform::file_mtime(name, volMtime) == platform::kFileOk;
  rs.volume = name;
  // Its length now: a volume that another process shortens while it is split
  // ends early in the reading, which must not pass for its true end.
  std::int64_t volSize = 0;
  platform::file_size(name, volSize);
  const auto cut_short = [&] {
    std::int64_t now = 0;
    return platform::file_size(name, now) != platform::kFileOk || now < volSize;
  };

  static const Layout& staLayout = layout("(T6, I2, T28, I3)");
  std::int32_t channel = 1;
  int readStatus = kReadOk;
  bool done = false;  // listed channels all found: the rest is not read
  longLines = LongLines{};

  int headerLines = 0;  // lines of the header read last
  while (!done) {
    headerLines = 0;
    for (TextLine& h : Txthdr) {
      std::string_view text;
      readStatus = read_volume_line(rs.luIn, channel, headerLines + 1, text);
      put_field(h, text);
      if (readStatus != kReadOk) break;
      ++headerLines;
    }
    if (readStatus != kReadOk) break;

    line = Txthdr[0];
    to_upper(line, kLineLength);
    std::int32_t iVol = 0;
    int iline = 8;
    if (!find_stage(view(line), iVol, iline)) {
      stop(kExitError, "Err - input file not a QVRF v0, v1, v2 or v3 file");
    }
    // Judged after the stage: ten lines that open no record are not a record.
    if (channel > kMaxRecords) {
      fatal("*Err - more than 999 channel records in " + name +
            "; the rest cannot be split, stop");
    }

    const TextLine& staLine = Txthdr[iline - 1];
    std::int32_t chn2 = 0, chn3 = 0;
    if (read_fields(view(staLine), staLayout, {chn2, chn3}) != kReadOk) {
      fatal("*Err - station-channel number not numeric in channel record " +
            std::to_string(channel) + " of " + name + ", stop");
    }
    const std::int32_t StaChn = (chn3 != 0) ? chn3 : chn2;

    if (rs.ktest >= 1) {
      write_free(kConsole, {"iVol,StaChn=", iVol, StaChn, " Txthdr(iline)=", view(staLine)});
    }

    const bool selected = rs.allChans || StaChn == rs.wantedChan;
    if (selected) open_channel_file(StaChn, iVol, Txthdr);

    // The body, streamed: each line is written as soon as it is read, as the
    // view the text layer hands out (its 80-character field without the
    // trailing blanks), so an unchanged line is passed on without a copy.
    for (std::int32_t lineNo = 11; lineNo <= kMaxLinesPerRecord; ++lineNo) {
      std::string_view body;
      const int st = read_volume_line(rs.luIn, channel, lineNo, body);
      if (st == kReadEnd) {
        if (cut_short()) volume_cut_short(name);
        mesag("End-of-chn flag not found.", 2);
        stop(kExitError);
      }
      if (st != kReadOk) {
        std::string text(80, ' ');
        render(text, "(A, I6)", {"Read err at line", lineNo});
        mesag(text, 2);
        stop(kExitError);
      }
      if (lineNo == 41 && rs.ktest >= 1) {
        put_field(line, body);
        write_free(kConsole, {view(line)});
      }
      if (selected) write_channel_line(body);
      if (body.starts_with("/&")) break;
    }

    if (selected) {
      close_channel_file(haveTime, volMtime);
      if (rs.listedChans) {
        ++rs.nFound;
        ++rs.nextWanted;
        if (rs.nFound == rs.nChans) {
          done = true;
        } else {
          rs.wantedChan = rs.chanList[rs.nextWanted];
        }
      }
    }
    ++channel;
  }

  warn_long_lines(name);
  if (!done && cut_short()) volume_cut_short(name);
  if (!done) {
    if (readStatus == kReadEnd && channel > 1) {
      // Lines after the last flag that are not blank: the volume was cut
      // short inside a record's header, and that record is lost.
      if (!blank_lines(headerLines)) {
        fatal("*Err - " + name + " ends inside the header of record " + std::to_string(channel) +
              " (" + std::to_string(headerLines) + " of 10 lines); stop");
      }
      if (rs.listedChans) {
        if (rs.nFound < rs.nChans) {
          write_line(kConsole, "(A, I3, A)",
                     {" *File searched, Station Channel", rs.wantedChan, " not found*"});
          rs.incomplete = true;
        }
      } else {
        write_report_row(volume, volDate, volTime, channel - 1);
      }
    } else {
      mesag("Err reading input file", 2);
      rs.incomplete = true;
    }
  }
  close_unit(rs.luIn);
}

}  // namespace sunder
