#pragma once
// PNG pictures through libspng, row by row: rows above the band are inflated and dropped,
// rows below it not decoded when the file is whole, and a reduced scale is an average of
// each square of 2, 4, ... 64 pixels on a side.
#include <memory>

#include "imagecodec/picture_decoder.h"

// Whether `start` (eight bytes) opens a PNG file.
bool IsPngStart(const unsigned char* start);

// Reads the header of the PNG file open at `fd`; nullptr with the problem when it is none.
std::unique_ptr<PictureDecoder> OpenPngDecoder(int fd, PictureProblem& problem);
