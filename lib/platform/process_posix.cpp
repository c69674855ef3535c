// The command processor on POSIX: a small in-process interpreter of the
// commands the tool and its library give (echo, del, dir /b /on, output
// redirection), behaving as cmd.exe does; any other command line goes to
// /bin/sh -c.
//
// Supported subset:
//   echo [text]          "ECHO is on." when there is no text; otherwise the
//                        text after the one blank that follows "echo", kept
//                        as given, a blank before ">" included
//   del|erase [/q] [/f] name-or-pattern...
//                        an exact name, else the one file whose name matches
//                        it ignoring case (several such: none is removed); a
//                        pattern removes every matching file. Always status 0,
//                        as cmd's del; what could not be done goes to stderr
//   dir [/b] [/on] [/o:n] [/a-d] [name-or-pattern]
//                        bare names of the files and directories (not of the
//                        directories with /a-d), one a line, in name order;
//                        a directory's name lists what is in it. Status 1
//                        when nothing matches ("File Not Found")
//   >file  >>file  >nul  2>file  2>>file  2>nul
//                        anywhere on the line; each target is created in
//                        turn, the last one of a stream takes the output. A
//                        target that cannot be opened: the command does not
//                        run, status 0, "The system cannot find the path
//                        specified."
// Names match ignoring letter case; * and ? follow the Windows rules. Name
// order is a word order: '-' and '\'' do not count, then blanks and
// punctuation before digits before letters, letters ignoring case; names
// equal so far: fewer '-' and '\'' first, then lower case first. Lines
// written to files end with CR LF, lines on the standard output with LF.
// Exit statuses: as above, the shell's status otherwise, -1 when the shell
// cannot start.
#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include "lib/platform/file.h"
#include "lib/platform/name_match.h"
#include "lib/platform/process.h"

extern char** environ;

namespace sunder::platform {
namespace {

// A switch such as /b; a word with a second slash is an absolute path.
bool is_switch(const std::string& word) {
  return word.size() >= 2 && word[0] == '/' && word.find('/', 1) == std::string::npos;
}

enum class Kind { kNone, kFile, kDirectory, kOther };

Kind kind_of(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return Kind::kNone;
  if (S_ISREG(st.st_mode)) return Kind::kFile;
  if (S_ISDIR(st.st_mode)) return Kind::kDirectory;
  return Kind::kOther;
}

struct SplitName {
  std::string directory;  // "" or ending in "/"
  std::string name;
};

SplitName split_name(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string_view::npos) return {"", std::string(path)};
  return {std::string(path.substr(0, slash + 1)), std::string(path.substr(slash + 1))};
}

// The name as cmd reports it: a full path.
std::string full_path(const std::string& name) {
  if (!name.empty() && name.front() == '/') return name;
  std::string cwd(4096, '\0');
  if (::getcwd(cwd.data(), cwd.size()) == nullptr) return name;
  cwd.resize(cwd.find('\0'));
  std::string_view rest(name);
  while (rest.substr(0, 2) == "./") rest.remove_prefix(2);
  if (cwd.empty() || cwd.back() != '/') cwd.push_back('/');
  return cwd.append(rest);
}

// Names of the directory's entries of the wanted kinds that the predicate
// accepts, in name order. False when the directory cannot be read.
template <typename Accept>
bool entries_in(const std::string& directory, bool directories, Accept accept,
                std::vector<std::string>& names) {
  names.clear();
  DIR* dir = ::opendir(directory.empty() ? "." : directory.c_str());
  if (dir == nullptr) return false;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    // A name holding a line end (or any control character) would be read
    // back from a listing as two names, or as a name it is not: left out.
    if (std::any_of(name.begin(), name.end(),
                    [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; }))
      continue;
    if (!accept(name)) continue;
    const Kind kind = kind_of(directory + name);
    if (kind == Kind::kFile || (directories && kind == Kind::kDirectory)) names.push_back(name);
  }
  ::closedir(dir);
  std::sort(names.begin(), names.end(), before_in_name_order);
  return true;
}

void write_all(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t put = ::write(fd, bytes.data(), bytes.size());
    if (put < 0) {
      if (errno == EINTR) continue;
      return;
    }
    bytes.remove_prefix(static_cast<std::size_t>(put));
  }
}

// Where one of a command's output streams goes.
class Output {
 public:
  explicit Output(int fd) : fd_(fd) {}
  Output(const Output&) = delete;
  Output& operator=(const Output&) = delete;
  ~Output() { release(); }

  void to_nul() {
    release();
    discard_ = true;
  }
  void to_file(int fd) {
    release();
    fd_ = fd;
    owned_ = true;
  }
  // One line: CR LF in a file, LF on the terminal or a pipe we inherited.
  void line(std::string_view text) const {
    if (discard_) return;
    std::string out(text);
    out.append(owned_ ? "\r\n" : "\n");
    std::fflush(nullptr);
    write_all(fd_, out);
  }

 private:
  void release() {
    if (owned_) ::close(fd_);
    owned_ = false;
    discard_ = false;
  }
  int fd_;
  bool owned_ = false;
  bool discard_ = false;
};

struct Streams {
  Output out{STDOUT_FILENO};
  Output err{STDERR_FILENO};
};

// Splits "word rest" at blanks; quotes around a word are dropped.
std::vector<std::string> words_of(std::string_view text) {
  std::vector<std::string> words;
  std::size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    if (i >= text.size()) break;
    std::string word;
    bool quoted = false;
    while (i < text.size() && (quoted || (text[i] != ' ' && text[i] != '\t'))) {
      if (text[i] == '"') {
        quoted = !quoted;
      } else {
        word += text[i];
      }
      ++i;
    }
    words.push_back(word);
  }
  return words;
}

int run_echo(std::string_view text, const Streams& io) {
  // cmd drops the one delimiter after the word echo and keeps the rest.
  if (!text.empty()) text.remove_prefix(1);
  if (text.find_first_not_of(" \t") == std::string_view::npos) {
    io.out.line("ECHO is on.");
  } else {
    io.out.line(text);
  }
  return 0;
}

void remove_file(const std::string& path, const Streams& io) {
  if (::unlink(path.c_str()) == 0) return;
  io.err.line(full_path(path));
  io.err.line("Access is denied.");
}

// Removes one name: that exact file, or the one file whose name matches it
// ignoring case; a pattern removes every matching file. What cannot be done
// is said on the error output.
void delete_one(const std::string& target, const Streams& io) {
  const SplitName where = split_name(target);
  if (where.name.empty()) {
    io.err.line("The filename, directory name, or volume label syntax is incorrect.");
    return;
  }
  std::vector<std::string> names;
  if (has_wildcard(where.name)) {
    entries_in(
        where.directory, false, [&](const std::string& n) { return wildcard_match(where.name, n); },
        names);
    if (names.empty()) io.err.line("Could Not Find " + full_path(target));
    for (const auto& n : names) remove_file(where.directory + n, io);
    return;
  }
  if (kind_of(target) == Kind::kFile) {
    remove_file(target, io);
    return;
  }
  std::string found;
  switch (one_name_ignoring_case(where.directory, where.name, found)) {
    case kFileOk:
      remove_file(where.directory + found, io);
      break;
    case kSeveralMatch:
      // Which one is meant cannot be told, so none is removed.
      io.err.line("Not deleted, several files match ignoring case: " + full_path(target));
      break;
    default:
      io.err.line("Could Not Find " + full_path(target));
  }
}

// cmd's del ends with status 0 whatever it found; only a switch this
// processor does not know gives 1.
int run_del(const std::vector<std::string>& args, const Streams& io) {
  std::vector<std::string> targets;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (is_switch(a)) {
      if (same_ignoring_case(a, "/q") || same_ignoring_case(a, "/f")) continue;
      io.err.line("Invalid switch - " + a);
      return 1;
    }
    targets.push_back(a);
  }
  if (targets.empty()) io.err.line("The syntax of the command is incorrect.");
  for (const auto& t : targets) delete_one(t, io);
  return 0;
}

int run_dir(const std::vector<std::string>& args, const Streams& io) {
  std::string pattern;
  bool directories = true;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (is_switch(a)) {
      if (same_ignoring_case(a, "/a-d") || same_ignoring_case(a, "/a:-d")) {
        directories = false;
        continue;
      }
      if (same_ignoring_case(a, "/b") || same_ignoring_case(a, "/on") ||
          same_ignoring_case(a, "/o:n"))
        continue;
      io.err.line("Invalid switch - " + a);
      return 1;
    }
    if (!pattern.empty()) {
      io.err.line("Only one name or pattern is listed: " + a);
      return 1;
    }
    pattern = a;
  }
  SplitName where = split_name(pattern);
  if (!where.name.empty() && !has_wildcard(where.name)) {
    // The name of a directory lists what is in it: that exact directory, or
    // the one whose name matches ignoring case.
    std::string inside;
    if (kind_of(where.directory + where.name) == Kind::kDirectory) {
      inside = where.name;
    } else {
      std::vector<std::string> found;
      entries_in(
          where.directory, true,
          [&](const std::string& n) { return same_ignoring_case(n, where.name); }, found);
      if (found.size() == 1 && kind_of(where.directory + found.front()) == Kind::kDirectory)
        inside = found.front();
    }
    if (!inside.empty()) {
      where.directory.append(inside).push_back('/');
      where.name.clear();
    }
  }
  if (where.name.empty()) where.name.assign(1, '*');
  std::vector<std::string> names;
  if (!entries_in(
          where.directory, directories,
          [&](const std::string& n) { return wildcard_match(where.name, n); }, names)) {
    io.err.line("The system cannot find the path specified.");
    return 1;
  }
  if (names.empty()) {
    io.err.line("File Not Found");
    return 1;
  }
  for (const auto& n : names) io.out.line(n);
  return 0;
}

// Runs the line with /bin/sh -c and waits for it.
std::int16_t run_shell(const std::string& line) {
  std::fflush(nullptr);
  char sh[] = "/bin/sh";
  char dash_c[] = "-c";
  std::string copy = line;
  char* argv[] = {sh, dash_c, copy.data(), nullptr};
  pid_t pid = 0;
  if (::posix_spawn(&pid, "/bin/sh", nullptr, nullptr, argv, environ) != 0) return -1;
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  if (WIFEXITED(status)) return static_cast<std::int16_t>(WEXITSTATUS(status));
  if (WIFSIGNALED(status)) return static_cast<std::int16_t>(128 + WTERMSIG(status));
  return -1;
}

// Takes the redirections out of the command line and opens their targets in
// turn, as cmd does: ">f", ">>f", "1>f", "2>f", "nul" discards. False when a
// target is missing or cannot be opened (said on the error output); the
// command is then not run.
bool take_redirections(std::string& line, Streams& io) {
  std::string kept;
  std::size_t i = 0;
  while (i < line.size()) {
    if (line[i] != '>') {
      kept.push_back(line[i++]);
      continue;
    }
    // A 1 or 2 standing alone before the > names the stream.
    bool to_err = false;
    if (!kept.empty() && (kept.back() == '1' || kept.back() == '2') &&
        (kept.size() == 1 || kept[kept.size() - 2] == ' ' || kept[kept.size() - 2] == '\t')) {
      to_err = kept.back() == '2';
      kept.pop_back();
    }
    ++i;
    const bool append = i < line.size() && line[i] == '>';
    if (append) ++i;
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    const std::size_t start = i;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '>') ++i;
    std::string target = line.substr(start, i - start);
    if (target.size() >= 2 && target.front() == '"' && target.back() == '"')
      target = target.substr(1, target.size() - 2);
    Output& stream = to_err ? io.err : io.out;
    if (same_ignoring_case(target, "nul")) {
      stream.to_nul();
      continue;
    }
    // Through the file layer's door for the program's own files: never
    // through a link, never into a FIFO or a device.
    FileHandle handle = kNoFile;
    if (!target.empty()) open_file(target, append ? Access::kAppend : Access::kWrite, handle);
    const int fd = static_cast<int>(handle);
    if (fd < 0) {
      std::fflush(nullptr);
      write_all(STDERR_FILENO, "The system cannot find the path specified.\n");
      return false;
    }
    stream.to_file(fd);
  }
  line.swap(kept);
  return true;
}

}  // namespace

std::int16_t run_command(std::string_view command) {
  std::size_t end = command.size();
  while (end > 0 && (command[end - 1] == ' ' || command[end - 1] == '\t')) --end;
  std::size_t begin = 0;
  while (begin < end && (command[begin] == ' ' || command[begin] == '\t')) ++begin;
  std::string line(command.substr(begin, end - begin));

  // The word that names the command ends at a blank or a >.
  std::size_t w = 0;
  while (w < line.size() && line[w] != ' ' && line[w] != '\t' && line[w] != '>') ++w;
  const std::string verb = line.substr(0, w);
  const bool is_echo = same_ignoring_case(verb, "echo");
  const bool is_del = same_ignoring_case(verb, "del") || same_ignoring_case(verb, "erase");
  const bool is_dir = same_ignoring_case(verb, "dir");
  // Chained or piped commands are not ours to run.
  if ((!is_echo && !is_del && !is_dir) || line.find_first_of("|&<") != std::string::npos)
    return run_shell(line);

  Streams io;
  if (!take_redirections(line, io)) return 0;
  if (is_echo) return static_cast<std::int16_t>(run_echo(std::string_view(line).substr(w), io));
  const auto args = words_of(line);
  if (is_del) return static_cast<std::int16_t>(run_del(args, io));
  return static_cast<std::int16_t>(run_dir(args, io));
}

std::string executable_path() {
  std::string path(4096, '\0');
  const ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size());
  if (n <= 0) return {};
  path.resize(static_cast<std::size_t>(n));
  return path;
}

}  // namespace sunder::platform
