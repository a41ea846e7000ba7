#pragma once
// The platform services on Qt.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/platform.h"
#include "ui/main_window.h"

class QtClock : public Clock {
 public:
  QtClock();
  ~QtClock() override;
  std::uint32_t GetTickCount() override;
  LocalDateTime Now() override;
  void Sleep(std::uint32_t milliseconds) override;
  // Polls the event dispatcher's glib main context, as its own iteration would, but leaves
  // what became ready for the next event processing. Under another dispatcher (QT_NO_GLIB)
  // it sleeps at most one tick.
  void WaitForEvent(std::uint32_t milliseconds) override;

 private:
  std::vector<struct _GPollFD> pollFds_;  // what the last wait polled, kept for the next
};

class QtMessageBoxes : public MessageBoxes {
 public:
  explicit QtMessageBoxes(std::string defaultTitle) : defaultTitle_(std::move(defaultTitle)) {}
  void Show(const std::string& text, const std::string& title, MessageIcon icon) override;

 private:
  std::string defaultTitle_;
};

class QtClipboard : public Clipboard {
 public:
  std::optional<Picture> ReadBitmap() override;
  void WriteBitmap(const Picture& picture) override;
};

class QtPictureFiles : public PictureFiles {
 public:
  std::optional<Picture> Load(const std::string& path, std::string* error) override;
};

// Ends the process at once, after `keep` has written what must outlive it (the settings).
class QtProcessControl : public ProcessControl {
 public:
  explicit QtProcessControl(std::function<void()> keep) : keep_(std::move(keep)) {}
  [[noreturn]] void EndProgram() override;

 private:
  std::function<void()> keep_;
};

// A picture as a QImage and back (0x00RRGGBB pixels, Format_RGB32).
Picture PictureFromImage(const class QImage& image);
class QImage ImageFromPicture(const Picture& picture);
