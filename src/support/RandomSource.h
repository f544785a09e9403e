// A source of random numbers, seeded afresh for every start of the program.
#pragma once

namespace kelbrook {

class RandomSource {
  public:
    virtual ~RandomSource() = default;
    // A number r drawn uniformly with 0 <= r < 1.
    virtual double NextUnit() = 0;
};

}  // namespace kelbrook
