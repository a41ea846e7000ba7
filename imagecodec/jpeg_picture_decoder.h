#pragma once
// JPEG pictures through libjpeg-turbo: scaled down by its DCT when the plan says so, rows
// above the band skipped, rows below it not decoded when the file is whole.
#include <memory>

#include "imagecodec/picture_decoder.h"

// Whether `start` (three bytes at least) opens a JPEG file.
bool IsJpegStart(const unsigned char* start);

// Reads the header of the JPEG file open at `fd`. nullptr with the problem when it is none,
// and nullptr with no problem when its colours (CMYK) are for another decoder.
std::unique_ptr<PictureDecoder> OpenJpegDecoder(int fd, PictureProblem& problem);
