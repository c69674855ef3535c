// Fuzzes the command line: the input bytes, split at NUL and newline, are
// the arguments of a whole in-process run of the tool, in a scratch
// directory that holds two small volumes and a file of notes. Checks: the
// run ends with 0 or 1, no file that was there before is changed, and the
// marker "SplitWas.bad" is gone after a normal end and stays after an error stop.
//
// "*" and "?" are turned into "x": a wildcard run waits two seconds for its
// directory listing, which would bring the harness to a crawl. The wildcard
// expansion has tests of its own.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "lib/platform/seams.h"
#include "tool_harness.h"

namespace {

constexpr std::size_t kMaxArguments = 40;

std::string pad80(std::string s) {
  s.resize(80, ' ');
  return s;
}

// One record of a stage with its station-channel number in columns 28-30.
std::string record(const char* stageWord, int stationLine, const char* number) {
  std::string text;
  for (int i = 1; i <= 10; ++i) {
    std::string line = pad80(i == 1 ? stageWord : "Header line " + std::to_string(i));
    if (i == stationLine) line.replace(27, 3, number);
    text += line + "\r\n";
  }
  text += "  1.0000  2.0000  3.0000\r\n/&\r\n";
  return text;
}

const std::vector<std::pair<std::string, std::string>>& files_before() {
  static const std::vector<std::pair<std::string, std::string>> files = {
      {"quake.v2",
       record("CORRECTED ACCELERATION", 8, " 33") + record("Corrected acceleration", 8, " 34")},
      {"QUAKE2.V1", record("UNCORRECTED ACCELERATION", 7, " 35")},
      {"notes.txt", "not a volume\r\n"},
  };
  return files;
}

std::string read_all(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  if (!in) return "<missing>";
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

[[noreturn]] void fail(const std::string& what, const fuzzrun::Outcome& out) {
  // On the standard output: fuzz.sh discards the standard error of the tool.
  std::fprintf(stdout, "args_fuzz: %s (status %d)\n%s\n", what.c_str(), out.status,
               out.console.c_str());
  std::fflush(stdout);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> args{"sunder"};
  std::string current;
  for (std::size_t i = 0; i < size && args.size() <= kMaxArguments; ++i) {
    char c = static_cast<char>(data[i]);
    if (c == '\0' || c == '\n') {
      args.push_back(current);
      current.clear();
      continue;
    }
    if (c == '*' || c == '?') c = 'x';
    current += c;
  }
  if (!current.empty() && args.size() <= kMaxArguments) args.push_back(current);

  fuzzrun::Scratch scratch;
  for (const auto& [name, bytes] : files_before()) {
    std::ofstream out(name, std::ios::binary);
    out << bytes;
  }
  static const std::string noInput;  // replies read from the console meet its end
  sunder::seams::set_console_input(&noInput);
  const fuzzrun::Outcome out = fuzzrun::run_tool_in_process(args);
  sunder::seams::set_console_input(nullptr);

  for (const auto& [name, bytes] : files_before()) {
    if (read_all(name) != bytes) fail(name + " was changed or removed", out);
  }
  const bool marker = sunder::platform::file_exists("SplitWas.bad");
  // Options other than --folders (--help, --version, --list, an unknown one)
  // end the run before anything is created.
  bool createsNothing = false;
  for (std::size_t i = 1; i < args.size() && !createsNothing; ++i) {
    if (!args[i].starts_with("--") && args[i] != "-h") break;
    createsNothing = args[i] != "--folders";
  }
  if (createsNothing) {
    if (marker) fail("SplitWas.bad made by a run of options that create nothing", out);
    return 0;
  }
  if (out.status == sunder::kExitNormal && !out.stopped && marker)
    fail("SplitWas.bad left after a normal end", out);
  if (out.status == sunder::kExitError && !marker)
    fail("SplitWas.bad gone after an error stop", out);
  return 0;
}
