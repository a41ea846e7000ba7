#include "render/device/frame_history.h"

#include <cstring>
#include <utility>

namespace {

template <typename T>
bool SameBits(const T& a, const T& b) {
  return std::memcmp(&a, &b, sizeof(T)) == 0;
}

template <typename T>
bool SameBits(const std::vector<T>& a, const std::vector<T>& b) {
  return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(T)) == 0);
}

bool SameInputs(const DrawInputs& a, const DrawInputs& b) {
  if (!SameBits(a.renderStates, b.renderStates) || !SameBits(a.world, b.world) || !SameBits(a.view, b.view) ||
      !SameBits(a.projection, b.projection) || !SameBits(a.material, b.material) || a.texture != b.texture)
    return false;
  for (std::size_t i = 0; i < a.lights.size(); ++i) {
    if (a.lights[i].defined != b.lights[i].defined || a.lights[i].enabled != b.lights[i].enabled ||
        !SameBits(a.lights[i].light, b.lights[i].light))
      return false;
  }
  return true;
}

}  // namespace

bool SameOperation(const FrameOperation& a, const FrameOperation& b) {
  if (a.kind != b.kind) return false;
  if (a.kind == FrameOperation::Kind::Clear) {
    return a.flags == b.flags && SameBits(a.colour, b.colour) && SameBits(a.z, b.z);
  }
  return a.fvf == b.fvf && a.triangleCount == b.triangleCount && SameInputs(a.inputs, b.inputs) &&
         SameBits(a.vertices, b.vertices) && SameBits(a.indices, b.indices);
}

void FrameHistory::Submit(FrameOperation operation, bool clearsEverything) {
  if (!frameStarted_) {
    frameStarted_ = true;
    // Only a frame that starts from a clean slate can stand in for another, so only such a
    // frame is recorded.
    recording_ = clearsEverything;
    holding_ = clearsEverything && lastStandsAlone_;
  }
  if (holding_ && current_.size() < last_.size() && SameOperation(last_[current_.size()], operation)) {
    current_.push_back(std::move(operation));
    return;
  }
  Settle();
  execute_(operation);
  if (recording_ && current_.size() < kMaxRecordedOperations) {
    current_.push_back(std::move(operation));
  } else {
    recording_ = false;
    current_.clear();
  }
}

void FrameHistory::Settle() {
  if (!holding_) return;
  holding_ = false;
  for (FrameOperation& operation : current_) execute_(operation);
}

void FrameHistory::EndFrame() {
  if (holding_ && current_.size() != last_.size()) Settle();
  if (holding_) ++framesKept_;
  holding_ = false;
  lastStandsAlone_ = recording_;
  if (recording_) {
    last_.swap(current_);
  } else {
    last_.clear();
  }
  current_.clear();
  recording_ = false;
  frameStarted_ = false;
}
