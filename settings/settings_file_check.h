#pragma once
// Checks of the settings store's file made before the settings library reads it: the library
// opens whatever the name points to, so a named pipe would block the start for ever, a device
// behind a link would be replaced by a text file on the first save, and a file of hundreds of
// megabytes would be rewritten whole at every view step. It also drops, without a word, the
// lines it does not understand; those are found here so the operator can be told.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// View settings take a few dozen bytes; a store beyond this is no store of ours.
constexpr std::uint64_t kMaxSettingsFileBytes = 1024 * 1024;

struct SettingsFileCheck {
  bool usable = true;   // false: neither read nor written; `problem` says why
  std::string problem;  // "is a named pipe, not a regular file", to follow the store's name
};

// Looks at `path` without opening anything but a regular file. A store that does not exist yet
// (or a link to a file that does not) is usable: the first save creates it.
SettingsFileCheck CheckSettingsFile(const std::string& path, std::uint64_t maxBytes = kMaxSettingsFileBytes);

struct SettingsLine {
  int number;        // 1-based
  std::string text;  // shortened, unprintable bytes as '?'
  bool section;      // a section line without its "]"; otherwise a line without "="
};

// The lines of a settings text that are not understood: a section line without its "]" and a
// line that is neither a comment, a section nor a key with "=". Quoted text may span lines and
// a backslash escapes the character after it, as in the store's own format. A leading UTF-8
// byte-order mark is understood.
std::vector<SettingsLine> LinesNotUnderstood(std::string_view text);
