// Safety end to end, where the world is not tidy: links and special files
// where the tool's own files or its channel files belong, a second run in
// the same folder, a volume cut short while it is split, interrupts and
// kills, closed standard streams, an old listing, a log that cannot be
// written, and names and dates at the edges. Real processes, real files,
// real signals.
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#ifndef _WIN32
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "tests/app/tool_runner.h"

namespace {

using namespace apptest;

// ---- the marker and the log, anywhere ---------------------------------------

TEST(OneRunPerFolder, AMarkerLeftBehindByAnEarlierRunHoldsNoLock) {
  ScratchDir dir;
  write_file(dir / "SplitWas.bad", "Marker file. \r\n");
  write_file(dir / "vol.v2", record(2, 33));
  const RunResult r = run_tool(dir.path, {"vol.v2"});
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(read_file(dir / "chan033.v2"), record(2, 33));
  EXPECT_FALSE(dir.has("SplitWas.bad"));
}

TEST(RunLog, ARunWhoseLogCannotBeWrittenEndsWithStatusOne) {
  const std::string message = "*The run log Sunder.log could not be written; stop\n";
  {
    ScratchDir dir;  // a directory where the log belongs
    write_file(dir / "vol.v2", record(2, 33));
    fs::create_directory(dir / "Sunder.log");
    const RunResult r = run_tool(dir.path, {"vol.v2"});
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_TRUE(contains(r.out, message)) << r.out;
    EXPECT_TRUE(fs::is_directory(dir / "Sunder.log"));
    EXPECT_TRUE(dir.has("SplitWas.bad"));
  }
  if (is_superuser()) {
    ScratchDir dir;  // another user's read-only log, for a run as "nobody"
    write_file(dir / "vol.v2", record(2, 33));
    write_file(dir / "Sunder.log", "an older log\r\n");
    fs::permissions(dir / "Sunder.log",
                    fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    fs::permissions(dir.path, fs::perms::all);
    const RunResult r = run_as_nobody(dir.path, {"vol.v2"});
    if (r.status == 125) GTEST_SKIP() << "cannot switch to user nobody";
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_TRUE(contains(r.out, message)) << r.out;
    EXPECT_EQ(read_file(dir / "Sunder.log"), "an older log\r\n");
  }
}

TEST(RecordLimit, TenLinesOpeningNoRecordAfter999RecordsAreNotAVolume) {
  ScratchDir dir;
  std::string volume;
  for (int k = 0; k < 999; ++k) volume += record(k % 4, k, 1);
  for (int i = 1; i <= 10; ++i)
    volume += pad80("Trailing notes, line " + std::to_string(i)) + "\r\n";
  write_file(dir / "vol.v2", volume);
  const RunResult r = run_tool(dir.path, {"vol.v2"});
  EXPECT_EQ(r.status, 1) << r.out;
  EXPECT_TRUE(contains(r.out, "Err - input file not a QVRF v0, v1, v2 or v3 file\n")) << r.out;
  EXPECT_FALSE(contains(r.out, "more than 999 channel records")) << r.out;
  EXPECT_TRUE(dir.has("chan998.v2"));
}

#ifndef _WIN32

// ---- helpers for runs watched while they work -----------------------------------

const std::string kNotRegular =
    " is a link or not a regular file; nothing is written through it, stop";

// The names that differ between two snapshots of a folder, for a message.
std::string differences(const Snapshot& before, const Snapshot& after) {
  std::string text;
  for (const auto& [name, entry] : before) {
    const auto it = after.find(name);
    if (it == after.end())
      text += " removed:" + name;
    else if (!(it->second == entry))
      text += " changed:" + name;
  }
  for (const auto& [name, entry] : after)
    if (before.find(name) == before.end()) text += " added:" + name;
  return text;
}

// The row of the volume in the report of a run log ("" when there is none).
std::string report_row(const std::string& log, const std::string& volume) {
  for (const std::string& line : lines_of(log))
    if (contains(line, " " + volume + " ") && contains(line, "single-channel files")) return line;
  return "";
}

// A volume of about the megabytes, stage 2, channels 1, 2, ...: records of
// short body lines, each with a trailing blank so that every line is
// rewritten rather than copied. The tool takes a second or more over 256 MB:
// time for a test to act while it works. Returns the number of records.
int write_big_volume(const fs::path& p, int megabytes) {
  constexpr int kBodyLines = 99980;  // a record stays within 100,000 lines
  const std::string line = "  0.0012 \r\n";
  std::string body;
  body.reserve(kBodyLines * line.size());
  for (int i = 0; i < kBodyLines; ++i) body += line;
  const std::size_t recordBytes = body.size() + 10 * 82 + 4;
  const int records = static_cast<int>(static_cast<std::size_t>(megabytes) * 1048576 / recordBytes);
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  for (int k = 1; k <= records; ++k) {
    out << join_crlf(header_lines(2, station_line(1, k))) << body << "/&\r\n";
  }
  out.close();
  EXPECT_TRUE(out) << "could not write " << p;
  return records;
}

std::string channel_name(int stachn) {
  char name[32];
  std::snprintf(name, sizeof name, "chan%03d.v2", stachn);
  return name;
}

// Empties the folder but for the one file.
void clear_except(const ScratchDir& dir, const std::string& kept) {
  for (const auto& e : fs::directory_iterator(dir.path))
    if (e.path().filename() != kept) fs::remove_all(e.path());
}

// The name of the listing a wildcard run makes ("dir_fil$." and a unit
// number), seen in the folder during the pause that follows the listing.
const std::string& listing_name() {
  static const std::string name = [] {
    ScratchDir dir;
    write_file(dir / "vol.v2", record(2, 33));
    Launch l;
    l.dir = dir.path;
    l.args = {"*.v2"};
    Background run(l);
    std::string found;
    while (found.empty() && run.running()) {
      for (const auto& e : fs::directory_iterator(dir.path)) {
        const std::string n = e.path().filename().string();
        if (n.starts_with("dir_fil$.")) found = n;
      }
      ::usleep(1000);
    }
    EXPECT_EQ(run.finish().status, 0);
    return found;
  }();
  return name;
}

// ---- channel files ----------------------------------------------------------------

TEST(ChannelFiles, ALinkAtAChannelFileNameIsNeverFollowed) {
  for (const bool dangling : {true, false}) {
    SCOPED_TRACE(dangling ? "dangling link" : "link to a file");
    ScratchDir dir, outside;
    write_file(dir / "vol.v2", record(2, 1) + record(2, 2));
    const fs::path target = outside / "target";
    if (!dangling) {
      write_file(target, "keep\r\n");
      set_mtime(target, 1000000000);
    }
    fs::create_symlink(target, dir / "chan001.v2");
    const RunResult r = run_tool(dir.path, {"vol.v2"});
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_TRUE(contains(r.out, "File chan001.v2 already exists, stop\n")) << r.out;
    if (dangling) {
      EXPECT_FALSE(fs::exists(target)) << "created through the link";
    } else {
      EXPECT_EQ(read_file(target), "keep\r\n");
      EXPECT_EQ(mtime_of(target), 1000000000);
    }
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(dir / "chan001.v2")));
    EXPECT_FALSE(dir.has("chan002.v2"));
    EXPECT_TRUE(dir.has("SplitWas.bad"));
  }
}

// ---- one run per folder -------------------------------------------------------------

TEST(OneRunPerFolder, ASecondRunStopsAtOnceAndTouchesNothing) {
  ScratchDir dir, consoles;
  write_file(dir / "vol.v2", record(2, 33) + record(2, 34));
  write_file(dir / "other.v1", record(1, 77));
  // The first run pauses two seconds after its listing.
  Launch a;
  a.dir = dir.path;
  a.args = {"*.v2"};
  a.outPath = consoles / "first.txt";
  Background first(a);
  ::usleep(500000);
  ASSERT_TRUE(first.running()) << "the first run should be in its pause";
  const Snapshot before = snapshot(dir.path);

  Launch b = a;
  b.outPath = consoles / "second.txt";
  const auto start = std::chrono::steady_clock::now();
  const RunResult second = run_launch(b);
  const double took =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_EQ(second.status, 1) << second.out;
  EXPECT_TRUE(contains(
      second.out, "*Another sunder run is at work in this folder (it holds SplitWas.bad); stop\n"))
      << second.out;
  EXPECT_LT(took, 1.0);
  EXPECT_TRUE(first.running()) << "the second run must end within the first one's pause";
  const Snapshot after = snapshot(dir.path);
  EXPECT_TRUE(after == before) << "the second run changed the folder:"
                               << differences(before, after);

  const RunResult r = first.finish();
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(read_file(dir / "chan033.v2"), record(2, 33));
  EXPECT_EQ(read_file(dir / "chan034.v2"), record(2, 34));
  EXPECT_FALSE(dir.has("chan077.v1"));
  EXPECT_FALSE(dir.has("SplitWas.bad"));
}

// ---- the tool's own files -----------------------------------------------------------

TEST(OwnFiles, NoneIsWrittenThroughALinkOrOpenedAsASpecialFile) {
  const std::string listing = listing_name();
  ASSERT_FALSE(listing.empty()) << "no listing seen during a wildcard run";
  struct Own {
    std::string name;
    std::vector<std::string> args;
  } owns[] = {
      {"Sunder.log", {"vol.v2"}},
      {"SplitWas.bad", {"vol.v2"}},
      {"_error.msg", {"x.v2", "ktest=x"}},  // a stop before the log is open
      {listing, {"*.v2"}},
      {"sysCalls.log", {"*.v2"}},
      {"mesg2log.err", {"*.v2"}},
  };
  enum Kind { kLinkToAFile, kDanglingLink, kFifo };
  for (const Own& own : owns) {
    for (const Kind kind : {kLinkToAFile, kDanglingLink, kFifo}) {
      SCOPED_TRACE(own.name + (kind == kLinkToAFile    ? ": link to a file"
                               : kind == kDanglingLink ? ": dangling link"
                                                       : ": FIFO"));
      ScratchDir dir, outside;
      write_file(dir / "vol.v2", record(2, 33));
      const fs::path at = dir / own.name;
      const fs::path target = outside / "target";
      if (kind == kFifo) {
        ASSERT_EQ(::mkfifo(at.c_str(), 0666), 0);
      } else {
        if (kind == kLinkToAFile) {
          write_file(target, "keep\r\n");
          set_mtime(target, 1000000000);
        }
        fs::create_symlink(target, at);
      }
      Launch l;
      l.dir = dir.path;
      l.args = own.args;
      Background run(l);
      const RunResult r = run.finish(10);  // a FIFO must not hold the run
      EXPECT_EQ(r.status, 1) << r.out;
      EXPECT_TRUE(contains(r.out, "*" + own.name + kNotRegular + "\n")) << r.out;
      if (kind == kLinkToAFile) {
        EXPECT_EQ(read_file(target), "keep\r\n");
        EXPECT_EQ(mtime_of(target), 1000000000);
      } else if (kind == kDanglingLink) {
        EXPECT_FALSE(fs::exists(target)) << "created through the link";
      }
      const fs::file_status st = fs::symlink_status(at);
      EXPECT_TRUE(kind == kFifo ? fs::is_fifo(st) : fs::is_symlink(st));
      EXPECT_FALSE(dir.has("chan033.v2"));
    }
  }
}

// ---- a volume cut short, interrupts, kills ------------------------------------------------

TEST(CutShort, AVolumeShortenedWhileItIsSplitEndsTheRunNamingIt) {
  ScratchDir dir;
  const int records = write_big_volume(dir / "big.v2", 256);
  const auto size = fs::file_size(dir / "big.v2");
  Launch l;
  l.dir = dir.path;
  l.args = {"big.v2"};
  Background run(l);
  ASSERT_TRUE(appears(dir / "chan001.v2", run)) << "no channel file while the run was at work";
  std::error_code ec;
  fs::resize_file(dir / "big.v2", size / 16, ec);
  ASSERT_FALSE(ec) << ec.message();
  const RunResult r = run.finish();
  EXPECT_EQ(r.status, 1) << "-1 is a death by a signal\n" << r.out;
  const std::string text = "*Err - big.v2 was cut short while it was split";
  EXPECT_TRUE(contains(r.out, text)) << r.out;
  EXPECT_TRUE(contains(read_file(dir / "Sunder.log"), text));
  EXPECT_TRUE(dir.has("SplitWas.bad"));
  EXPECT_FALSE(dir.has(channel_name(records))) << "a record beyond the cut";
}

TEST(Interrupts, TheLogTellsOfAnInterruptedOrKilledRun) {
  ScratchDir dir;
  write_big_volume(dir / "big.v2", 256);
  for (const int sig : {SIGINT, SIGTERM, SIGKILL}) {
    SCOPED_TRACE(sig == SIGINT ? "SIGINT" : sig == SIGTERM ? "SIGTERM" : "SIGKILL");
    clear_except(dir, "big.v2");
    Launch l;
    l.dir = dir.path;
    l.args = {"big.v2"};
    Background run(l);
    ASSERT_TRUE(appears(dir / "chan001.v2", run)) << "no channel file while the run was at work";
    ASSERT_TRUE(run.signal(sig)) << "the run ended before the signal";
    const RunResult r = run.finish();
    const std::vector<std::string> log = lines_of(read_file(dir / "Sunder.log"));
    EXPECT_TRUE(dir.has("SplitWas.bad"));
    if (sig == SIGKILL) {
      EXPECT_EQ(r.status, -1);
      ASSERT_GE(log.size(), 2u) << "the log lost its first lines";
      EXPECT_TRUE(log[0].starts_with("sunder big.v2")) << log[0];
      EXPECT_TRUE(contains(log[1], "Run: ")) << log[1];
      continue;
    }
    EXPECT_EQ(r.status, 1) << r.out;
    const std::vector<std::string> console = lines_of(r.out);
    ASSERT_FALSE(console.empty());
    const std::string& last = console.back();
    const std::string head = "*Run interrupted; channel file ";
    const std::string tail = " left incomplete, stop";
    if (last != "*Run interrupted, stop") {
      ASSERT_TRUE(last.starts_with(head) && last.ends_with(tail)) << r.out;
      const std::string file = last.substr(head.size(), last.size() - head.size() - tail.size());
      EXPECT_TRUE(dir.has(file)) << file;
      const int stachn = std::stoi(file.substr(4, 3));
      EXPECT_FALSE(dir.has(channel_name(stachn + 1))) << file << " is not the last one";
    }
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), last);
  }
}

// ---- closed standard streams ------------------------------------------------------------

TEST(StandardStreams, StartedWithoutThemTheRunKeepsConsoleLinesOutOfItsFiles) {
  // Enough records that the console lines fill a buffer and go out while the
  // log is still open: with descriptor 1 closed, the log could have taken it.
  std::string volume;
  for (int k = 1; k <= 200; ++k) volume += record(2, k, 1);
  for (const int closed : {1 << 1, (1 << 0) | (1 << 1) | (1 << 2)}) {
    SCOPED_TRACE(closed == 2 ? "descriptor 1 closed" : "descriptors 0, 1 and 2 closed");
    ScratchDir dir;
    write_file(dir / "vol.v2", volume);
    Launch l;
    l.dir = dir.path;
    l.args = {"vol.v2"};
    l.closedStreams = closed;
    const RunResult r = run_launch(l);
    EXPECT_EQ(r.status, 0);
    const std::string log = read_file(dir / "Sunder.log");
    EXPECT_TRUE(log.starts_with("sunder vol.v2")) << log;
    EXPECT_FALSE(contains(log, "being written")) << log;
    EXPECT_TRUE(contains(report_row(log, "vol.v2"), "200 single-channel files")) << log;
    for (int k : {1, 100, 200}) EXPECT_EQ(read_file(dir / channel_name(k)), record(2, k, 1));
    EXPECT_FALSE(dir.has("SplitWas.bad"));
  }
}

// ---- an old listing -------------------------------------------------------------------

// A volume the pattern *.v2 matches, one it does not, and an old listing
// that names the second.
void with_old_listing(const ScratchDir& dir, const std::string& listing) {
  write_file(dir / "vol.v2", record(2, 33));
  write_file(dir / "old.v1", record(1, 77));
  write_file(dir / listing, "old.v1\r\n");
}

TEST(OldListing, AListingThatCannotBeReplacedEndsTheRun) {
  if (!is_superuser()) GTEST_SKIP() << "another user's listing in a sticky folder needs root";
  const std::string listing = listing_name();
  ASSERT_FALSE(listing.empty()) << "no listing seen during a wildcard run";
  // A folder everyone may write in but only owners remove from, a listing
  // of root's there, and a run as "nobody": it can neither remove nor
  // rewrite the listing.
  ScratchDir dir;
  with_old_listing(dir, listing);
  fs::permissions(dir.path, fs::perms::all | fs::perms::sticky_bit);
  const RunResult r = run_as_nobody(dir.path, {"*.v2"});
  if (r.status == 125) GTEST_SKIP() << "cannot switch to user nobody";
  EXPECT_EQ(r.status, 1) << r.out;
  EXPECT_TRUE(contains(
      r.out, "*In get_filenames, the old listing " + listing + " cannot be replaced; stop\n"))
      << r.out;
  EXPECT_FALSE(dir.has("chan077.v1")) << "the old listing was read as this run's";
  EXPECT_FALSE(dir.has("chan033.v2"));
  EXPECT_EQ(read_file(dir / listing), "old.v1\r\n");
}

TEST(OldListing, AStaleListingIsNotReadAsThisRuns) {
  const std::string listing = listing_name();
  ASSERT_FALSE(listing.empty()) << "no listing seen during a wildcard run";
  ScratchDir dir;
  with_old_listing(dir, listing);
  const RunResult r = run_tool(dir.path, {"*.v2"});
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(read_file(dir / "chan033.v2"), record(2, 33));
  EXPECT_FALSE(dir.has("chan077.v1"));
  EXPECT_FALSE(dir.has(listing));
}

// ---- names and dates at the edges -----------------------------------------------------

TEST(Names, ANameHoldingALineEndIsLeftOutOfTheListing) {
  // "a\nb.v2" read back from a listing would be "a" and "b.v2".
  for (const bool withB : {false, true}) {
    SCOPED_TRACE(withB ? "b.v2 there too" : "no b.v2");
    ScratchDir dir;
    write_file(dir / "a\nb.v2", record(2, 55));
    write_file(dir / "a", record(2, 44));
    write_file(dir / "ok.v2", record(2, 33));
    if (withB) write_file(dir / "b.v2", record(2, 66));
    const RunResult r = run_tool(dir.path, {"*.v2"});
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(read_file(dir / "chan033.v2"), record(2, 33));
    EXPECT_FALSE(dir.has("chan044.v2")) << "\"a\" was split";
    EXPECT_FALSE(dir.has("chan055.v2")) << "the name with a line end was split";
    EXPECT_EQ(dir.has("chan066.v2"), withB);
    const std::string log = read_file(dir / "Sunder.log");
    EXPECT_NE(report_row(log, "ok.v2"), "") << log;
    EXPECT_EQ(report_row(log, "b.v2") != "", withB) << log;
    EXPECT_EQ(report_row(log, "a"), "") << log;
  }
}

TEST(Dates, AVolumeOfTheEarliestTimeSplitsAndItsRowShowsADate) {
  if (!is_superuser()) GTEST_SKIP() << "mounting a file system that holds such a time needs root";
  ScratchDir outer;
  const fs::path mnt = outer / "disk";
  fs::create_directory(mnt);
  if (const int e = mount_small_disk(mnt, "1m"); e != 0) GTEST_SKIP() << "cannot mount a tmpfs";
  struct Unmount {
    fs::path at;
    ~Unmount() { EXPECT_EQ(unmount_disk(at), 0); }
  } unmount{mnt};

  const fs::path volume = mnt / "vol.v2";
  write_file(volume, record(2, 33));
  const time_t earliest = std::numeric_limits<time_t>::min();
  struct timespec times[2] = {{0, UTIME_OMIT}, {earliest, 0}};
  struct stat st {};
  if (::utimensat(AT_FDCWD, volume.c_str(), times, 0) != 0 || ::stat(volume.c_str(), &st) != 0 ||
      st.st_mtim.tv_sec != earliest) {
    GTEST_SKIP() << "the file system does not hold the earliest time";
  }
  Launch l;
  l.dir = mnt;
  l.args = {"vol.v2"};
  l.outPath = outer / "console.txt";
  const RunResult r = run_launch(l);  // a sanitizer build reports undefined behaviour here
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(read_file(mnt / "chan033.v2"), record(2, 33));
  const std::string row = report_row(read_file(mnt / "Sunder.log"), "vol.v2");
  ASSERT_GE(row.size(), 34u) << row;
  const std::string date = row.substr(26, 8);  // columns 27-34
  bool shaped = date[2] == '/' && date[5] == '/';
  for (int i : {0, 1, 3, 4, 6, 7}) shaped = shaped && date[i] >= '0' && date[i] <= '9';
  EXPECT_TRUE(shaped) << row;
}

#endif  // _WIN32

}  // namespace
