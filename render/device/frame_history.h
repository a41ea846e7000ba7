#pragma once
// Frames that repeat the last one. The device records each frame's drawing operations (all
// between two Presents) with every input they read. A frame that starts by clearing the whole
// target and depth buffer depends on nothing drawn before it; when it repeats the last frame
// bit for bit, it would draw exactly the pixels the buffers already hold. Its operations are
// therefore held back, and carried out only if the frame turns out to differ, ends early, or
// has its pixels read half-way. A globe standing still then costs a comparison per tick
// instead of a frame.
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "render/pipeline/draw_inputs.h"
#include "render/types/d3d_types.h"
#include "render/types/vertex.h"

struct FrameOperation {
  enum class Kind { Clear, Draw } kind = Kind::Clear;
  // Clear
  DWORD flags = 0;
  D3DCOLOR colour = 0;
  float z = 0;
  // Draw
  DrawInputs inputs;
  DWORD fvf = 0;
  std::vector<Vertex> vertices;
  std::vector<std::uint32_t> indices;
  std::uint32_t triangleCount = 0;
};

// Bit for bit: a float that merely compares equal (0 and -0) counts as a difference, which
// only costs a frame drawn again.
bool SameOperation(const FrameOperation& a, const FrameOperation& b);

class FrameHistory {
 public:
  // `execute` carries out one recorded operation on the device's buffers.
  using Executor = std::function<void(FrameOperation&)>;
  explicit FrameHistory(Executor execute) : execute_(std::move(execute)) {}

  // Carries out `operation`, or holds it back while the frame so far repeats the last one.
  // `clearsEverything`: it is a Clear of the whole target and depth buffer.
  void Submit(FrameOperation operation, bool clearsEverything);
  // Carries out what is held back, so the buffers show the operations so far.
  void Settle();
  // The frame is presented: after this the buffers hold its pixels, drawn or kept.
  void EndFrame();
  // How many frames were kept instead of drawn.
  std::uint64_t FramesKept() const { return framesKept_; }

 private:
  // A frame with more operations than this is drawn as it comes and not recorded; a caller that
  // never presents cannot make the record grow without bound.
  static constexpr std::size_t kMaxRecordedOperations = 64;

  Executor execute_;
  std::vector<FrameOperation> last_;     // the last frame's operations, when it stood alone
  std::vector<FrameOperation> current_;  // this frame's, while it is recorded
  bool lastStandsAlone_ = false;         // the buffers hold exactly what last_ draws
  bool frameStarted_ = false;
  bool recording_ = false;  // this frame began by clearing everything and is being recorded
  bool holding_ = false;    // every operation of this frame so far is held back
  std::uint64_t framesKept_ = 0;
};
