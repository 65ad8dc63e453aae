// The program's random numbers: the classic C-runtime generator (state * 214013 + 2531011,
// result bits 16..30, seed 1 at start). Every run makes the same random choices, and the scenes'
// tuned layouts rely on exactly this sequence, which glibc's rand does not produce; so nothing
// calls the C library's rand.
#pragma once

namespace crt {

constexpr int randMax = 0x7FFF;

// The next value in 0..32767.
int rand();
// Restarts the sequence (seed 1 gives the start-up sequence again).
void srand(unsigned seed);

} // namespace crt
