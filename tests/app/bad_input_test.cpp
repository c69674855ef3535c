// Bad input end to end: whatever a volume, a file system or a command line
// holds, the tool ends with 0 or 1 (never a signal), says what happened,
// changes or removes no file that was there before, and leaves
// "SplitWas.bad" behind after every error stop.
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/app/tool_runner.h"

namespace {

using namespace apptest;

// The files every case keeps beside its volume: none of them may change.
void add_bystanders(const ScratchDir& dir) {
  write_file(dir / "notes.txt", "Field notes, not a volume.\r\n");
  write_file(dir / "chan099.v2", record(2, 99));  // a channel file of an earlier run
  set_mtime(dir / "notes.txt", 1000000000);
  set_mtime(dir / "chan099.v2", 1000000000);
}

// The rules of every run, whatever its input.
void expect_orderly_end(const ScratchDir& dir, const Snapshot& before, const RunResult& run) {
  EXPECT_TRUE(run.status == 0 || run.status == 1) << "status " << run.status << "\n" << run.out;
  const Snapshot after = snapshot(dir.path);
  for (const auto& [name, entry] : before) {
    const auto it = after.find(name);
    if (it == after.end()) {
      ADD_FAILURE() << name << " was removed";
    } else {
      EXPECT_TRUE(it->second == entry) << name << " was changed";
    }
  }
  if (run.status == 1) {
    EXPECT_TRUE(dir.has("SplitWas.bad")) << "an error stop must leave the marker\n" << run.out;
  } else if (run.status == 0) {
    EXPECT_FALSE(dir.has("SplitWas.bad")) << run.out;
  }
}

struct Case {
  ScratchDir dir;
  Snapshot before;
  RunResult run;
};

// Writes the volume beside the bystanders and runs the tool on it.
void run_on(Case& c, const std::string& volume, const std::string& name = "quake.v2",
            std::vector<std::string> extra = {}) {
  add_bystanders(c.dir);
  write_file(c.dir / name, volume);
  c.before = snapshot(c.dir.path);
  std::vector<std::string> args = {name};
  args.insert(args.end(), extra.begin(), extra.end());
  c.run = run_tool(c.dir.path, args);
  expect_orderly_end(c.dir, c.before, c.run);
}

std::string garbage(std::size_t n, unsigned seed) {
  std::string s(n, '\0');
  for (char& ch : s) {
    seed = seed * 1103515245u + 12345u;
    ch = static_cast<char>(seed >> 16);
  }
  return s;
}

// ---- volumes that are not volumes -----------------------------------------

TEST(NotAVolume, EmptyFileOrTooFewLinesIsAReadErrorAndTheRunGoesOn) {
  for (const std::string& volume :
       {std::string(), std::string(2000, '\0'), std::string("just one line\r\n")}) {
    Case c;
    run_on(c, volume);
    // The run goes on to its end, but what could not be split is no success.
    EXPECT_EQ(c.run.status, 1) << c.run.out;
    EXPECT_TRUE(contains(c.run.out, "Err reading input file\n")) << c.run.out;
    EXPECT_TRUE(contains(c.run.out, "*Not everything asked for could be split")) << c.run.out;
    EXPECT_TRUE(contains(read_file(c.dir / "Sunder.log"), "Err reading input file"));
    EXPECT_FALSE(contains(read_file(c.dir / "Sunder.log"), "single-channel files"));
  }
}

TEST(NotAVolume, BinaryGarbageIsRefusedAsNotAVolume) {
  // Garbage with line ends in it: ten "header lines" that name no stage.
  std::string volume;
  for (unsigned k = 0; k < 40; ++k) volume += garbage(37 + k, k) + "\n";
  Case c;
  run_on(c, volume);
  EXPECT_EQ(c.run.status, 1);
  EXPECT_TRUE(contains(c.run.out, "Err - input file not a QVRF v0, v1, v2 or v3 file"))
      << c.run.out;
}

TEST(NotAVolume, CarriageReturnsAloneDoNotEndLines) {
  // A volume with CR-only line ends is one long line to the reader.
  std::string volume = record(2, 33);
  for (std::size_t p = volume.find("\r\n"); p != std::string::npos; p = volume.find("\r\n", p))
    volume.erase(p + 1, 1);
  Case c;
  run_on(c, volume);
  EXPECT_EQ(c.run.status, 1);
  EXPECT_TRUE(contains(c.run.out, "Err reading input file\n")) << c.run.out;
  EXPECT_FALSE(c.dir.has("chan033.v2"));
}

TEST(NotAVolume, DirectoryIsNotFound) {
  Case c;
  add_bystanders(c.dir);
  fs::create_directory(c.dir / "quake.v2");
  c.before = snapshot(c.dir.path);
  c.run = run_tool(c.dir.path, {"quake.v2"});
  expect_orderly_end(c.dir, c.before, c.run);
  EXPECT_EQ(c.run.status, 1);
  EXPECT_TRUE(contains(c.run.out, "Stop, file not found: quake.v2\n")) << c.run.out;
  EXPECT_TRUE(fs::is_directory(c.dir / "quake.v2"));
}

// ---- damaged records ---------------------------------------------------------

TEST(DamagedRecords, NulBytesAreCopiedLikeAnyOtherCharacter) {
  std::string volume = record(2, 33) + record(2, 34);
  const std::string line0 = data_line(0);
  std::string withNul = line0;
  withNul.replace(3, 4, std::string(4, '\0'));
  volume.replace(volume.find(line0), line0.size(), withNul);
  Case c;
  run_on(c, volume);
  EXPECT_EQ(c.run.status, 0) << c.run.out;
  EXPECT_TRUE(contains(read_file(c.dir / "chan033.v2"), withNul + "\r\n"));
  EXPECT_TRUE(c.dir.has("chan034.v2"));
}

TEST(DamagedRecords, LastRecordWithoutItsFlag) {
  std::string volume = record(2, 33) + record(2, 34);
  volume.erase(volume.rfind("/&\r\n"));
  Case c;
  run_on(c, volume);
  EXPECT_EQ(c.run.status, 1);
  EXPECT_TRUE(contains(c.run.out, "End-of-chn flag not found.\n")) << c.run.out;
  EXPECT_TRUE(contains(read_file(c.dir / "Sunder.log"), "End-of-chn flag not found."));
  EXPECT_EQ(read_file(c.dir / "chan033.v2"), record(2, 33)) << "the whole record before it";
}

TEST(DamagedRecords, VolumeCutShortInsideAHeader) {
  // A truncated download: the second record stops after five header lines.
  const std::string second = record(2, 34);
  std::size_t cut = 0;
  for (int i = 0; i < 5; ++i) cut = second.find("\r\n", cut) + 2;
  for (const std::string& end : {std::string("\r\n"), std::string()}) {
    Case c;
    run_on(c, record(2, 33) + second.substr(0, cut - 2) + end);
    EXPECT_EQ(c.run.status, 1) << c.run.out;
    EXPECT_TRUE(contains(
        c.run.out, "*Err - quake.v2 ends inside the header of record 2 (5 of 10 lines); stop\n"))
        << c.run.out;
    EXPECT_TRUE(contains(read_file(c.dir / "Sunder.log"), "ends inside the header of record 2"));
    EXPECT_EQ(read_file(c.dir / "chan033.v2"), record(2, 33));
  }
}

TEST(DamagedRecords, JunkAfterTheLastFlag) {
  std::string junk;
  for (int i = 0; i < 10; ++i) junk += "junk line " + std::to_string(i) + "\r\n";
  {
    Case c;  // ten lines: read as a header that names no stage
    run_on(c, record(2, 33) + junk);
    EXPECT_EQ(c.run.status, 1);
    EXPECT_TRUE(contains(c.run.out, "Err - input file not a QVRF v0, v1, v2 or v3 file"))
        << c.run.out;
    EXPECT_TRUE(c.dir.has("chan033.v2"));
  }
  {
    Case c;  // nine: a header cut short
    run_on(c, record(2, 33) + junk.substr(0, junk.rfind("junk line 9")));
    EXPECT_EQ(c.run.status, 1);
    EXPECT_TRUE(contains(c.run.out, "ends inside the header of record 2 (9 of 10 lines)"))
        << c.run.out;
  }
  {
    Case c;  // blank lines (and a DOS end-of-file mark) are no record at all
    run_on(c, record(2, 33) + "\r\n   \r\n\t\r\n\x1a");
    EXPECT_EQ(c.run.status, 0) << c.run.out;
    EXPECT_TRUE(contains(read_file(c.dir / "Sunder.log"), "  1 single-channel files"));
  }
}

TEST(DamagedRecords, StationNumbersThatAreNotNumbersOrOutOfRange) {
  struct Bad {
    std::string c6_7, c28_30, message;
  } cases[] = {
      {" 1", "x33", "*Err - station-channel number not numeric in channel record 2 of quake.v2"},
      {"ab", "   ", "*Err - station-channel number not numeric in channel record 2 of quake.v2"},
      {" 1", " -5",
       "*Err - station-channel number -5 outside 0..999, no channel file for it; stop"},
      {"-7", "  0",
       "*Err - station-channel number -7 outside 0..999, no channel file for it; stop"},
  };
  for (const Bad& b : cases) {
    std::vector<std::string> lines = header_lines(2, station_fields(b.c6_7, b.c28_30));
    lines.push_back("/&");
    Case c;
    run_on(c, record(2, 33) + join_crlf(lines));
    EXPECT_EQ(c.run.status, 1) << c.run.out;
    EXPECT_TRUE(contains(c.run.out, b.message)) << c.run.out;
    EXPECT_TRUE(contains(c.run.out, "*Terminating*"));
    EXPECT_TRUE(c.dir.has("chan033.v2"));
    for (const auto& e : fs::directory_iterator(c.dir.path)) {
      const std::string n = e.path().filename().string();
      EXPECT_FALSE(contains(n, "*") || contains(n, "-")) << n;
    }
  }
}

TEST(DamagedRecords, VeryLongLinesAreCutWithAWarning) {
  // Lines of 10,000 characters in the header and the body, the flag line too;
  // the flag line loses only blanks, which is no loss worth a warning.
  std::vector<std::string> lines = header_lines(2, station_line(1, 33));
  lines[1] = std::string(10000, 'h');
  lines.push_back(std::string(10000, '7'));
  lines.push_back(data_line(1));
  lines.push_back("/&" + std::string(9998, ' '));
  Case c;
  run_on(c, join_crlf(lines) + record(2, 34));
  EXPECT_EQ(c.run.status, 0) << c.run.out;
  const std::string warning =
      "*Warning: quake.v2: 2 lines longer than 80 characters, cut to 80\n"
      "  the first is line 2 of record 1\n";
  EXPECT_TRUE(contains(c.run.out, warning)) << c.run.out;
  EXPECT_TRUE(contains(read_file(c.dir / "Sunder.log"), "2 lines longer than 80 characters"));
  std::vector<std::string> expected = header_lines(2, station_line(1, 33));
  expected[1] = std::string(80, 'h');
  expected.push_back(std::string(80, '7'));
  expected.push_back(data_line(1));
  expected.push_back("/&");
  EXPECT_EQ(read_file(c.dir / "chan033.v2"), join_crlf(expected));
  EXPECT_EQ(read_file(c.dir / "chan034.v2"), record(2, 34));
}

TEST(DamagedRecords, VolumeNamedLikeItsOwnChannelFile) {
  Case c;
  run_on(c, record(2, 33), "chan033.v2");
  EXPECT_EQ(c.run.status, 1);
  EXPECT_TRUE(contains(c.run.out, "File chan033.v2 already exists, stop\n")) << c.run.out;
}

// ---- the file system ---------------------------------------------------------

// Runs the tool in dir with its console output (standard output and error
// together) going to outPath, which may lie elsewhere; as the unprivileged
// user "nobody" (uid 65534) when asked.
RunResult run_with_output_at(const fs::path& dir, const std::vector<std::string>& args,
                             const fs::path& outPath, bool asNobody) {
  Launch l;
  l.dir = dir;
  l.args = args;
  l.program = "sunder";
  l.outPath = outPath;
  l.asNobody = asNobody;
  return run_launch(l);
}

TEST(FileSystem, VolumeWithoutReadPermission) {
  if (!kFilePermissions) GTEST_SKIP() << "permission bits do not keep the owner out here";
  Case c;
  add_bystanders(c.dir);
  write_file(c.dir / "quake.v2", record(2, 33));
  fs::permissions(c.dir / "quake.v2", fs::perms::none);
  c.before = snapshot(c.dir.path);
  if (is_superuser()) {
    // Root reads everything: the tool runs as another user, in a directory it may write.
    fs::permissions(c.dir.path, fs::perms::all);
    c.run = run_with_output_at(c.dir.path, {"quake.v2"}, c.dir / ".stdout", true);
    if (c.run.status == 125) GTEST_SKIP() << "cannot switch to user nobody";
  } else {
    c.run = run_tool(c.dir.path, {"quake.v2"});
  }
  expect_orderly_end(c.dir, c.before, c.run);
  EXPECT_EQ(c.run.status, 1) << c.run.out;
  EXPECT_TRUE(contains(c.run.out, "Opnfil: File open unsuccesful, file:quake.v2")) << c.run.out;
  EXPECT_FALSE(c.dir.has("chan033.v2"));
}

// A volume of a few records with long body lines.
std::string big_volume(int records, int bodyLines) {
  std::string volume;
  for (int r = 0; r < records; ++r) volume += record(2, 33 + r, bodyLines);
  return volume;
}

TEST(FileSystem, FullDiskWhileWritingChannelFiles) {
  if (!is_superuser()) GTEST_SKIP() << "mounting a small file system needs root";
  ScratchDir outer;
  const fs::path mnt = outer / "disk";
  fs::create_directory(mnt);
  if (const int e = mount_small_disk(mnt, "64k"); e != 0)
    GTEST_SKIP() << "cannot mount a tmpfs: " << std::strerror(e);
  {
    // 64 KiB in all: the volume takes about 40, the channel files need as much again.
    Snapshot before;
    write_file(mnt / "notes.txt", "kept\r\n");
    write_file(mnt / "quake.v2", big_volume(3, 150));
    before = snapshot(mnt);
    // The console output goes outside: the full disk would swallow it.
    RunResult run = run_with_output_at(mnt, {"quake.v2"}, outer / "console.txt", false);
    EXPECT_EQ(run.status, 1) << run.out;
    EXPECT_TRUE(contains(run.out, "*Err writing channel file chan0")) << run.out;
    EXPECT_TRUE(contains(run.out, " (disk full or not writable?); stop\n")) << run.out;
    EXPECT_TRUE(contains(run.out, "*Terminating*"));
    EXPECT_TRUE(fs::exists(mnt / "SplitWas.bad"));
    const Snapshot after = snapshot(mnt);
    for (const auto& [name, entry] : before) {
      const auto it = after.find(name);
      EXPECT_TRUE(it != after.end() && it->second == entry) << name << " changed or removed";
    }
  }
  const int e = unmount_disk(mnt);
  EXPECT_EQ(e, 0) << std::strerror(e);
}

TEST(FileSystem, FileSizeLimitWhileWritingChannelFiles) {
  if (!kFileSizeLimits) GTEST_SKIP() << "no file-size limit for a process here";
  // Any user: a limit on the size of each written file stands for a full disk.
  Case c;
  add_bystanders(c.dir);
  write_file(c.dir / "quake.v2", big_volume(2, 150));
  c.before = snapshot(c.dir.path);
  c.run = run_tool(c.dir.path, {"quake.v2"}, SUNDER_EXE, 8000);
  expect_orderly_end(c.dir, c.before, c.run);
  EXPECT_EQ(c.run.status, 1) << c.run.out;
  EXPECT_TRUE(contains(c.run.out, "*Err writing channel file chan033.v2")) << c.run.out;
}

// ---- command lines -------------------------------------------------------------

TEST(CommandLine, PatternsWithCommandProcessorCharactersAreRefused) {
  const char* patterns[] = {
      "*.v2 & echo x >pwned",
      "*.v2|echo x>pwned",
      "*;touch pwned",
      "$(touch pwned)*",
      "`touch pwned`*",
      "*.v2 >pwned",
      "%PATH%*.v2",
      "*^.v2",
      "*\"x\".v2",
      "(*.v2)",
      "*!x!.v2",
      "*.v2\techo",
  };
  for (const char* pattern : patterns) {
    Case c;
    add_bystanders(c.dir);
    write_file(c.dir / "quake.v2", record(2, 33));
    c.before = snapshot(c.dir.path);
    c.run = run_tool(c.dir.path, {pattern});
    expect_orderly_end(c.dir, c.before, c.run);
    EXPECT_EQ(c.run.status, 1) << pattern << "\n" << c.run.out;
    EXPECT_TRUE(contains(c.run.out, "*get_filenames: pattern refused: [")) << c.run.out;
    EXPECT_TRUE(contains(c.run.out, "*Terminating*")) << c.run.out;
    EXPECT_FALSE(c.dir.has("pwned")) << pattern;
    EXPECT_FALSE(c.dir.has("chan033.v2")) << pattern;
  }
}

TEST(CommandLine, PatternWithBlanksFindsNothingAndRunsNothingElse) {
  Case c;
  add_bystanders(c.dir);
  write_file(c.dir / "quake.v2", record(2, 33));
  c.before = snapshot(c.dir.path);
  c.run = run_tool(c.dir.path, {"*.v9 del notes.txt"});
  expect_orderly_end(c.dir, c.before, c.run);
  EXPECT_EQ(c.run.status, 1) << c.run.out;
  EXPECT_TRUE(contains(c.run.out, "No files to join, stop\n")) << c.run.out;
}

TEST(CommandLine, NamesWithCommandProcessorCharactersAreJustNames) {
  for (const char* name : {"a&b.v2", "x;y.v2", "$(q).v2"}) {
    Case c;
    run_on(c, record(2, 33) + record(2, 34), name);
    EXPECT_EQ(c.run.status, 0) << name << "\n" << c.run.out;
    EXPECT_TRUE(c.dir.has("chan033.v2") && c.dir.has("chan034.v2")) << name;
  }
  {
    Case c;  // not there: refused by name, nothing run
    add_bystanders(c.dir);
    c.before = snapshot(c.dir.path);
    c.run = run_tool(c.dir.path, {"x & del notes.txt"});
    expect_orderly_end(c.dir, c.before, c.run);
    EXPECT_EQ(c.run.status, 1);
    EXPECT_TRUE(contains(c.run.out, "Stop, file not found: x & del notes.txt\n")) << c.run.out;
  }
}

}  // namespace
