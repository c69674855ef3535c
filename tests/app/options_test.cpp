// The options a command-line user expects: --help, --version, --list and
// --folders, and the refusal of an unknown one. Help, version and the
// inventory leave the folder exactly as it was.
#include <gtest/gtest.h>

#include "tests/app/tool_runner.h"

namespace {

using namespace apptest;

constexpr long long kVolumeTime = 1000000000;  // 9 Sep 2001

// The folder before and after a run that must not touch it.
void expect_untouched(const ScratchDir& d, const Snapshot& before, const RunResult& r) {
  EXPECT_TRUE(snapshot(d.path) == before) << "the folder changed\n" << r.out;
}

TEST(Options, HelpVersionAndUnknownCreateNothing) {
  ScratchDir d;
  write_file(d / "quake.v2", record(2, 33));
  const Snapshot before = snapshot(d.path);
  for (const char* help : {"--help", "-h"}) {
    RunResult r = run_tool(d.path, {help});
    EXPECT_EQ(r.status, 0) << help;
    EXPECT_TRUE(contains(r.out, " USE: sunder filename {chaniii chanjjj ...} {ktest=n}\n"));
    for (const char* option : {"--help, -h", "--version", "--list NAME", "--folders"}) {
      EXPECT_TRUE(contains(r.out, option)) << option << "\n" << r.out;
    }
    expect_untouched(d, before, r);
  }
  RunResult r = run_tool(d.path, {"--version"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "sunder v2.5, 3/15\n");
  expect_untouched(d, before, r);

  r = run_tool(d.path, {"--split-all", "quake.v2"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "*Unknown option --split-all (sunder --help lists the options); stop\n");
  expect_untouched(d, before, r);

  // An empty argument (an unset shell variable) is no option: a name not found.
  r = run_tool(d.path, {""});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(contains(r.out, "Stop, file not found")) << r.out;
}

TEST(Options, ListShowsEveryRecordAndWritesNothing) {
  ScratchDir d;
  write_file(d / "quake.v2", record(0, 33, 2) + record(1, 34, 5) + record(2, 35, 1));
  write_file(d / "other.v1", record(1, 7));
  const Snapshot before = snapshot(d.path);
  RunResult r = run_tool(d.path, {"--list", "quake.v2", "*.v1"});
  EXPECT_EQ(r.status, 0) << r.out;
  const std::vector<std::string> out = lines_of(r.out);
  ASSERT_EQ(out.size(), 10u) << r.out;
  EXPECT_EQ(out[0], " Volume quake.v2");
  EXPECT_EQ(out[2], "      1    V0        33      13  chan033.v0  Raw acceleration data");
  EXPECT_EQ(out[3], "      2    V1        34      16  chan034.v1  Uncorrected acceleration data");
  EXPECT_EQ(out[4], "      3    V2        35      12  chan035.v2  Corrected acceleration data");
  EXPECT_EQ(out[5], " quake.v2: 3 records, whole");
  EXPECT_EQ(out[6], " Volume other.v1");
  EXPECT_EQ(out[9], " other.v1: 1 records, whole");
  expect_untouched(d, before, r);
}

TEST(Options, ListNamesADamagedVolumeAsASplitWould) {
  struct Damage {
    std::string volume;
    std::string message;
  };
  const std::string cut = record(2, 33) + record(2, 34);
  const Damage cases[] = {
      {cut.substr(0, cut.rfind("/&")), "End-of-chn flag not found."},
      {record(2, 33) + join_crlf({"Corrected", "two"}), "ends inside the header of record 2"},
      {join_crlf(std::vector<std::string>(12, "no stage here")),
       "not a QVRF v0, v1, v2 or v3 file"},
      {record(2, 33) + join_crlf(header_lines(2, station_fields(" 1", "abc"))) + "/&\r\n",
       "station-channel number not numeric in channel record 2 of quake.v2"},
  };
  for (const Damage& c : cases) {
    ScratchDir d;
    write_file(d / "quake.v2", c.volume);
    const Snapshot before = snapshot(d.path);
    RunResult r = run_tool(d.path, {"--list", "quake.v2"});
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_TRUE(contains(r.out, c.message)) << r.out;
    expect_untouched(d, before, r);
  }
}

// Three stations, each numbering its channels 1 to 3, in one event folder.
TEST(Options, FoldersSplitSeveralStationsEachAsAlone) {
  ScratchDir d;
  const char* names[] = {"ST89146.V2", "ST89147.V2", "quake"};
  for (int s = 0; s < 3; ++s) {
    write_file(d / names[s], record(2, 1, 2 + s) + record(2, 2, 3) + record(1, 3, 4));
    set_mtime(d / names[s], kVolumeTime + s);
  }
  RunResult r = run_tool(d.path, {"--folders", "ST89146.V2", "ST89147.V2", "quake"});
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_FALSE(d.has("SplitWas.bad"));
  const char* folders[] = {"ST89146", "ST89147", "quake.d"};
  const std::string log = read_file(d / "Sunder.log");
  for (int s = 0; s < 3; ++s) {
    // The same volume split alone, in a folder of its own.
    ScratchDir alone;
    write_file(alone / "v", read_file(d / names[s]));
    ASSERT_EQ(run_tool(alone.path, {"v"}).status, 0);
    for (const char* f : {"chan001.v2", "chan002.v2", "chan003.v1"}) {
      const fs::path made = d.path / folders[s] / f;
      EXPECT_EQ(read_file(made), read_file(alone / f)) << made;
      EXPECT_EQ(mtime_of(made), kVolumeTime + s) << made;
    }
    EXPECT_TRUE(contains(log, "3 single-channel files in " + std::string(folders[s]) + "/")) << log;
  }
  EXPECT_FALSE(d.has("chan001.v2"));  // nothing in the current folder itself
}

TEST(Options, FoldersOfOddNamesStayInTheFolder) {
  ScratchDir d;
  write_file(d / "...v2", record(2, 1));  // less its extension: the folder above
  RunResult r = run_tool(d.path, {"--folders", "...v2"});
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_TRUE(fs::exists(d / "...v2.d" / "chan001.v2"));
  EXPECT_FALSE(fs::exists(d.path.parent_path() / "chan001.v2"));
}

TEST(Options, FoldersNeverOverwrite) {
  ScratchDir d;
  write_file(d / "ST89146.V2", record(2, 1) + record(2, 2));
  fs::create_directory(d / "ST89146");
  write_file(d / "ST89146" / "chan002.v2", "mine\r\n");
  RunResult r = run_tool(d.path, {"--folders", "ST89146.V2"});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(contains(r.out, "File ST89146/chan002.v2 already exists, stop")) << r.out;
  EXPECT_EQ(read_file(d / "ST89146" / "chan002.v2"), "mine\r\n");
  EXPECT_TRUE(d.has("SplitWas.bad"));
  // A file where the folder belongs is in the way: nothing goes through it.
  ScratchDir e;
  write_file(e / "ST89146.V2", record(2, 1));
  write_file(e / "ST89146", "not a folder\r\n");
  r = run_tool(e.path, {"--folders", "ST89146.V2"});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(contains(r.out, "ST89146 is in the way of the folder for ST89146.V2")) << r.out;
}

}  // namespace
