// Times a program from its start to its first frame: starts the command, listens on the X
// server for a top-level window whose title begins with the given prefix (the program sets
// its caption right after presenting its first frame), prints the elapsed milliseconds and
// kills the program. It waits on X events instead of polling, so the timer takes no CPU
// away from the program it times.
// Usage: x_first_frame TITLE-PREFIX TIMEOUT-MS COMMAND [ARGS...]
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

std::string WindowTitle(Display* display, Window window) {
  static const Atom netWmName = XInternAtom(display, "_NET_WM_NAME", False);
  static const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  std::string title;
  if (XGetWindowProperty(display, window, netWmName, 0, 1024, False, utf8, &type, &format, &count, &after,
                         &data) == Success &&
      data != nullptr) {
    title.assign(reinterpret_cast<char*>(data), count);
  }
  if (data != nullptr) XFree(data);
  if (title.empty()) {
    char* name = nullptr;
    if (XFetchName(display, window, &name) && name != nullptr) title = name;
    if (name != nullptr) XFree(name);
  }
  return title;
}

int IgnoreErrors(Display*, XErrorEvent*) { return 0; }  // windows may vanish while we look

}  // namespace

int main(int argc, char* argv[]) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: x_first_frame TITLE-PREFIX TIMEOUT-MS COMMAND [ARGS...]\n");
    return 2;
  }
  const std::string prefix = argv[1];
  const auto timeout = std::chrono::milliseconds(std::atol(argv[2]));
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::fprintf(stderr, "x_first_frame: cannot open the display\n");
    return 1;
  }
  XSetErrorHandler(IgnoreErrors);
  const Window root = DefaultRootWindow(display);
  XSelectInput(display, root, SubstructureNotifyMask);
  XSync(display, False);

  const Clock::time_point start = Clock::now();
  const pid_t child = fork();
  if (child == 0) {
    execvp(argv[3], argv + 3);
    std::perror("x_first_frame: exec");
    _exit(127);
  }
  if (child < 0) {
    std::perror("x_first_frame: fork");
    return 1;
  }

  int result = 1;
  bool found = false;
  auto matches = [&](Window window) {
    return WindowTitle(display, window).compare(0, prefix.size(), prefix) == 0;
  };
  while (!found) {
    const auto left = timeout - (Clock::now() - start);
    if (left <= Clock::duration::zero()) {
      std::fprintf(stderr, "x_first_frame: no window titled \"%s...\" within %ld ms\n", prefix.c_str(),
                   static_cast<long>(timeout.count()));
      break;
    }
    if (XPending(display) == 0) {
      pollfd descriptor{ConnectionNumber(display), POLLIN, 0};
      poll(&descriptor, 1,
           static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(left).count()) + 1);
      if (waitpid(child, nullptr, WNOHANG) == child) {
        std::fprintf(stderr, "x_first_frame: the program ended before its first frame\n");
        return 1;
      }
      continue;
    }
    XEvent event;
    XNextEvent(display, &event);
    if (event.type == CreateNotify) {
      // Listen for the title first, then read it, so a title set in between is not missed.
      XSelectInput(display, event.xcreatewindow.window, PropertyChangeMask);
      found = matches(event.xcreatewindow.window);
    } else if (event.type == PropertyNotify &&
               (event.xproperty.atom == XA_WM_NAME ||
                event.xproperty.atom == XInternAtom(display, "_NET_WM_NAME", False))) {
      found = matches(event.xproperty.window);
    }
    if (found) {
      const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
      std::printf("%.1f\n", ms);
      result = 0;
    }
  }
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  XCloseDisplay(display);
  return result;
}
