#pragma once
// Stand-ins for the services the map output uses: files kept in memory that can be told to
// fail, message boxes and captions that are recorded, and a generator that plays a script.
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "base/platform.h"
#include "mapout/map_files.h"
#include "mapout/post_process.h"

class MemoryFiles : public FileStore {
 public:
  std::map<std::string, std::string> files;
  std::map<std::string, std::string> refused;  // names CheckTarget refuses, with its words
  std::set<std::string> failWrites;            // paths whose writes fail, leaving the old content
  // Paths whose rename into place fails; the files placed before them in the set are put
  // back, unless `failPutBack`.
  std::set<std::string> failRenames;
  bool failPutBack = false;
  bool failAppends = false;
  std::vector<std::string> writeOrder;
  std::vector<std::string> writtenBytes;  // what each write in writeOrder put there

  std::optional<std::string> CheckTarget(const std::string& path) override {
    const auto found = refused.find(path);
    if (found == refused.end()) return std::nullopt;
    return found->second;
  }
  bool WriteWholeFiles(const std::vector<WholeFile>& set, WriteFailure* failure, const StopAsked&) override {
    for (std::size_t k = 0; k < set.size(); ++k) {
      if (auto refusal = CheckTarget(set[k].path)) return Fail(failure, {k, 0, *refusal, true});
      if (failWrites.count(set[k].path)) return Fail(failure, {k, 0, "No space left on device"});
    }
    for (std::size_t k = 0; k < set.size(); ++k) {
      if (failRenames.count(set[k].path) && !failPutBack) return Fail(failure, {k, 0, "Is a directory"});
    }
    for (std::size_t k = 0; k < set.size(); ++k) {
      Place(set[k]);
      if (failRenames.count(set[k].path)) return Fail(failure, {k, k, "Is a directory"});
    }
    return true;
  }
  bool Append(const std::string& path, const std::string& bytes, std::string* error) override {
    if (failAppends) {
      if (error) *error = "Permission denied";
      return false;
    }
    files[path] += bytes;
    return true;
  }

 private:
  void Place(const WholeFile& file) {
    files[file.path] = std::string(file.bytes);
    writeOrder.push_back(file.path);
    writtenBytes.push_back(std::string(file.bytes));
  }
  static bool Fail(WriteFailure* failure, WriteFailure what) {
    if (failure) *failure = std::move(what);
    return false;
  }
};

struct ShownMessage {
  std::string text, title;
  MessageIcon icon;
};

class RecordedMessages : public MessageBoxes {
 public:
  std::vector<ShownMessage> shown;
  void Show(const std::string& text, const std::string& title, MessageIcon icon) override {
    shown.push_back({text, title, icon});
  }
};

// A MapStore on memory files.
struct MemoryMapStore {
  MemoryFiles files;
  RecordedMessages messages;
  MapStore store{files, messages};
};

class RecordedProgress : public RedrawProgress {
 public:
  std::vector<std::string> captions;
  int eventRounds = 0;
  void SetCaption(const std::string& text) override { captions.push_back(text); }
  void ProcessEvents() override { ++eventRounds; }
};

// Plays the given numbers in turn and counts the draws; past the end it plays 0.25. Cheap
// to copy (FillHoles works on a copy and writes it back): the script is shared.
class ScriptedRandom {
 public:
  explicit ScriptedRandom(const std::vector<double>* script = nullptr) : script_(script) {}
  double Next() {
    const double value = script_ && draws < script_->size() ? (*script_)[draws] : 0.25;
    ++draws;
    return value;
  }
  std::size_t draws = 0;

 private:
  const std::vector<double>* script_;
};

inline std::uint32_t Rgb(int r, int g, int b) {
  return static_cast<std::uint32_t>(r) << 16 | static_cast<std::uint32_t>(g) << 8 |
         static_cast<std::uint32_t>(b);
}
