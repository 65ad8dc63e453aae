// Metaballs: the environment-mapped blobs of the bottom band.
//
// Four field sources drift on Lissajous-like paths in the plane z = 0. Their summed
// inverse-square field is sampled on a fixed 30 x 30 x 30 grid and the surface where the field
// is 1.0 is extracted with marching cubes every frame and drawn as sphere-mapped triangles.
// A pulse (one per beat event) makes the formation swell outwards for a few frames and fall
// back.
//
// The camera looks down -z at balls that never leave z = 0, so only the front half-shell is
// ever seen: the field is evaluated on the seven grid planes k = 9..15 (z from 0.4 down to 0),
// normals on k = 10..14 away from the grid's sides, and the cells of k = 9..13 are polygonised.
// The rest of the grid keeps value 0 and normal (0, 0, 0) for the whole run. Normals are never
// reset: a point whose value drops to 0.7 or below keeps the normal of the last frame it was
// above it, so the surface's shading near the field's edge lags a little behind the balls.
//
// draw does the frame's whole work; its steps are public too (moveBalls, computeField,
// computeNormals, triangulateCube, polygoniseInto) so the field and the triangles can be checked
// without a rendering context. Nothing is allocated per frame.
//
// Window thread only.
#pragma once

#include "geometry/vec3.h"

#include "platform/gl.h"

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

struct GridPoint {
    Vec3 position; // fixed at construction
    Vec3 normal;   // (0, 0, 0) until the point first lies inside the normal region above 0.7
    float value = 0.0f; // the field, rewritten each frame on k = 9..15
};

// One cell of the grid: its eight corners in marching-cubes order (see marching_cubes_tables.h).
struct GridCube {
    GridPoint* corners[8] = {};
};

// A field source; z is never changed, so the balls stay in the plane z = 0.
struct Metaball {
    float strength;
    float x;
    float y;
    float z;
};

// One vertex of the extracted surface, as draw sends it: the normal, then the position.
struct MetaballVertex {
    Vec3 normal;
    Vec3 position;
};

class Metaballs {
public:
    static constexpr int gridSize = 30;           // points along each axis
    static constexpr int cubeSize = gridSize - 1; // cells along each axis
    static constexpr int pointCount = gridSize * gridSize * gridSize;
    static constexpr int cubeCount = cubeSize * cubeSize * cubeSize;
    static constexpr float isoLevel = 1.0f;
    // The grid planes each frame touches (see the header comment).
    static constexpr int firstFieldK = 9, lastFieldK = 15;
    static constexpr int firstNormalK = 10, lastNormalK = 14;
    static constexpr int firstPolygonisedK = 9, lastPolygonisedK = 13;
    static constexpr float normalThreshold = 0.7f; // normals are only refreshed above this value
    static constexpr int maxVerticesPerCube = 15;  // five triangles
    // Draw modes.
    static constexpr int wireframeMode = 0;   // white GL_LINES over the triangle vertex stream
    static constexpr int envMappedMode = 3;   // sphere-mapped GL_TRIANGLES

    // Four balls in a malloc'ed array ("Malloc balls" and exit status 0 when that fails), the
    // grid laid out, not pulsing.
    Metaballs();
    ~Metaballs() = default;
    Metaballs(const Metaballs&) = delete; // the cubes point into this object's points
    Metaballs& operator=(const Metaballs&) = delete;

    // Loads the sphere map: fileType 1000 (BMP) or 1001 (JPEG); any other code does nothing.
    // A failed load shows "Couldn't load metaball env map!" and leaves envTexture as it was.
    bool loadEnvMap(const char* path, int fileType);

    // Starts (or restarts, while decaying) the swell; no effect while already swelling.
    void pulse() { pulsing = true; }

    // The whole frame: moves the balls for `frame` (1/50 s units), samples the field, refreshes
    // the normals and draws the surface with the modelview set to a translation of (0, 0, -3).
    // Leaves the attribute stack, the matrix stacks and the matrix mode as it found them.
    void draw(int32_t frame, int mode);

    // The frame's steps, in draw's order.
    void moveBalls(int32_t frame); // positions from `frame` and the current scale, then the swell
    void computeField();
    void computeNormals();
    // The case of a cell: bit c set when corner c is below the iso level (1.0 itself is inside).
    static int caseIndex(const GridCube& cube);
    // The cell's triangles into `out` as consecutive vertex triples; returns the vertex count.
    int triangulateCube(const GridCube& cube, MetaballVertex out[maxVerticesPerCube]) const;
    // Appends the triangles of every polygonised cell, in draw's order.
    void polygoniseInto(std::vector<MetaballVertex>& out) const;

    static int pointIndex(int i, int j, int k) { return i * gridSize * gridSize + j * gridSize + k; }
    static int cubeIndex(int i, int j, int k) { return i * cubeSize * cubeSize + j * cubeSize + k; }

    int ballCount = 4;
    GLuint envTexture = 0; // 0 until loaded: drawn untextured then
    std::vector<GridPoint> points; // pointCount, index pointIndex(i, j, k)
    std::vector<GridCube> cubes;   // cubeCount, index cubeIndex(i, j, k)
    struct FreeDeleter {
        void operator()(Metaball* p) const { std::free(p); }
    };
    std::unique_ptr<Metaball[], FreeDeleter> balls; // ballCount records
    float scale = 1.0f;   // the swell factor of the ball paths, never used below 1.0
    bool pulsing = false; // true while the swell grows

private:
    void initGrid();
    // Sends the cell's triangles inside the open primitive: normal, then vertex, per corner.
    void polygoniseCube(const GridCube& cube) const;
    static void interpolateEdge(const GridPoint& a, const GridPoint& b, Vec3& outPosition,
                                Vec3& outNormal);
};
