// The two case tables of marching cubes, indexed by the case of a cell: bit c of the case is
// set when corner c lies below the iso level.
//
// Corner numbering: corners 0-3 go round the near face (0 at the cell's origin, 1 one step
// along x, 2 along x and z, 3 along z), corners 4-7 are the same four one step along y. Edges
// 0-3 join the near face's corners in turn (0-1, 1-2, 2-3, 3-0), edges 4-7 the far face's,
// edges 8-11 join corner c to corner c + 4. This is the numbering of the widely published
// polygonisation tables, so the tables read the same as everyone else's.
#pragma once

#include <cstdint>

namespace marchingCubes {

constexpr int caseCount = 256;
constexpr int cornerCount = 8;
constexpr int edgeCount = 12;
constexpr int maxRowEntries = 16; // five triangles and the -1 that ends a row

// The two corners of each edge, in the order an edge point is interpolated from and to.
constexpr int edgeCorners[edgeCount][2] = {
    {0, 1}, {1, 2}, {2, 3}, {3, 0}, {4, 5}, {5, 6}, {6, 7}, {7, 4}, {0, 4}, {1, 5}, {2, 6}, {3, 7},
};

// Bit e is set when edge e of the case crosses the level.
extern const uint16_t edgeTable[caseCount];
// Up to five triangles per case as edge-index triples, the row ended by -1.
extern const int8_t triTable[caseCount][maxRowEntries];

} // namespace marchingCubes
