#pragma once
// Reading an equirectangular Earth picture at the rows and scale a map needs. Only a regular
// file is opened, and never in a way that waits; a picture that is not twice as wide as high,
// ends early or is damaged is refused. JPEG and PNG are decoded here; other formats by the
// fallback decoder the caller gives (qt_picture_decoder.h has one).
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "imagecodec/decode_plan.h"
#include "imagecodec/decoded_picture_cache.h"
#include "imagecodec/picture_decoder.h"
#include "imagecodec/picture_problem.h"

// The rows decoded: `rowCount` rows of `width` pixels 0xffRRGGBB, from row `firstRow` of
// `fullHeight`, all at the decoded scale (1 / `scaleDenominator` of the stored picture).
// `keep` holds the memory `pixels` lie in.
struct DecodedPicture {
  std::shared_ptr<const void> keep;
  const std::uint32_t* pixels = nullptr;
  int width = 0;
  int rowCount = 0;
  int firstRow = 0;
  int fullHeight = 0;
  int scaleDenominator = 1;
};

// Makes a decoder for a picture the plain decoders do not know, reading the open descriptor
// `fd` from its start; nullptr with the problem when it is no picture.
using FallbackDecoder = std::function<std::unique_ptr<PictureDecoder>(int fd, PictureProblem& problem)>;

class EarthPictureReader {
 public:
  // With a `cache`, a picture small enough is decoded whole once and kept there, and later
  // taken from it.
  explicit EarthPictureReader(FallbackDecoder fallback = {}, const DecodedPictureCache* cache = nullptr);
  ~EarthPictureReader();
  EarthPictureReader(const EarthPictureReader&) = delete;
  EarthPictureReader& operator=(const EarthPictureReader&) = delete;

  // Opens the file and reads the picture's size. False with Problem() when it cannot be read,
  // is no picture, or is not 2:1.
  bool Open(const std::string& path);
  int Width() const;
  int Height() const;
  // The rows `need` asks for (of the full size, as Width() and Height() give it). False with
  // Problem() on any fault.
  bool Decode(const PictureNeed& need, DecodedPicture& picture);
  const PictureProblem& Problem() const { return problem_; }

 private:
  bool Fail(PictureFault fault, std::string detail = {});
  bool DecodeThroughCache(const DecodePlan& whole, DecodedPicture& picture);

  FallbackDecoder fallback_;
  const DecodedPictureCache* cache_;
  int fd_ = -1;
  std::unique_ptr<PictureDecoder> decoder_;
  PictureProblem problem_;
};
