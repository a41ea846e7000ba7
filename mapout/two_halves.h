#pragma once
// The redraw's passes whose iterations are independent of one another (where texels land,
// the neighbour tables of the hole filling) share their work with a second thread, as a
// desktop has a second core; the search for the holes' samples cannot, as its random numbers
// come one after another.
#include <cstddef>
#include <thread>

// Runs work(begin, end) over [0, count): the first half on the calling thread, the second on
// a thread of its own, and returns when both are done. The two halves must write to separate
// memory, and `work` must not throw.
template <class Work>
void InTwoHalves(std::size_t count, const Work& work) {
  const std::size_t half = count / 2;
  std::jthread second([&] { work(half, count); });
  work(0, half);
}
