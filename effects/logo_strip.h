// LogoStrip: the top band's logo. A textured square that drifts towards the viewer with
// exponential acceleration and brightens as it comes, drawn once per frame; once it has flown
// far past the viewer (depth beyond 1000) it starts again from the back.
//
// With the asset set-up's rates (growth 1.005, drift 0.01) the depth after n draws is
// 2 (1.005^n - 1): the brightness reaches its cap at depth 2.5, the square passes the viewer at
// depth 8 (about 320 draws) and the cycle restarts after about 1250 draws.
// Window thread only, with the context current.
#pragma once

#include "platform/gl.h"

class LogoStrip {
public:
    static constexpr float restartDepth = 1000.0f;

    void setRates(double newGrowth, double newDrift)
    {
        growth = newGrowth;
        drift = newDrift;
    }
    // The logo picture, through Utility::loadJPGTexture.
    bool loadTexture(const char* path);

    // Advances the depth by one step, then draws the square at it.
    void draw();

    // One step of the depth: depth x growth + drift, 0 again past restartDepth.
    void advance();
    // The grey level the square is drawn in: min(depth x 0.2, 0.5).
    float level() const;

    GLuint texture = 0;
    float depth = 0.0f;    // moves towards the viewer, restarts past 1000
    double growth = 1.005; // per draw
    double drift = 0.0005; // added per draw
};
