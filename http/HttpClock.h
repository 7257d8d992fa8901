#pragma once
#include <cstdint>

// Milliseconds from a fixed point that only moves forward, wrapping at 2^32 (about 49 days): the
// transfer watch takes differences of two readings, which stay right across the wrap.
uint32_t HttpTickMilliseconds();
