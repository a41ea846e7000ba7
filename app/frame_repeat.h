#pragma once
// Whether the next frame would repeat the last one presented. A frame is drawn from the view,
// the keys held (they step the view, move the sun's Offset and set the fill mode) and the
// clock's whole second (the sun lights follow it); everything else stays as the pass set it
// up. While no key is held, no window event has been handled since, the view is settled and
// the clock is still in the second of the last frame, the next frame would show the same
// pixels under the same caption, so the loop need not draw it.
#include <cstdint>
#include <optional>

#include "app/view_state.h"
#include "base/platform.h"

class FrameRepeat {
 public:
  // A frame drawn from `view` at `when` was presented whole; `eventsHandled` counts the window
  // events handled before it was drawn.
  void Presented(const ViewState& view, const LocalDateTime& when, std::uint64_t eventsHandled);
  // The renderer was set up anew: the next frame is drawn whatever it shows.
  void Forget() { last_.reset(); }
  bool NextRepeats(const ViewState& view, const KeyFlags& keys, const LocalDateTime& now,
                   std::uint64_t eventsHandled) const;

 private:
  struct Inputs {
    std::int16_t rotation = 0;
    std::int16_t tilt = 0;
    double distance = 0;
    double offset = 0;
    LocalDateTime when;
    std::uint64_t eventsHandled = 0;
  };
  std::optional<Inputs> last_;
};

// Milliseconds from `now` into the clock's next whole second (one more than to its start, so
// that a wait of that long ends inside it).
std::uint32_t MillisecondsIntoNextSecond(const LocalDateTime& now);
