#include "mapout/capture.h"

#include <cstddef>

CaptureResult StoreCapture(const std::optional<Picture>& clipboard, Surface& picture4,
                           const MapCentre& centre, MapStore& store) {
  if (!clipboard || clipboard->Empty()) return CaptureResult::NoPicture;
  const auto needed =
      static_cast<std::size_t>(clipboard->width) * static_cast<std::size_t>(clipboard->height);
  if (clipboard->pixels.size() < needed) return CaptureResult::NoPicture;
  picture4.SetPicture(*clipboard);
  return store.SaveMap(picture4, centre) ? CaptureResult::Stored : CaptureResult::NotStored;
}
