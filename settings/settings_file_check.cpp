#include "settings/settings_file_check.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

SettingsFileCheck Refused(std::string problem) { return SettingsFileCheck{false, std::move(problem)}; }

std::string CannotBeRead(int error) { return std::string("cannot be read (") + std::strerror(error) + ")"; }

std::string KindOf(mode_t mode) {
  if (S_ISFIFO(mode)) return "a named pipe";
  if (S_ISCHR(mode)) return "a character device";
  if (S_ISBLK(mode)) return "a block device";
  if (S_ISDIR(mode)) return "a directory";
  if (S_ISSOCK(mode)) return "a socket";
  return "not a file";
}

std::string LinkText(const std::string& path) {
  char target[4096];
  const ssize_t length = ::readlink(path.c_str(), target, sizeof target);
  return length > 0 ? std::string(target, static_cast<std::size_t>(length)) : std::string("?");
}

bool IsLineBreak(char c) { return c == '\n' || c == '\r'; }

// A line as the operator can read it in a message: at most 40 characters, control and
// non-ASCII bytes as '?'.
std::string Shown(std::string_view line) {
  while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.remove_suffix(1);
  constexpr std::size_t kShownBytes = 40;
  std::string shown;
  for (std::size_t k = 0; k < line.size() && k < kShownBytes; ++k) {
    const auto byte = static_cast<unsigned char>(line[k]);
    shown += byte < 0x20 || byte >= 0x7F ? '?' : static_cast<char>(byte);
  }
  return line.size() > kShownBytes ? shown + "..." : shown;
}

}  // namespace

SettingsFileCheck CheckSettingsFile(const std::string& path, std::uint64_t maxBytes) {
  struct stat entry {};
  if (::lstat(path.c_str(), &entry) != 0) {
    // Not made yet, or a folder on the way is a file: the first save says what is wrong.
    if (errno == ENOENT || errno == ENOTDIR) return {};
    return Refused(CannotBeRead(errno));
  }
  std::string is = "is";
  struct stat file = entry;
  if (S_ISLNK(entry.st_mode)) {
    // Saving goes through the link to what it points at; a file there is replaced by the new
    // text, so only a regular file (or none yet) may stand there.
    if (::stat(path.c_str(), &file) != 0)
      return errno == ENOENT ? SettingsFileCheck{} : Refused(CannotBeRead(errno));
    is = "is a link to " + LinkText(path) + ", which is";
  }
  if (!S_ISREG(file.st_mode)) return Refused(is + " " + KindOf(file.st_mode) + ", not a regular file");
  if (static_cast<std::uint64_t>(file.st_size) > maxBytes) {
    return Refused(is + " " + std::to_string(file.st_size) +
                   " bytes long, far more than view settings take (at most " + std::to_string(maxBytes) +
                   " bytes are read)");
  }
  // A regular file does not block in open; O_NONBLOCK covers one swapped in since the stat.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return Refused(CannotBeRead(errno));
  struct stat opened {};
  const bool stillRegular = ::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) &&
                            static_cast<std::uint64_t>(opened.st_size) <= maxBytes;
  ::close(fd);
  if (!stillRegular) return Refused(is + " no longer the regular file it was a moment ago");
  return {};
}

std::vector<SettingsLine> LinesNotUnderstood(std::string_view text) {
  std::vector<SettingsLine> found;
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  int line = 1;
  // Counts the line break at `k`: "\n", "\r\n" and a lone "\r" end one line each.
  const auto countBreak = [&](std::size_t k) {
    if (text[k] == '\n' || (text[k] == '\r' && (k + 1 == text.size() || text[k + 1] != '\n'))) ++line;
  };
  std::size_t at = 0;
  while (at < text.size()) {
    const char first = text[at];
    if (first == ' ' || first == '\t' || IsLineBreak(first)) {
      if (IsLineBreak(first)) countBreak(at);
      ++at;
      continue;
    }
    if (first == ';') {  // a comment, to the end of its line
      while (at < text.size() && !IsLineBreak(text[at])) ++at;
      continue;
    }
    const int number = line;
    bool quoted = false, equals = false;
    std::size_t end = at;
    while (end < text.size()) {
      const char c = text[end];
      if (c == '\\' && end + 1 < text.size()) {
        // An escaped line break ("\r\n" and "\n\r" as one) continues the line.
        if (IsLineBreak(text[end + 1])) {
          countBreak(end + 1);
          const bool pair =
              end + 2 < text.size() && IsLineBreak(text[end + 2]) && text[end + 2] != text[end + 1];
          end += pair ? 3 : 2;
        } else {
          end += 2;
        }
        continue;
      }
      if (c == '"') {
        quoted = !quoted;
      } else if (!quoted && (IsLineBreak(c) || c == ';')) {
        break;  // a ';' within a line starts a comment
      } else if (c == '=' && !quoted) {
        equals = true;
      } else if (IsLineBreak(c)) {
        countBreak(end);
      }
      ++end;
    }
    const std::string_view content = text.substr(at, end - at);
    if (content.front() == '[') {
      if (content.find(']') == std::string_view::npos) found.push_back({number, Shown(content), true});
    } else if (!equals) {
      found.push_back({number, Shown(content), false});
    }
    at = end;
  }
  return found;
}
