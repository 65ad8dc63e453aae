// SpringGrid: the vertex store of a rectangular mass-spring sheet.
//
// A grid of columns x rows SpringVertex records in one row-major array (index = column +
// row * columns), with the constants every such sheet shares: the velocity damping applied
// component by component after each integration step, and the time step. The base fills the
// array at rest (every vector zero, every mass 1) and leaves the spring forces and the drawing
// to the concrete sheet, through two virtual operations in this order: computeForces, draw.
//
// Window thread only.
#pragma once

#include "geometry/vec3.h"

#include <memory>

// One mass point of the sheet: 52 bytes, five members in this order.
struct SpringVertex {
    Vec3 force;    // accumulated by computeForces and strikes, cleared by the integration
    Vec3 position;
    Vec3 velocity;
    Vec3 normal;   // written by whoever shapes the sheet; sent with the position when drawn
    float mass = 1.0f;
};
static_assert(sizeof(SpringVertex) == 52, "five packed members: four vectors and the mass");

class SpringGrid {
public:
    // Negative sizes count as 0.
    SpringGrid(int columns, int rows);
    virtual ~SpringGrid() = default;
    SpringGrid(const SpringGrid&) = delete;
    SpringGrid& operator=(const SpringGrid&) = delete;

    virtual void computeForces() = 0;
    virtual void draw() = 0;

    // Every vertex back to rest: all vectors zero, mass 1. Damping 0.99 and time step 0.1.
    void reset();

    // Vertex at (column, row); both must lie inside the grid.
    SpringVertex& vertex(int column, int row) { return vertices[column + row * columns]; }
    const SpringVertex& vertex(int column, int row) const { return vertices[column + row * columns]; }

    int vertexCount = 0; // columns x rows
    std::unique_ptr<SpringVertex[]> vertices;
    int columns = 0;
    int rows = 0;
    Vec3 damping{0.99, 0.99, 0.99}; // multiplied into every velocity after each step
    float timeStep = 0.1f;          // seconds of simulation per integration step
};
