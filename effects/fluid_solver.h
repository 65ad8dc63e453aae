// The stable-fluids building blocks the image fluid runs on: add a source, set a field's
// mirrored boundary, advect a field through a velocity by back-tracing with bilinear
// interpolation, and project a velocity field towards zero divergence by Gauss-Seidel relaxation.
//
// Grids are rectangular and row-major. A grid of s cells per velocity cell over an inner
// velocity grid of N x M cells has rows of (N + 2) * s entries; its interior is i = 1 .. s*N,
// j = 1 .. s*M and the ring around that is its boundary. For s = 2 the rows are two entries
// longer than interior plus ring, and there are two spare rows below: those entries are
// storage only, never read or written by the operations here.
//
// Plain functions over doubles, no GL: the whole simulation can be checked without a context.
#pragma once

#include <cstddef>
#include <span>

namespace fluid {

// How setBoundary treats a field at the walls.
constexpr int scalarBoundary = 0;             // copied outwards on every side
constexpr int horizontalVelocityBoundary = 1; // negated at the left and right walls
constexpr int verticalVelocityBoundary = 2;   // negated at the top and bottom walls

// Relaxation sweeps per projection: enough to take the jet's divergence down, cheap enough for
// a frame; the solver never iterates to convergence.
constexpr int projectionSweeps = 20;

struct Grid {
    int innerWidth;  // N: velocity cells inside the border, across
    int innerHeight; // M: velocity cells inside the border, down
    int scale;       // s: cells of this grid per velocity cell in each direction

    int cellsAcross() const { return scale * innerWidth; } // interior width W
    int cellsDown() const { return scale * innerHeight; }  // interior height H
    int rowLength() const { return (innerWidth + 2) * scale; }
    std::size_t size() const { return std::size_t(rowLength()) * std::size_t((innerHeight + 2) * scale); }
    int index(int i, int j) const { return i + j * rowLength(); }
};

// x[k] += timeStep * x0[k] for every entry of x (x0 at least as long).
void addSource(std::span<double> x, std::span<const double> x0, double timeStep);

// Sets the ring around the interior from the cells next to it (negated across the walls the
// type says), then each corner to the mean of its two ring neighbours.
void setBoundary(const Grid& grid, int type, std::span<double> x);

// d = d0 carried along (u, v) for one time step. d and d0 live on `grid`; u and v on the
// velocity grid (the same N and M, scale 1), read at the velocity cell (i div s, j div s).
// Back-traced points are clamped half a cell outside the interior, so reads stay in the ring.
// Ends with setBoundary(grid, type, d).
void advect(const Grid& grid, int type, std::span<double> d, std::span<const double> d0,
            std::span<const double> u, std::span<const double> v, double timeStep);

// Removes most of the divergence of (u, v) on a velocity grid (scale 1): solves for a pressure
// in p with projectionSweeps Gauss-Seidel sweeps and subtracts its gradient. p and div are
// scratch and hold the pressure and the divergence afterwards.
void project(const Grid& grid, std::span<double> u, std::span<double> v, std::span<double> p,
             std::span<double> div);

} // namespace fluid
