#pragma once
// Stand-ins for the platform services: they record what the program did and can be told
// to fail, so tests check behaviour without a desktop.
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "base/platform.h"
#include "ui/main_window.h"

// Time moves only when the test, a Sleep or a WaitForEvent moves it. A Sleep moves the tick
// counter alone; a wait moves the clock too, to the event the test announced or to its end.
class FakeClock : public Clock {
 public:
  std::uint32_t ticks = 100000;
  LocalDateTime now{2026, 3, 21, 12, 0, 0};
  std::uint32_t sleptMs = 0;
  std::vector<std::uint32_t> waits;          // the limit of every WaitForEvent, in order
  std::optional<std::uint32_t> nextEventMs;  // the next wait ends this soon, then it is spent
  std::uint32_t GetTickCount() override { return ticks; }
  LocalDateTime Now() override { return now; }
  void Sleep(std::uint32_t milliseconds) override {
    ticks += milliseconds;
    sleptMs += milliseconds;
  }
  void WaitForEvent(std::uint32_t milliseconds) override {
    waits.push_back(milliseconds);
    const std::uint32_t waited = nextEventMs && *nextEventMs < milliseconds ? *nextEventMs : milliseconds;
    nextEventMs.reset();
    ticks += waited;
    const int total = now.millisecond + static_cast<int>(waited);
    now.millisecond = total % 1000;
    const int seconds = now.second + total / 1000;
    now.second = seconds % 60;
    now.minute = (now.minute + seconds / 60) % 60;
  }
};

class MemorySettingsStore : public SettingsStore {
 public:
  std::map<std::string, std::string> values;  // "Section/Key" -> text
  std::vector<std::string> writes;            // keys in the order written
  bool failWrites = false;
  std::optional<std::string> Read(const std::string& section, const std::string& key) override {
    const auto found = values.find(section + "/" + key);
    if (found == values.end()) return std::nullopt;
    return found->second;
  }
  bool Write(const std::string& section, const std::string& key, const std::string& value,
             std::string* error) override {
    if (failWrites) {
      if (error) *error = "cannot write /store/skerrowen.conf (access denied)";
      return false;
    }
    values[section + "/" + key] = value;
    writes.push_back(key);
    return true;
  }
};

class RecordingMessageBoxes : public MessageBoxes {
 public:
  struct Shown {
    std::string text, title;
    MessageIcon icon;
  };
  std::vector<Shown> shown;
  void Show(const std::string& text, const std::string& title, MessageIcon icon) override {
    shown.push_back({text, title, icon});
  }
};

class FakeClipboard : public Clipboard {
 public:
  std::optional<Picture> picture;
  std::optional<Picture> ReadBitmap() override { return picture; }
  void WriteBitmap(const Picture& p) override { picture = p; }
};

class MemoryFileStore : public FileStore {
 public:
  std::map<std::string, std::string> files;
  std::set<std::string> failing;  // paths whose writes fail
  // Runs while a set is written, with the stop the writer asks: a long write.
  std::function<void(const StopAsked&)> whileWriting;
  std::optional<std::string> CheckTarget(const std::string&) override { return std::nullopt; }
  bool WriteWholeFiles(const std::vector<WholeFile>& set, WriteFailure* failure,
                       const StopAsked& stop) override {
    if (whileWriting) whileWriting(stop);
    if (stop && stop()) {
      if (failure) *failure = WriteFailure{0, 0, "stopped", false, true};
      return false;
    }
    for (std::size_t k = 0; k < set.size(); ++k) {
      if (failing.count(set[k].path)) {
        if (failure) *failure = WriteFailure{k, 0, "No space left on device"};
        return false;
      }
    }
    for (const WholeFile& file : set) files[file.path] = std::string(file.bytes);
    return true;
  }
  bool Append(const std::string& path, const std::string& bytes, std::string* error) override {
    if (failing.count(path)) {
      if (error) *error = path + ": Read-only file system";
      return false;
    }
    files[path] += bytes;
    return true;
  }
};

class FakePictureFiles : public PictureFiles {
 public:
  std::map<std::string, Picture> pictures;
  std::optional<Picture> Load(const std::string& path, std::string* error) override {
    const auto found = pictures.find(path);
    if (found == pictures.end()) {
      if (error) *error = path + ": No such file or directory";
      return std::nullopt;
    }
    return found->second;
  }
};

class FakeWindow : public MainWindow {
 public:
  int shows = 0;
  std::string caption;
  std::vector<std::string> captions;
  int borderStyle = 2;
  bool keyPreview = false;
  int doEvents = 0;
  int repaints = 0;
  // What the operator does while events are processed; runs on every DoEvents.
  std::function<void()> onDoEvents;
  void ShowModeless() override { ++shows; }
  void SetCaption(const std::string& c) override {
    caption = c;
    captions.push_back(c);
  }
  void SetBorderStyle(int style) override { borderStyle = style; }
  void SetKeyPreview(bool enabled) override { keyPreview = enabled; }
  void DoEvents() override {
    ++doEvents;
    if (onDoEvents) onDoEvents();
  }
  void RequestRepaint() override { ++repaints; }
};

struct ProgramEnded : std::runtime_error {
  ProgramEnded() : std::runtime_error("program ended") {}
};

class ThrowingProcessControl : public ProcessControl {
 public:
  int ends = 0;
  std::function<void()> atEnd;  // sees the state in which the process would end
  [[noreturn]] void EndProgram() override {
    ++ends;
    if (atEnd) atEnd();
    throw ProgramEnded();
  }
};
