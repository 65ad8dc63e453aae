// SpringGrid: allocation and the rest state of the vertex array.
#include "effects/spring_grid.h"

#include <algorithm>

SpringGrid::SpringGrid(int columnCount, int rowCount)
    : vertexCount(std::max(columnCount, 0) * std::max(rowCount, 0)),
      vertices(new SpringVertex[size_t(vertexCount)]),
      columns(std::max(columnCount, 0)),
      rows(std::max(rowCount, 0))
{
    reset();
}

void SpringGrid::reset()
{
    std::fill(vertices.get(), vertices.get() + vertexCount, SpringVertex{});
    damping.set(0.99, 0.99, 0.99);
    timeStep = 0.1f;
}
