#pragma once
// Stand-ins for the services the map output uses: files kept in memory that can be told to
// fail, message boxes and captions that are recorded, and a generator that plays a script.
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "base/platform.h"
#include "mapout/map_files.h"
#include "mapout/post_process.h"

class MemoryFiles : public FileStore {
 public:
  std::map<std::string, std::string> files;
  std::set<std::string> failWrites;  // paths whose writes fail, leaving the old content
  // Paths whose rename into place fails, after the files before them in a set are placed.
  std::set<std::string> failRenames;
  bool failAppends = false;
  bool failRemoves = false;
  std::vector<std::string> writeOrder;
  std::vector<std::string> writtenBytes;  // what each write in writeOrder put there

  bool WriteWhole(const std::string& path, const std::string& bytes, std::string* error) override {
    if (failWrites.count(path)) {
      if (error) *error = "No space left on device";
      return false;
    }
    files[path] = bytes;
    writeOrder.push_back(path);
    writtenBytes.push_back(bytes);
    return true;
  }
  bool WriteWholeFiles(const std::vector<WholeFile>& set, WriteFailure* failure) override {
    for (std::size_t k = 0; k < set.size(); ++k) {
      if (failWrites.count(set[k].path)) {
        if (failure) *failure = WriteFailure{k, 0, "No space left on device"};
        return false;
      }
    }
    for (std::size_t k = 0; k < set.size(); ++k) {
      if (failRenames.count(set[k].path)) {
        if (failure) *failure = WriteFailure{k, k, "Is a directory"};
        return false;
      }
      files[set[k].path] = std::string(set[k].bytes);
      writeOrder.push_back(set[k].path);
      writtenBytes.push_back(std::string(set[k].bytes));
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
  bool Remove(const std::string& path) override {
    if (failRemoves) return false;
    return files.erase(path) > 0;
  }
  bool Exists(const std::string& path) const { return files.count(path) > 0; }
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

// A MapStore on memory files whose existence test looks at those same files.
struct MemoryMapStore {
  MemoryFiles files;
  RecordedMessages messages;
  MapStore store;
  MemoryMapStore() : store(files, messages, [this](const std::string& path) { return files.Exists(path); }) {}
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
