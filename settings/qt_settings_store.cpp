#include "settings/qt_settings_store.h"

#include <signal.h>

#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>
#include <QSysInfo>
#include <cerrno>
#include <chrono>
#include <fstream>
#include <iterator>
#include <thread>
#include <vector>

#include "settings/settings_file_check.h"

namespace {

// A program killed while it wrote its settings leaves the store's lock file behind. Qt
// removes a stale lock under a second lock, "<lock>.rmlock", and that one under a third, so a
// program killed at the wrong moment can leave any of them; one still empty is taken for a
// live lock until it is 30 s old. Qt waits for it inside the loop's event processing, so the
// window would stand frozen that long. Before the store is used, every lock of the chain that
// names nobody (and still names nobody a moment later), or names a process of this machine
// that no longer runs, is removed. A lock held by a running program is left alone.
bool ProcessIsGone(qint64 pid) {
  return pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

void RemoveAbandonedLocks(const QString& storeFile) {
  std::vector<QString> chain;
  for (QString path = storeFile + ".lock"; QFileInfo::exists(path); path += ".rmlock") chain.push_back(path);
  bool waited = false;
  for (auto link = chain.rbegin(); link != chain.rend(); ++link) {
    QLockFile lock(*link);
    qint64 pid = 0;
    QString host, application;
    bool named = lock.getLockInfo(&pid, &host, &application);
    if (!named && !waited) {
      // A writer that has just created its lock fills it in within microseconds.
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      waited = true;
      named = lock.getLockInfo(&pid, &host, &application);
    }
    if (!named || (host == QSysInfo::machineHostName() && ProcessIsGone(pid))) lock.removeStaleLockFile();
  }
}

std::string ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Names the first few lines Qt will not keep as they stand, and what the next save does.
std::string UnreadLinesMessage(const std::string& file, const std::vector<SettingsLine>& lines) {
  constexpr std::size_t kNamed = 3;
  std::string text = "The view settings store " + file + " holds lines that were not understood:";
  bool sections = false, others = false;
  for (std::size_t k = 0; k < lines.size(); ++k) {
    sections = sections || lines[k].section;
    others = others || !lines[k].section;
    if (k < kNamed) {
      text += "\nline " + std::to_string(lines[k].number) + ": \"" + lines[k].text + "\"" +
              (lines[k].section ? " (no \"]\")" : " (no \"=\")");
    }
  }
  if (lines.size() > kNamed) text += "\nand " + std::to_string(lines.size() - kNamed) + " more.";
  text += "\nThe next save of the view writes the store anew:";
  if (others) text += " lines without \"=\" are dropped";
  if (others && sections) text += ",";
  if (sections) text += " a section line without \"]\" is taken to its end and gets its \"]\"";
  return text + ".";
}

}  // namespace

std::string QtSettingsStore::UserStoreFile(const std::string& applicationName) {
  const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
  return (base + "/" + QString::fromStdString(applicationName + "/" + applicationName + ".conf"))
      .toStdString();
}

QtSettingsStore::QtSettingsStore(const std::string& file) : file_(file) {
  const SettingsFileCheck check = CheckSettingsFile(file_);
  if (!check.usable) {
    // The operator's file stays exactly as it is; the view of this run lives in memory.
    openProblem_ = "The view settings store " + file_ + " " + check.problem +
                   ".\nIt is neither read nor written in this run: the view starts from the start values and "
                   "is kept only until the program ends.";
    return;
  }
  const std::vector<SettingsLine> lines = LinesNotUnderstood(ReadWhole(file_));
  if (!lines.empty()) openProblem_ = UnreadLinesMessage(file_, lines);
  Open();
}

void QtSettingsStore::Open() {
  const QString name = QString::fromStdString(file_);
  RemoveAbandonedLocks(name);
  settings_ = std::make_unique<QSettings>(name, QSettings::IniFormat);
  settings_->allKeys();  // Qt reads the sections lazily; every line is judged now
  unreadLinesUntilSaved_ = settings_->status() == QSettings::FormatError;
}

std::optional<std::string> QtSettingsStore::Read(const std::string& section, const std::string& key) {
  if (!settings_) {
    const auto found = inMemory_.find(section + "/" + key);
    return found == inMemory_.end() ? std::nullopt : std::optional<std::string>(found->second);
  }
  const QString path = QString::fromStdString(section + "/" + key);
  if (!settings_->contains(path)) return std::nullopt;
  const QVariant value = settings_->value(path);
  // An unquoted "10,5" written by hand reads as a list of two; it was meant as one text.
  if (value.typeId() == QMetaType::QStringList) return value.toStringList().join(',').toStdString();
  return value.toString().toStdString();
}

bool QtSettingsStore::Write(const std::string& section, const std::string& key, const std::string& value,
                            std::string* error) {
  if (!settings_) {
    inMemory_[section + "/" + key] = value;
    return true;
  }
  // Qt writes the store at the next event processing; a failure shows in the status then,
  // and is reported by the next write. A value the store already holds is not set again, so
  // the view steps that change nothing do not rewrite the file twenty times a second.
  const QString path = QString::fromStdString(section + "/" + key);
  const QString text = QString::fromStdString(value);
  if (settings_->value(path).toString() != text || !settings_->contains(path)) {
    settings_->setValue(path, text);
    if (unreadLinesUntilSaved_) {
      // The first save drops the lines the operator was told of at start. Qt keeps its first
      // error for good, so the store is opened afresh: from now on its status tells only what
      // goes wrong from here, and a save that failed shows as that failure again.
      settings_->sync();
      settings_.reset();
      Open();
    }
  }
  const QSettings::Status status = settings_->status();
  if (status == QSettings::NoError || (unreadLinesUntilSaved_ && status == QSettings::FormatError))
    return true;
  if (error != nullptr) {
    *error = "cannot write " + file_ +
             (status == QSettings::AccessError ? " (access denied or disk full)" : " (format error)");
  }
  return false;
}

void QtSettingsStore::Sync() {
  if (settings_) settings_->sync();
}
