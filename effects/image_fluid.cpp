// ImageFluid: the picture, the step's order and the drawing; the solver is in fluid_solver.cpp.
#include "effects/image_fluid.h"

#include "app/log.h"
#include "assets/utility.h"
#include "platform/os.h"
#include "world/gl_scope.h"

#include "platform/gl.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>

namespace {

constexpr const char* picturePath = "./data/200x100.jpg";
constexpr GLbitfield allAttributeBits = 0xFFFFF;
constexpr int rgbBytes = 3;

// Each pour adds this much dye per unit of channel byte / 255: twelve pours of a full byte
// come to 0.006, which draws at about 0.83.
constexpr double pourStrength = 0.05;

// The jet: a 3 x 3 block of velocity cells at the left edge, halfway up, fed with
// jetStrength * timeStep * 50 / (stepCount + 50) per step, so it halves after 50 steps.
constexpr int jetLeft = 5, jetBottom = 24, jetSize = 3;
constexpr double jetStrength = 30000.0;
constexpr double jetHalvingSteps = 50.0;

constexpr double fadingDecay = 0.975; // per step once the fade has started
constexpr double constantDecay = 0.99; // per step, always; the dye's source step makes up for it
// fadeDye covers cells 0 .. 196 across and 0 .. 96 down: the interior with the left and bottom
// ring. The right and top ring are set from the interior after advection anyway.
constexpr int fadedColumns = 197, fadedRows = 97;

// The drawn quads: cells 2 .. 197 across and 2 .. 97 down, over a square two units wide
// (x and y from -1 to 1 for the whole 200 x 100 grid), pushed back to the depth that fills the
// main band.
constexpr int firstDrawnCell = 2;
constexpr int drawnColumns = 196, drawnRows = 96;
constexpr double drawDepth = -2.25;
constexpr double blackBelowDye = 0.001;  // brightness = 1 - 0.001 / dye
constexpr double smallestDye = 0.000005; // below this (in size) a cell is black

// Shown through the log's box; before the log exists, directly, so it is never lost.
void showMessage(const char* format, ...) __attribute__((format(printf, 1, 2)));
void showMessage(const char* format, ...)
{
    char text[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (logger)
        logger->messageBox("%s", text);
    else
        os::messageBox(text, "", os::MB_OK | os::MB_ICONINFORMATION);
}

} // namespace

ImageFluid::ImageFluid()
{
    const std::size_t dyeCells = std::size_t(scale * scale * width * height);
    for (DyeField& field : dye) {
        field.current.resize(dyeCells);
        field.previous.resize(dyeCells);
    }
    const std::size_t velocityCells = std::size_t(width * height);
    for (std::vector<double>* field : {&u, &v, &uPrevious, &vPrevious})
        field->resize(velocityCells);
    reset();
    loadPicture(picturePath, jpgFileType);
    for (int pour = 0; pour < pourCount; ++pour)
        pourPicture();
}

void ImageFluid::reset()
{
    for (DyeField& field : dye) {
        std::fill(field.current.begin(), field.current.end(), 0.0);
        std::fill(field.previous.begin(), field.previous.end(), 0.0);
    }
    for (std::vector<double>* field : {&u, &v, &uPrevious, &vPrevious})
        std::fill(field->begin(), field->end(), 0.0);
    stepCount = 0;
}

void ImageFluid::loadPicture(const char* path, int fileType)
{
    jpgPicture.reset();
    bmpPicture.reset();
    pixels = nullptr;
    pixelsWidth = pixelsHeight = 0;
    if (fileType == jpgFileType) {
        auto picture = std::make_unique<JPGImage>();
        if (picture->load(path))
            jpgPicture = std::move(picture);
    } else if (fileType == bmpFileType) {
        auto picture = std::make_unique<BMPImage>();
        if (picture->load(path))
            bmpPicture = std::move(picture);
    } else {
        showMessage("Can't load filetype: %d image!", fileType);
        return;
    }
    if (jpgPicture) {
        pixels = jpgPicture->data;
        pixelsWidth = jpgPicture->width;
        pixelsHeight = jpgPicture->height;
    } else if (bmpPicture) {
        pixels = bmpPicture->data;
        pixelsWidth = bmpPicture->width;
        pixelsHeight = bmpPicture->height;
    } else {
        showMessage("Can't load file: %s", path);
        return;
    }
    if (pixelsWidth != pictureWidth || pixelsHeight != pictureHeight)
        showMessage("Wrong file size (%d x %d) should be %d x %d", pixelsWidth, pixelsHeight,
                    pictureWidth, pictureHeight);
}

void ImageFluid::pourPicture()
{
    if (!pixels)
        return;
    // A picture of another size pours the part of it that overlaps the grid, read by its own
    // row length, so every read stays inside it.
    const int columns = std::min(pixelsWidth, int32_t(pictureWidth));
    const int rows = std::min(pixelsHeight, int32_t(pictureHeight));
    const fluid::Grid grid = dyeGrid();
    const int channelOfByte[rgbBytes] = {redChannel, greenChannel, blueChannel};
    for (int y = 0; y < rows; ++y) {
        for (int x = 0; x < columns; ++x) {
            const std::size_t pixel = std::size_t(y) * std::size_t(pixelsWidth) + std::size_t(x);
            const unsigned char* rgb = pixels + pixel * rgbBytes;
            const std::size_t cell = std::size_t(grid.index(pictureWidth - 1 - x, pictureHeight - 1 - y));
            for (int c = 0; c < rgbBytes; ++c)
                if (rgb[c] != 0)
                    dye[std::size_t(channelOfByte[c])].current[cell] += rgb[c] / 255.0 * timeStep * pourStrength;
        }
    }
}

void ImageFluid::step()
{
    addJet();
    velocityStep();
    fadeDye();
    if (stepCount > stepCountLimit)
        stepCount = 0;
    for (int channel : {blueChannel, redChannel, greenChannel})
        moveDye(dye[std::size_t(channel)]);
    ++stepCount;
}

void ImageFluid::addJet()
{
    if (!sourceOn)
        return;
    const double amount = jetHalvingSteps / (stepCount + jetHalvingSteps) * timeStep * jetStrength;
    const fluid::Grid grid = velocityGrid();
    for (int a = 0; a < jetSize; ++a)
        for (int b = 0; b < jetSize; ++b)
            uPrevious[std::size_t(grid.index(jetLeft + a, jetBottom + b))] += amount;
}

void ImageFluid::velocityStep()
{
    const fluid::Grid grid = velocityGrid();
    fluid::addSource(u, uPrevious, timeStep);
    fluid::addSource(v, vPrevious, timeStep);
    // There is no viscous diffusion: the previous fields simply take the velocity over.
    uPrevious = u;
    vPrevious = v;
    fluid::setBoundary(grid, fluid::horizontalVelocityBoundary, uPrevious);
    fluid::setBoundary(grid, fluid::verticalVelocityBoundary, vPrevious);
    fluid::project(grid, uPrevious, vPrevious, u, v);
    fluid::advect(grid, fluid::horizontalVelocityBoundary, u, uPrevious, uPrevious, vPrevious, timeStep);
    fluid::advect(grid, fluid::verticalVelocityBoundary, v, vPrevious, uPrevious, vPrevious, timeStep);
    fluid::project(grid, u, v, uPrevious, vPrevious);
}

void ImageFluid::fadeDye()
{
    const fluid::Grid grid = dyeGrid();
    for (DyeField& field : dye) {
        for (int i = 0; i < fadedColumns; ++i) {
            for (int j = 0; j < fadedRows; ++j) {
                double& cell = field.current[std::size_t(grid.index(i, j))];
                if (fading)
                    cell *= fadingDecay;
                cell *= constantDecay;
            }
        }
    }
}

void ImageFluid::moveDye(DyeField& field)
{
    const fluid::Grid grid = dyeGrid();
    fluid::addSource(field.current, field.previous, timeStep);
    field.previous = field.current;
    fluid::setBoundary(grid, fluid::scalarBoundary, field.previous);
    fluid::advect(grid, fluid::scalarBoundary, field.current, field.previous, u, v, timeStep);
}

double ImageFluid::brightness(double dye)
{
    const double k = std::fabs(dye) >= smallestDye ? blackBelowDye / dye : 1.0;
    return 1.0 - k;
}

// All the quads go in one GL_QUADS primitive: the same quads, colours and pixels as one
// primitive per cell, at a fraction of the submission cost.
void ImageFluid::draw()
{
    AttribScope attributes(allAttributeBits);
    MatrixScope matrix;
    glTranslated(0, 0, drawDepth);
    glDisable(GL_CULL_FACE);
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    const fluid::Grid grid = dyeGrid();
    const double* blue = dye[blueChannel].current.data();
    const double* red = dye[redChannel].current.data();
    const double* green = dye[greenChannel].current.data();
    const double cellSizeX = 2.0 / pictureWidth;
    const double cellSizeY = 2.0 / pictureHeight;
    glBegin(GL_QUADS);
    for (int i = firstDrawnCell; i < firstDrawnCell + drawnColumns; ++i) {
        const double left = cellSizeX * i - 1;
        const double right = cellSizeX * (i + 1) - 1;
        for (int j = firstDrawnCell; j < firstDrawnCell + drawnRows; ++j) {
            const int k = grid.index(i, j);
            const double bottom = cellSizeY * j - 1;
            const double top = cellSizeY * (j + 1) - 1;
            glColor3d(brightness(red[k]), brightness(green[k]), brightness(blue[k]));
            glVertex3d(left, bottom, 0);
            glVertex3d(right, bottom, 0);
            glVertex3d(right, top, 0);
            glVertex3d(left, top, 0);
        }
    }
    glEnd();
}
