#pragma once
// Opening a file only when it is a regular file. A named pipe would hold `open` until some
// other program opened its other end, and a device is no picture or log: both are refused
// as a file that cannot be read or written is.
#include <optional>
#include <string>

inline constexpr const char* kNotARegularFile = "not a regular file";

// Opens `path` with `flags` (O_RDONLY, or O_WRONLY | O_APPEND with or without O_CREAT; the
// mode of a created file is 0644 less the umask). Anything but a regular file, or a link to
// one, is refused without waiting: before the open when it stands there already, and after
// an open that does not wait when it took the file's place in between. Returns a descriptor
// (closed on exec) that blocks as usual, or -1 with the reason in `error` and, for callers
// that word it themselves, in `errorNumber`: the failed call's errno (ENOENT, EACCES, ELOOP,
// ...), EISDIR for a folder, 0 for anything else that is no regular file.
int OpenRegularFile(const std::string& path, int flags, std::string* error, int* errorNumber = nullptr);

// What stands at `path` that a new file may not replace, in words that follow the name: a
// folder, a named pipe, a device or a socket (or a link to one), a loop of links, or a
// regular file that may not be written ("is read-only"). Nothing when the name is free, is a
// link that leads nowhere (a rename replaces the link, never what it points to) or holds a
// file that may be written. Only looked at, never opened.
std::optional<std::string> TargetRefusal(const std::string& path);
