// The random source of one start of the program: a Mersenne twister seeded at construction
// from the system's entropy, the high-resolution clock and the process id, so that every
// start draws independently.
#pragma once

#include <random>

#include "support/RandomSource.h"

namespace kelbrook::win32 {

class SeededRandomSource : public RandomSource {
  public:
    SeededRandomSource();
    double NextUnit() override;

  private:
    std::mt19937_64 engine_;
};

}  // namespace kelbrook::win32
