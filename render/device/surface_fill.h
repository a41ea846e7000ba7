#pragma once
// Filling runs of 32-bit pixels or depths with one value, as Clear does every frame.
#include <cstddef>
#include <cstdint>

void FillWords(std::uint32_t* words, std::size_t count, std::uint32_t value);
void FillDepths(float* depths, std::size_t count, float value);
