#pragma once
// The pictures the plain decoders do not read (BMP, TIFF, ...) through Qt's image readers.
#include <memory>

#include "imagecodec/picture_decoder.h"

// A decoder reading the file open at `fd` from its start; nullptr with the problem when Qt
// reads no picture in it. Fits EarthPictureReader's fallback.
std::unique_ptr<PictureDecoder> OpenQtPictureDecoder(int fd, PictureProblem& problem);
