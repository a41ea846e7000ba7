#pragma once
// The per-user settings store on QSettings, in its INI file (on Linux
// ~/.config/<name>/<name>.conf).
#include <QSettings>
#include <map>
#include <memory>
#include <string>

#include "base/platform.h"

class QtSettingsStore : public SettingsStore {
 public:
  // The store's file for a program of this name, as the desktop places per-user settings.
  static std::string UserStoreFile(const std::string& applicationName);

  // Checks `file` before anything reads it: a store that is not a regular file, is far too
  // large or cannot be read is left alone, and the values of this run are kept in memory.
  explicit QtSettingsStore(const std::string& file);
  std::optional<std::string> Read(const std::string& section, const std::string& key) override;
  bool Write(const std::string& section, const std::string& key, const std::string& value,
             std::string* error) override;
  std::string Location() const override { return file_; }
  std::string OpenProblem() const override { return openProblem_; }
  void Sync();

 private:
  void Open();

  std::string file_;
  std::string openProblem_;
  std::unique_ptr<QSettings> settings_;          // null when the file was refused
  std::map<std::string, std::string> inMemory_;  // "Section/Key" -> text, when it was
  // The file held lines Qt could not read; its status stays at FormatError until the first
  // save has written them out and the store is opened afresh.
  bool unreadLinesUntilSaved_ = false;
};
