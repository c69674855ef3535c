// The command processor on POSIX: a small in-process interpreter of the
// commands the tool and its library give (echo, del, dir /b /on, output
// redirection), with the Windows semantics they expect; any other command
// line goes to /bin/sh -c.
//
// Supported subset:
//   echo [text] [>file | >>file | >nul]   "ECHO is on." when there is no text;
//                                          the text is written as given, a
//                                          blank before ">" included
//   del|erase [/q] [/f] name-or-pattern... an exact name, else the one file
//                                          whose name matches ignoring case;
//                                          a pattern removes every match
//   dir [/b] [/on] [/o:n] [/a-d] [pattern] [>file]
//                                          bare names of the regular files,
//                                          one a line, in name order ignoring case
// Names match ignoring letter case; * and ? follow the Windows rules. Lines
// written to files end with CR LF, lines on the standard output with LF.
// Exit statuses: 0 done, 1 when del or dir found nothing or a name could not
// be handled, the shell's status otherwise, -1 when the shell cannot start.
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

#include "lib/platform/process.h"

extern char** environ;

namespace sunder::platform {
namespace {

constexpr char kDosStar = '<';  // * before a dot: up to the name's last dot
constexpr char kDosQm = '>';    // ?: one character, or none at a dot or the end
constexpr char kDosDot = '"';   // . before a wildcard or at the end: a dot or the end

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool same_ignoring_case(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (lower(a[i]) != lower(b[i])) return false;
  return true;
}

bool less_ignoring_case(const std::string& a, const std::string& b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const char x = lower(a[i]);
    const char y = lower(b[i]);
    if (x != y) return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
  }
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;  // names differing only in case: a fixed order all the same
}

bool has_wildcard(std::string_view name) {
  return name.find_first_of("*?") != std::string_view::npos;
}

// The pattern in the file system's own notation: "*.*" is "*"; ? is DOS_QM;
// a dot before ? or * or at the end is DOS_DOT; a * before a dot is DOS_STAR.
std::string translate_pattern(std::string_view pattern) {
  if (pattern == "*.*") return "*";
  std::string p(pattern);
  for (std::size_t i = 0; i < p.size(); ++i) {
    const bool last = i + 1 == p.size();
    const char next = last ? '\0' : pattern[i + 1];
    if (p[i] == '?') {
      p[i] = kDosQm;
    } else if (p[i] == '.' && (last || next == '?' || next == '*')) {
      p[i] = kDosDot;
    } else if (p[i] == '*' && next == '.') {
      p[i] = kDosStar;
    }
  }
  return p;
}

// Does the name match the translated pattern? Letter case is ignored.
bool matches(std::string_view pat, std::string_view name) {
  const std::size_t np = pat.size();
  const std::size_t nn = name.size();
  const std::size_t last_dot = name.rfind('.');
  // ok[i][j]: pattern from i matches name from j; filled from the ends.
  std::vector<char> ok((np + 1) * (nn + 1), 0);
  auto at = [&](std::size_t i, std::size_t j) -> char& { return ok[i * (nn + 1) + j]; };
  at(np, nn) = 1;
  for (std::size_t i = np; i-- > 0;) {
    for (std::size_t j = nn + 1; j-- > 0;) {
      const bool more = j < nn;
      const char c = pat[i];
      bool r = false;
      if (c == '*') {
        r = at(i + 1, j) || (more && at(i, j + 1));
      } else if (c == kDosStar) {
        // Any characters, but not the name's last dot.
        r = at(i + 1, j) || (more && j != last_dot && at(i, j + 1));
      } else if (c == kDosQm) {
        if (!more || name[j] == '.') {
          std::size_t k = i;
          while (k < np && pat[k] == kDosQm) ++k;
          r = at(k, j);
        } else {
          r = at(i + 1, j + 1);
        }
      } else if (c == kDosDot) {
        r = more ? (name[j] == '.' && at(i + 1, j + 1)) : at(i + 1, j);
      } else {
        r = more && lower(name[j]) == lower(c) && at(i + 1, j + 1);
      }
      at(i, j) = r ? 1 : 0;
    }
  }
  return at(0, 0) != 0;
}

// A switch such as /b; a word with a second slash is an absolute path.
bool is_switch(const std::string& word) {
  return word.size() >= 2 && word[0] == '/' && word.find('/', 1) == std::string::npos;
}

bool is_regular_file(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
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

// Names of the regular files of the directory that the predicate accepts,
// in name order ignoring case.
template <typename Accept>
std::vector<std::string> files_in(const std::string& directory, Accept accept) {
  std::vector<std::string> names;
  DIR* dir = ::opendir(directory.empty() ? "." : directory.c_str());
  if (dir == nullptr) return names;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    if (!accept(name)) continue;
    if (is_regular_file(directory + name)) names.push_back(name);
  }
  ::closedir(dir);
  std::sort(names.begin(), names.end(), less_ignoring_case);
  return names;
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

void complain(std::string_view text) {
  std::fflush(stdout);
  std::string line(text);
  line += '\n';
  write_all(STDERR_FILENO, line);
}

// Where a command's output goes.
struct Output {
  int fd = STDOUT_FILENO;
  bool to_file = false;
  bool discard = false;
  ~Output() {
    if (to_file) ::close(fd);
  }
  void line(std::string_view text) const {
    if (discard) return;
    std::string out(text);
    out += to_file ? "\r\n" : "\n";
    if (!to_file) std::fflush(stdout);
    write_all(fd, out);
  }
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

int run_echo(std::string_view text, const Output& out) {
  // cmd drops the one delimiter after the word echo and keeps the rest.
  if (!text.empty()) text.remove_prefix(1);
  if (text.find_first_not_of(" \t") == std::string_view::npos) {
    out.line("ECHO is on.");
  } else {
    out.line(text);
  }
  return 0;
}

// Removes one name: that exact file, or the one file whose name matches it
// ignoring case; a pattern removes every match. Returns 0 or 1.
int delete_one(const std::string& target) {
  const SplitName where = split_name(target);
  if (where.name.empty()) {
    complain("The filename, directory name, or volume label syntax is incorrect.");
    return 1;
  }
  if (has_wildcard(where.name)) {
    const std::string pat = translate_pattern(where.name);
    const auto names =
        files_in(where.directory, [&](const std::string& n) { return matches(pat, n); });
    if (names.empty()) {
      complain("Could Not Find " + target);
      return 1;
    }
    int status = 0;
    for (const auto& n : names)
      if (::unlink((where.directory + n).c_str()) != 0) status = 1;
    return status;
  }
  if (is_regular_file(target)) return ::unlink(target.c_str()) == 0 ? 0 : 1;
  const auto names = files_in(
      where.directory, [&](const std::string& n) { return same_ignoring_case(n, where.name); });
  if (names.empty()) {
    complain("Could Not Find " + target);
    return 1;
  }
  if (names.size() > 1) {
    // Several files differ from the name only in letter case: which one is
    // meant cannot be told, so none is removed.
    complain("Not deleted, several files match ignoring case: " + target);
    return 1;
  }
  return ::unlink((where.directory + names.front()).c_str()) == 0 ? 0 : 1;
}

int run_del(const std::vector<std::string>& args) {
  std::vector<std::string> targets;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (is_switch(a)) {
      if (same_ignoring_case(a, "/q") || same_ignoring_case(a, "/f")) continue;
      complain("Invalid switch - " + a);
      return 1;
    }
    targets.push_back(a);
  }
  if (targets.empty()) {
    complain("The syntax of the command is incorrect.");
    return 1;
  }
  int status = 0;
  for (const auto& t : targets)
    if (delete_one(t) != 0) status = 1;
  return status;
}

int run_dir(const std::vector<std::string>& args, const Output& out) {
  std::string pattern;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (is_switch(a)) {
      if (same_ignoring_case(a, "/b") || same_ignoring_case(a, "/on") ||
          same_ignoring_case(a, "/o:n") || same_ignoring_case(a, "/a-d") ||
          same_ignoring_case(a, "/a:-d"))
        continue;
      complain("Invalid switch - " + a);
      return 1;
    }
    if (!pattern.empty()) {
      complain("Only one name or pattern is listed: " + a);
      return 1;
    }
    pattern = a;
  }
  if (pattern.empty()) pattern.assign(1, '*');  // assign(1, c): g++ 12 warns wrongly on = "*"
  SplitName where = split_name(pattern);
  if (where.name.empty()) where.name.assign(1, '*');
  const std::string pat = translate_pattern(where.name);
  const auto names =
      files_in(where.directory, [&](const std::string& n) { return matches(pat, n); });
  if (names.empty()) {
    complain("File Not Found");
    return 1;
  }
  for (const auto& n : names) out.line(n);
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

// Takes the output redirection out of the command line. Returns false when
// the line holds more than one or one without a target.
bool take_redirection(std::string& line, std::string& target, bool& append) {
  const std::size_t gt = line.find('>');
  if (gt == std::string::npos) return true;
  append = gt + 1 < line.size() && line[gt + 1] == '>';
  std::size_t i = gt + (append ? 2 : 1);
  while (i < line.size() && line[i] == ' ') ++i;
  const std::size_t start = i;
  while (i < line.size() && line[i] != ' ') ++i;
  target = line.substr(start, i - start);
  if (target.empty() || target.find('>') != std::string::npos) return false;
  line = line.substr(0, gt) + line.substr(i);
  return line.find('>') == std::string::npos;
}

}  // namespace

std::int16_t run_command(std::string_view command) {
  std::size_t end = command.size();
  while (end > 0 && (command[end - 1] == ' ' || command[end - 1] == '\t')) --end;
  std::size_t begin = 0;
  while (begin < end && (command[begin] == ' ' || command[begin] == '\t')) ++begin;
  std::string line(command.substr(begin, end - begin));

  // The word that names the command ends at a blank, a > or a dot-less end.
  std::size_t w = 0;
  while (w < line.size() && line[w] != ' ' && line[w] != '\t' && line[w] != '>') ++w;
  const std::string verb = line.substr(0, w);
  const bool is_echo = same_ignoring_case(verb, "echo");
  const bool is_del = same_ignoring_case(verb, "del") || same_ignoring_case(verb, "erase");
  const bool is_dir = same_ignoring_case(verb, "dir");
  // Chained or piped commands are not ours to run.
  if ((!is_echo && !is_del && !is_dir) || line.find_first_of("|&<") != std::string::npos)
    return run_shell(line);

  std::string target;
  bool append = false;
  if (!take_redirection(line, target, append)) {
    complain("The syntax of the command is incorrect.");
    return 1;
  }
  Output out;
  if (!target.empty()) {
    if (same_ignoring_case(target, "nul")) {
      out.discard = true;
    } else {
      const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (append ? O_APPEND : O_TRUNC);
      const int fd = ::open(target.c_str(), flags, 0666);
      if (fd < 0) {
        complain("The system cannot find the path specified.");
        return 1;
      }
      out.fd = fd;
      out.to_file = true;
    }
  }
  if (is_echo) return static_cast<std::int16_t>(run_echo(std::string_view(line).substr(w), out));
  const auto args = words_of(line);
  if (is_del) return static_cast<std::int16_t>(run_del(args));
  return static_cast<std::int16_t>(run_dir(args, out));
}

std::string executable_path() {
  std::string path(4096, '\0');
  const ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size());
  if (n <= 0) return {};
  path.resize(static_cast<std::size_t>(n));
  return path;
}

}  // namespace sunder::platform
