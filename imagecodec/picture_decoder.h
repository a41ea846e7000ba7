#pragma once
// One picture format's decoder over an open file, its header already read.
#include <cstdint>

#include "imagecodec/decode_plan.h"
#include "imagecodec/picture_problem.h"

class PictureDecoder {
 public:
  virtual ~PictureDecoder() = default;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  // The most the decoder scales a picture down by while decoding it (1: it cannot).
  virtual int LargestScaleDenominator() const { return 1; }
  // The plan's rows into `pixels` (plan.width per row), 0xffRRGGBB. A file that ends before
  // its picture does is refused however few rows the plan asks for.
  virtual bool Decode(const DecodePlan& plan, std::uint32_t* pixels, PictureProblem& problem) = 0;
};
