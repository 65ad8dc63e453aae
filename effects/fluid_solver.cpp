// The stable-fluids operations; see fluid_solver.h.
#include "effects/fluid_solver.h"

#include <algorithm>

namespace fluid {

void addSource(std::span<double> x, std::span<const double> x0, double timeStep)
{
    const std::size_t count = std::min(x.size(), x0.size());
    for (std::size_t k = 0; k < count; ++k)
        x[k] += timeStep * x0[k];
}

void setBoundary(const Grid& grid, int type, std::span<double> x)
{
    const int w = grid.cellsAcross();
    const int h = grid.cellsDown();
    double* f = x.data();
    auto at = [&](int i, int j) -> double& { return f[grid.index(i, j)]; };
    const double topBottomSign = type == verticalVelocityBoundary ? -1.0 : 1.0;
    const double sideSign = type == horizontalVelocityBoundary ? -1.0 : 1.0;
    for (int i = 1; i <= w; ++i) {
        at(i, 0) = topBottomSign * at(i, 1);
        at(i, h + 1) = topBottomSign * at(i, h);
    }
    for (int j = 1; j <= h; ++j) {
        at(0, j) = sideSign * at(1, j);
        at(w + 1, j) = sideSign * at(w, j);
    }
    at(0, 0) = 0.5 * (at(1, 0) + at(0, 1));
    at(0, h + 1) = 0.5 * (at(1, h + 1) + at(0, h));
    at(w + 1, 0) = 0.5 * (at(w, 0) + at(w + 1, 1));
    at(w + 1, h + 1) = 0.5 * (at(w, h + 1) + at(w + 1, h));
}

void advect(const Grid& grid, int type, std::span<double> d, std::span<const double> d0,
            std::span<const double> u, std::span<const double> v, double timeStep)
{
    const int s = grid.scale;
    const int w = grid.cellsAcross();
    const int h = grid.cellsDown();
    const Grid velocityGrid{grid.innerWidth, grid.innerHeight, 1};
    // Single precision, as the solver was tuned with it.
    const float dt0 = float(grid.innerWidth * timeStep * s);
    const double maxX = w + 0.5;
    const double maxY = h + 0.5;
    const double* source = d0.data();
    for (int i = 1; i <= w; ++i) {
        for (int j = 1; j <= h; ++j) {
            const int velocity = velocityGrid.index(i / s, j / s);
            const double x = std::clamp(i - dt0 * u[std::size_t(velocity)], 0.5, maxX);
            const double y = std::clamp(j - dt0 * v[std::size_t(velocity)], 0.5, maxY);
            const int i0 = int(x);
            const int j0 = int(y);
            const double fx = x - i0;
            const double fy = y - j0;
            const double* cell = source + grid.index(i0, j0);
            const double* below = cell + grid.rowLength();
            d[std::size_t(grid.index(i, j))] = (1 - fx) * ((1 - fy) * cell[0] + fy * below[0])
                                             + fx * ((1 - fy) * cell[1] + fy * below[1]);
        }
    }
    setBoundary(grid, type, d);
}

void project(const Grid& grid, std::span<double> u, std::span<double> v, std::span<double> p,
             std::span<double> div)
{
    const int w = grid.cellsAcross();
    const int h = grid.cellsDown();
    const int row = grid.rowLength();
    // Single precision, as the solver was tuned with it. The spacing follows the grid's height.
    const float spacing = 1.0f / float(grid.innerHeight);
    double* pu = u.data();
    double* pv = v.data();
    double* pp = p.data();
    double* pd = div.data();
    for (int i = 1; i <= w; ++i) {
        for (int j = 1; j <= h; ++j) {
            const int k = grid.index(i, j);
            pd[k] = -0.5 * spacing * (pu[k + 1] - pu[k - 1] + pv[k + row] - pv[k - row]);
            pp[k] = 0;
        }
    }
    setBoundary(grid, scalarBoundary, div);
    setBoundary(grid, scalarBoundary, p);
    for (int sweep = 0; sweep < projectionSweeps; ++sweep) {
        for (int i = 1; i <= w; ++i) {
            for (int j = 1; j <= h; ++j) {
                const int k = grid.index(i, j);
                pp[k] = (pp[k - row] + pp[k + row] + pp[k + 1] + pd[k] + pp[k - 1]) / 4;
            }
        }
        setBoundary(grid, scalarBoundary, p);
    }
    for (int i = 1; i <= w; ++i) {
        for (int j = 1; j <= h; ++j) {
            const int k = grid.index(i, j);
            pu[k] -= 0.5 * (pp[k + 1] - pp[k - 1]) / spacing;
            pv[k] -= 0.5 * (pp[k + row] - pp[k - row]) / spacing;
        }
    }
    setBoundary(grid, horizontalVelocityBoundary, u);
    setBoundary(grid, verticalVelocityBoundary, v);
}

} // namespace fluid
