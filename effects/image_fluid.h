// ImageFluid: the opening picture dissolving in a two-dimensional fluid.
//
// "./data/200x100.jpg" is poured, channel by channel, into three dye fields of 200 x 100 cells
// (blue, red, green). A 100 x 50 velocity grid, half the dye's resolution, is fed by a jet of
// rightward velocity at the left edge, halfway up, that weakens as steps accumulate; each step
// moves and projects the velocity (no viscous diffusion), fades the dye and carries it along.
// The solver itself is in fluid_solver.h. draw shows the dye as 196 x 96 coloured quads in a
// square two units wide at depth -2.25.
//
// Dye cell (i, j) has index i + 200 j; row j = 0 is drawn at the bottom. The picture is poured
// turned by 180 degrees: since its rows are stored mirrored and top row first (jpg_image.h), a
// JPEG picture appears the right way round.
//
// The dye fields' rows are 200 cells long but the solver's interior and ring end at column 197
// and row 97 (fluid_solver.h). The two spare columns and rows only take the picture's edge and
// the dye's 1 % source each step; nothing reads or draws them.
//
// step and its parts, the fields and the picture are public so the simulation can be driven
// and checked without a rendering context; only draw needs one. Nothing is allocated per step.
//
// Window thread only.
#pragma once

#include "assets/bmp_image.h"
#include "assets/jpg_image.h"
#include "effects/fluid_solver.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

class ImageFluid {
public:
    static constexpr int pictureWidth = 200;  // the dye grid's size, and the picture's expected size
    static constexpr int pictureHeight = 100;
    static constexpr int pourCount = 12;      // pours of the picture at construction
    static constexpr int blueChannel = 0, redChannel = 1, greenChannel = 2; // indices into dye
    static constexpr int stepCountLimit = 50000; // stepCount starts again from 0 past this

    // One dye channel: the current field and the previous one the step advects from.
    struct DyeField {
        std::vector<double> current;
        std::vector<double> previous;
    };

    // Allocates every field, resets, loads "./data/200x100.jpg" and pours it twelve times.
    ImageFluid();
    ImageFluid(const ImageFluid&) = delete;
    ImageFluid& operator=(const ImageFluid&) = delete;

    // Zeroes every dye and velocity field; stepCount = 0.
    void reset();

    // Loads the picture to pour: fileType jpgFileType or bmpFileType (utility.h). Shows
    // "Can't load filetype: <type> image!" or "Can't load file: <path>" and leaves no picture
    // on failure; a picture that is not 200 x 100 shows "Wrong file size (w x h) should be
    // 200 x 100" and is used all the same. (A BMP picture's rows are stored bottom first and
    // unmirrored, so one poured from BMP shows turned by 180 degrees; the demo pours a JPEG.)
    void loadPicture(const char* path, int fileType);

    // Adds the picture into the current dye fields, turned by 180 degrees: a non-zero channel
    // byte c of pixel (x, y) adds c / 255 * timeStep * 0.05 at dye cell (199 - x, 99 - y). Only
    // the pixels with x < 200 and y < 100 inside the picture pour; without a picture, nothing.
    void pourPicture();

    void startFade() { fading = true; }     // dye decays faster from the next step on
    void stopSource() { sourceOn = false; } // the jet stops

    // One simulation step: addJet, velocityStep, fadeDye, the stepCount wrap, then the three dye
    // channels (blue, red, green) moved by moveDye; stepCount += 1.
    void step();
    // The parts of step, in its order.
    void addJet();       // while sourceOn: 50 / (stepCount + 50) * timeStep * 30 000 into uPrevious
    void velocityStep(); // sources in, projection, self-advection, projection
    void fadeDye();      // dye cells i = 0 .. 196, j = 0 .. 96: x 0.975 while fading, then x 0.99
    void moveDye(DyeField& field); // source in, previous = current, advect along (u, v)

    // Draws the dye with the current projection and modelview; leaves the GL state as it found it.
    void draw();
    // The drawn brightness of a dye amount: black up to 0.001, approaching 1 as the dye grows.
    static double brightness(double dye);

    int32_t width = 100;  // velocity grid, border included
    int32_t height = 50;
    int32_t scale = 2;    // dye cells per velocity cell in each direction
    std::array<DyeField, 3> dye; // blue, red, green; scale^2 * width * height entries each
    std::vector<double> u, v, uPrevious, vPrevious; // width * height entries each
    int32_t innerWidth = 98; // velocity cells inside the border
    int32_t innerHeight = 48;
    double timeStep = 0.01;
    unsigned char* pixels = nullptr; // the picture's RGB bytes, owned by jpgPicture or bmpPicture
    int32_t pixelsWidth = 0;         // the picture's size; pixels holds 3 bytes per pixel
    int32_t pixelsHeight = 0;
    int32_t stepCount = 0;
    bool fading = false;
    bool sourceOn = true;

    fluid::Grid velocityGrid() const { return {innerWidth, innerHeight, 1}; }
    fluid::Grid dyeGrid() const { return {innerWidth, innerHeight, scale}; }

private:
    std::unique_ptr<JPGImage> jpgPicture;
    std::unique_ptr<BMPImage> bmpPicture;
};
