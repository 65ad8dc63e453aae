// The landscape's height field in closed form: three Gaussian ridges across x whose centres
// wander with z, each minus 0.5, so far from every ridge the ground lies at -1.5. The third
// ridge's amplitude is -sin(z), which digs the deep hollow near (0.96, -4.72) where the balls
// gather. The terrain mesh, the rolling balls and the camera paths over it all use this one
// function, so the flight data can be checked against the ground the scene draws. Its sine and
// exponential are the repeatable ones, so the balls roll the same way on every system.
#pragma once

#include "geometry/repeatable_math.h"

// A Gaussian bump of the given amplitude and width around centre, lowered by 0.5.
inline float landscapeRidge(float x, float centre, float amplitude, float width)
{
    const float d = x - centre;
    return amplitude * repeatableExp(-(d * d) / (width * width)) - 0.5f;
}

// Height of the ground at (x, z); computed in float like the terrain mesh.
inline float landscapeHeight(float x, float z)
{
    const float c1 = 2.0f * repeatableSin(0.5f * z);
    const float c2 = 0.5f - 2.0f * repeatableSin(0.3f * z);
    const float c3 = 0.5f - repeatableSin(0.1f * z);
    return landscapeRidge(x, c1, 0.5f, 0.3f) + landscapeRidge(x, c2, 0.5f, 0.3f)
        + landscapeRidge(x, c3, -repeatableSin(z), 1.0f);
}
