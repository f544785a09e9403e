#include "support/win32/SeededRandomSource.h"

#include <windows.h>

#include <cstdint>

namespace kelbrook::win32 {

SeededRandomSource::SeededRandomSource() {
    std::random_device entropy;
    LARGE_INTEGER counter{};
    ::QueryPerformanceCounter(&counter);
    FILETIME now{};
    ::GetSystemTimePreciseAsFileTime(&now);
    const auto ticks = static_cast<std::uint64_t>(counter.QuadPart);
    std::seed_seq seed{entropy(),
                       entropy(),
                       static_cast<unsigned>(ticks),
                       static_cast<unsigned>(ticks >> 32),
                       static_cast<unsigned>(now.dwLowDateTime),
                       static_cast<unsigned>(now.dwHighDateTime),
                       static_cast<unsigned>(::GetCurrentProcessId())};
    engine_.seed(seed);
}

double SeededRandomSource::NextUnit() {
    // The top 53 bits as a fraction: never 1, which std::generate_canonical may round up to.
    return static_cast<double>(engine_() >> 11) * (1.0 / 9007199254740992.0);
}

}  // namespace kelbrook::win32
