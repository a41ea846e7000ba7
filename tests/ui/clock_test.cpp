#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QTimer>
#include <chrono>
#include <thread>

#include "ui/qt_services.h"

namespace {

using namespace std::chrono_literals;
using Steady = std::chrono::steady_clock;

// Counts the events of its own type that reach it.
class Receiver : public QObject {
 public:
  int received = 0;
  bool event(QEvent* event) override {
    if (event->type() != QEvent::User) return QObject::event(event);
    ++received;
    return true;
  }
};

// The loop's wait at rest: it ends as soon as an event is pending, from this thread or
// another, or a timer is due, and leaves the event to the next processing.
class EventWait : public ::testing::Test {
 protected:
  EventWait() { QCoreApplication::processEvents(); }

  // Milliseconds the wait took.
  double Wait(std::uint32_t limit) {
    const Steady::time_point start = Steady::now();
    clock.WaitForEvent(limit);
    return std::chrono::duration<double, std::milli>(Steady::now() - start).count();
  }

  int argc = 1;
  char name[8] = "test_ui";
  char* argv[1] = {name};
  QGuiApplication application{argc, argv};
  QtClock clock;
  Receiver receiver;
};

TEST_F(EventWait, AnEventPostedFromAnotherThreadEndsItAndWaitsForItsProcessing) {
  std::thread poster([this] {
    std::this_thread::sleep_for(50ms);
    QCoreApplication::postEvent(&receiver, new QEvent(QEvent::User));
  });
  const double waited = Wait(30000);
  poster.join();
  EXPECT_LT(waited, 15000);
  EXPECT_EQ(receiver.received, 0) << "the wait processed the event";
  QCoreApplication::processEvents();
  EXPECT_EQ(receiver.received, 1);
}

TEST_F(EventWait, AnEventAlreadyPendingOrATimerDueEndsIt) {
  QCoreApplication::postEvent(&receiver, new QEvent(QEvent::User));
  EXPECT_LT(Wait(30000), 15000);
  EXPECT_EQ(receiver.received, 0);
  QCoreApplication::processEvents();
  EXPECT_EQ(receiver.received, 1);

  bool fired = false;
  QTimer::singleShot(30, [&fired] { fired = true; });
  EXPECT_LT(Wait(30000), 15000);
  EXPECT_FALSE(fired);
  QCoreApplication::processEvents();
  EXPECT_TRUE(fired);
}

TEST_F(EventWait, WithNothingPendingItLastsItsLimit) {
  EXPECT_GE(Wait(60), 59);
  EXPECT_EQ(receiver.received, 0);
}

}  // namespace
