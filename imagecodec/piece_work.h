#pragma once
// One encoding cut into pieces that several threads work on, joined in order on the
// calling thread as soon as each piece and all before it are done.
#include <cstddef>
#include <functional>
#include <string>

#include "imagecodec/map_encoding.h"

// Works on one piece with the worker's own scratch (workers are numbered from 0); returns
// why it failed, or nothing. May throw std::bad_alloc.
using PieceWork = std::function<std::string(std::size_t piece, int worker)>;

// The number of workers for `count` pieces when `threads` are asked (0: one per core).
int WorkersFor(std::size_t count, int threads);

// Runs `work` for pieces 0..count-1 on WorkersFor(count, threads) threads and `join` for each
// in order on the calling thread, `progress` after each wake with the share joined. Stops at
// the first failure, or when `progress` says so. False with the problem.
bool RunPieces(std::size_t count, int threads, const PieceWork& work,
               const std::function<void(std::size_t)>& join, const EncodeProgress& progress,
               EncodeProblem& problem);
