#pragma once
// Exact products of 64-bit values in 128 bits. The multiply runs unsigned
// (wrap-around is defined and never happens for these magnitudes), so no
// overflow-checking runtime helper is needed under sanitizers.

#include <cstdint>

namespace ink_geometry {

inline __int128 mul(int64_t a, int64_t b)
{
    using U = unsigned __int128;
    return static_cast<__int128>(static_cast<U>(static_cast<__int128>(a)) * static_cast<U>(static_cast<__int128>(b)));
}

// Sign of a 2D cross product (b - a) x (c - a) style value.
inline int sign(__int128 v) { return (v > 0) - (v < 0); }

}  // namespace ink_geometry
