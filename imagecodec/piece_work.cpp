#include "imagecodec/piece_work.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

int WorkersFor(std::size_t count, int threads) {
  const int cores = threads > 0 ? threads : static_cast<int>(std::thread::hardware_concurrency());
  return static_cast<int>(std::clamp<std::size_t>(static_cast<std::size_t>(std::max(cores, 1)), 1, count));
}

bool RunPieces(std::size_t count, int threads, const PieceWork& work,
               const std::function<void(std::size_t)>& join, const EncodeProgress& progress,
               EncodeProblem& problem) {
  std::mutex mutex;
  std::condition_variable pieceDone;
  std::vector<bool> done(count, false);
  EncodeProblem failure;
  std::atomic<std::size_t> next{0};
  std::atomic<bool> stop{false};
  const auto fail = [&](EncodeFault fault, std::string detail) {
    if (failure.fault == EncodeFault::None) failure = {fault, std::move(detail)};
    stop = true;
  };
  const auto run = [&](int worker) {
    for (std::size_t piece; !stop && (piece = next.fetch_add(1)) < count;) {
      std::string why;
      bool outOfMemory = false;
      try {
        why = work(piece, worker);
      } catch (const std::bad_alloc&) {
        outOfMemory = true;
      }
      const std::lock_guard lock(mutex);
      if (outOfMemory) fail(EncodeFault::OutOfMemory, {});
      if (!why.empty()) fail(EncodeFault::Failed, why);
      done[piece] = true;
      pieceDone.notify_all();
    }
  };
  {
    std::vector<std::jthread> workers;
    for (int worker = 0; worker < WorkersFor(count, threads); ++worker) workers.emplace_back(run, worker);
    std::unique_lock lock(mutex);
    for (std::size_t joined = 0; joined < count && failure.fault == EncodeFault::None;) {
      pieceDone.wait_for(lock, std::chrono::milliseconds(50),
                         [&] { return done[joined] || failure.fault != EncodeFault::None; });
      for (; joined < count && done[joined] && failure.fault == EncodeFault::None; ++joined) {
        lock.unlock();
        bool joinedWell = true;
        try {
          join(joined);
        } catch (const std::bad_alloc&) {
          joinedWell = false;
        }
        lock.lock();
        if (!joinedWell) fail(EncodeFault::OutOfMemory, {});
      }
      if (progress && failure.fault == EncodeFault::None) {
        lock.unlock();
        const bool goOn = progress(static_cast<double>(joined) / static_cast<double>(count));
        lock.lock();
        if (!goOn) fail(EncodeFault::Cancelled, {});
      }
    }
  }
  problem = failure;
  return failure.fault == EncodeFault::None;
}
