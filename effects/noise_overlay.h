// NoiseOverlay: flickering film grain over the scene. A noise picture, shifted by a random
// offset on every draw and swapped for the other picture every six draws, is added over the
// frame, then a white quad lifts the result.
//
// The random choices come from crt::rand, so they repeat from run to run with the program's
// seeding. Window thread only, with the context current.
#pragma once

#include "platform/gl.h"

#include <cstdint>
#include <vector>

class NoiseOverlay {
public:
    // Loads "./data/noise7.jpg", "./data/noise8.jpg" and "./data/white.jpg".
    NoiseOverlay();

    void setLevels(double noise, double white)
    {
        noiseLevel = float(noise);
        whiteLevel = float(white);
    }
    void draw();

    // Step 2 of a draw: on the first of the held frames, a random noise picture other than the
    // current one (with one picture or none, the choice stays).
    void choosePicture();
    // Step 6: counts the draw, back to 0 past holdFrames.
    void countFrame();

    std::vector<GLuint> noiseTextures; // noise7, noise8
    GLuint whiteTexture = 0;
    int32_t holdFrames = 5; // a new picture every holdFrames + 1 draws
    int32_t frame = 0;
    int32_t current = 0; // index into noiseTextures of the shown picture
    float noiseLevel = 0.2f;
    float whiteLevel = 0.5f;
};
