// Sine and exponential that give the same bits on every system. The C libraries of Linux and
// Windows round the last bit of sinf and expf differently now and then, and the rolling balls
// are a chaotic system: one bit apart at the start of the landscape scenes, they gather in other
// places a few seconds later. These are computed with additions, multiplications and one exact
// scaling only, in double precision, and then rounded once to float, so both builds (and any
// compiler that does not fuse multiply-adds, which x86-64 without -mfma does not) roll the balls
// the same way. They agree with the library functions to within one unit in the last place.
#pragma once

// sin x, for the landscape's arguments (|x| up to a few hundred; accurate to about 1e4).
float repeatableSin(float x);
// e^x: 0 below about -104, infinity above about 89, as float's own range gives.
float repeatableExp(float x);
