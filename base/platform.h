#pragma once
// The platform services the system takes from the desktop, each behind a small interface
// with one real implementation (Qt or the standard library) so that a test can stand in
// for it and inject a failure.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/picture.h"

struct LocalDateTime {
  int year = 2000, month = 1, day = 1;
  // Whole seconds, as the platform's date and time value holds them. The sun lights move with
  // it once a second, so the frames of a second without keys held are the same frame.
  int hour = 0, minute = 0, second = 0;
  // How far into that second, 0..999: only for waiting until the next one.
  int millisecond = 0;
  // The time of day as a fraction of a day, 0 <= f < 1.
  double DayFraction() const { return ((hour * 60.0 + minute) * 60.0 + second) / 86400.0; }
};

// The millisecond tick counter and the clock.
class Clock {
 public:
  virtual ~Clock() = default;
  // Milliseconds from a monotonic clock in 32 bits; it wraps after about 49.7 days, so
  // elapsed times are taken as unsigned 32-bit differences.
  virtual std::uint32_t GetTickCount() = 0;
  virtual LocalDateTime Now() = 0;
  // Waits about `milliseconds` without processing window events.
  virtual void Sleep(std::uint32_t milliseconds) = 0;
  // Waits until a window event is pending or `milliseconds` have passed, without processing
  // the event. Where the platform cannot tell that an event came, it waits at most one tick of
  // the loop (10 ms), so that events are never kept waiting longer than between ticks.
  virtual void WaitForEvent(std::uint32_t milliseconds) { Sleep(milliseconds < 10 ? milliseconds : 10); }
};

// The per-user settings store, one section of text values per application.
class SettingsStore {
 public:
  virtual ~SettingsStore() = default;
  virtual std::optional<std::string> Read(const std::string& section, const std::string& key) = 0;
  // Returns false and says why in `error` when the value could not be stored.
  virtual bool Write(const std::string& section, const std::string& key, const std::string& value,
                     std::string* error) = 0;
  // Where the values are kept, for messages to the operator: the store's file.
  virtual std::string Location() const { return "the settings store"; }
  // What was found wrong with the store when it was opened, in one message for the operator;
  // empty when nothing was.
  virtual std::string OpenProblem() const { return {}; }
};

enum class MessageIcon { None, Information, Critical };

class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  // Modal: returns when the operator has closed it. An empty title means the program's name.
  virtual void Show(const std::string& text, const std::string& title, MessageIcon icon) = 0;
};

class Clipboard {
 public:
  virtual ~Clipboard() = default;
  // The clipboard's bitmap, or nothing when it holds no picture.
  virtual std::optional<Picture> ReadBitmap() = 0;
  virtual void WriteBitmap(const Picture& picture) = 0;
};

// One file of a set that is written together. The bytes are the caller's, kept alive for the
// call: a 16384-pixel station map is 800 MB, and a copy would double the peak.
struct WholeFile {
  std::string path;
  std::string_view bytes;
};

// Why a set was not written. `file` is the one at fault and `placed` how many files of the
// set (from the first) stand new although the set failed: none, unless an older file could
// not be put back after a failed rename. With `refused`, `reason` says what stands at the
// file's name ("is a folder"); otherwise it is the system's reason ("No space left on
// device"). With `stopped` the caller asked to stop and nothing was written.
struct WriteFailure {
  std::size_t file = 0;
  std::size_t placed = 0;
  std::string reason;
  bool refused = false;
  bool stopped = false;
};

// Asked now and then during long work; true stops it.
using StopAsked = std::function<bool()>;

// Files of the working directory. Every call reports failure with the reason (not the file
// name, which the caller says in its own words).
class FileStore {
 public:
  virtual ~FileStore() = default;
  // What stands at `path` that a new file may not replace, in words that follow the name
  // ("is a folder", "is a named pipe", "is read-only"); nothing when the name is free or
  // holds a file that may be replaced. Nothing is opened.
  virtual std::optional<std::string> CheckTarget(const std::string& path) = 0;
  // Writes every file whole under a temporary name of its own beside it, then renames them
  // into place in the order given, one right after the other, so the moment in which some
  // stand new and others old is as short as it can be, and no other writer of this program
  // renames into the same folder meanwhile. A name that CheckTarget refuses fails the set
  // before anything is written. `stop` is asked while the files are written; once the
  // renames begin the set is finished. On failure no temporary is left and the files hold
  // what they held before.
  virtual bool WriteWholeFiles(const std::vector<WholeFile>& files, WriteFailure* failure,
                               const StopAsked& stop = {}) = 0;
  virtual bool Append(const std::string& path, const std::string& bytes, std::string* error) = 0;
};

class PictureFiles {
 public:
  virtual ~PictureFiles() = default;
  // Loads a picture file of any common format; nothing, with the reason, when it cannot.
  virtual std::optional<Picture> Load(const std::string& path, std::string* error) = 0;
};
