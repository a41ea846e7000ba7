#include "app/frame_repeat.h"

#include <bit>

#include "app/view_update.h"

namespace {

bool SameSecond(const LocalDateTime& a, const LocalDateTime& b) {
  return a.year == b.year && a.month == b.month && a.day == b.day && a.hour == b.hour &&
         a.minute == b.minute && a.second == b.second;
}

// Bit for bit: 0 and -0 count as different, which only costs a frame drawn again.
bool SameNumber(double a, double b) {
  return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

}  // namespace

void FrameRepeat::Presented(const ViewState& view, const LocalDateTime& when, std::uint64_t eventsHandled) {
  last_ = Inputs{view.Rotation, view.Tilt, view.Distance, view.Offset, when, eventsHandled};
}

bool FrameRepeat::NextRepeats(const ViewState& view, const KeyFlags& keys, const LocalDateTime& now,
                              std::uint64_t eventsHandled) const {
  return last_ && keys == KeyFlags{} && eventsHandled == last_->eventsHandled && IsSettledView(view) &&
         view.Rotation == last_->rotation && view.Tilt == last_->tilt &&
         SameNumber(view.Distance, last_->distance) && SameNumber(view.Offset, last_->offset) &&
         SameSecond(now, last_->when);
}

std::uint32_t MillisecondsIntoNextSecond(const LocalDateTime& now) {
  const int into = now.millisecond >= 0 && now.millisecond < 1000 ? now.millisecond : 0;
  return static_cast<std::uint32_t>(1000 - into + 1);
}
