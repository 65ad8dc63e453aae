// The metaball field, its normals and the marching-cubes extraction; see metaballs.h.
#include "effects/metaballs.h"

#include "assets/utility.h"
#include "effects/marching_cubes_tables.h"
#include "platform/os.h"
#include "world/gl_scope.h"

#include <cmath>
#include <cstdio>

namespace {

// The grid step of 1/15 as the float the grid was laid out with.
constexpr float gridStep = 0.06666667f;

// All twenty attribute groups: everything draw touches comes back on return.
constexpr GLbitfield allAttributeBits = 0xFFFFF;

constexpr double ticksToRadians = 0.06666666666666667; // one turn of the paths every ~1.9 s
constexpr double pathRadius = 0.3;
constexpr double swellGrowth = 1.3; // per frame while pulsing
constexpr double swellDecay = 0.7;  // per frame otherwise
constexpr double maxScale = 2.8;
constexpr double fieldFactor = 0.2; // a ball of strength s reaches 1.0 at distance sqrt(0.2 s)

constexpr float initialStrengths[4] = {0.2f, 0.15f, 0.2f, 0.15f};

// Corner c of cell (i, j, k) as grid offsets (di, dj, dk), in marching-cubes order.
constexpr int cornerOffsets[marchingCubes::cornerCount][3] = {
    {0, 0, 0}, {1, 0, 0}, {1, 0, 1}, {0, 0, 1}, {0, 1, 0}, {1, 1, 0}, {1, 1, 1}, {0, 1, 1},
};

// The cells draw polygonises, in index order.
template <class Visit>
void forEachPolygonisedCube(const std::vector<GridCube>& cubes, Visit visit)
{
    for (int i = 0; i < Metaballs::cubeSize; ++i)
        for (int j = 0; j < Metaballs::cubeSize; ++j)
            for (int k = Metaballs::firstPolygonisedK; k <= Metaballs::lastPolygonisedK; ++k)
                visit(cubes[Metaballs::cubeIndex(i, j, k)]);
}

} // namespace

Metaballs::Metaballs() : points(pointCount), cubes(cubeCount)
{
    ballCount = 4;
    balls.reset(static_cast<Metaball*>(std::malloc(sizeof(Metaball) * ballCount)));
    if (!balls) {
        std::perror("Malloc balls");
        std::exit(0);
    }
    initGrid();
    pulsing = false;
}

void Metaballs::initGrid()
{
    // x and y run from -1 up to 0.9333, z from +1 down to -0.9333 as k grows; computed in float
    // so the planes land where they always have (k = 15 is exactly z = 0).
    for (int i = 0; i < gridSize; ++i)
        for (int j = 0; j < gridSize; ++j)
            for (int k = 0; k < gridSize; ++k)
                points[pointIndex(i, j, k)].position
                    = Vec3(float(i) * gridStep - 1.0f, float(j) * gridStep - 1.0f, 1.0f - float(k) * gridStep);
    for (int i = 0; i < cubeSize; ++i)
        for (int j = 0; j < cubeSize; ++j)
            for (int k = 0; k < cubeSize; ++k) {
                GridCube& cube = cubes[cubeIndex(i, j, k)];
                for (int c = 0; c < marchingCubes::cornerCount; ++c)
                    cube.corners[c] = &points[pointIndex(i + cornerOffsets[c][0], j + cornerOffsets[c][1],
                                                         k + cornerOffsets[c][2])];
            }
    for (int b = 0; b < ballCount; ++b)
        balls[b] = Metaball{initialStrengths[b], 0.0f, 0.0f, 0.0f};
}

bool Metaballs::loadEnvMap(const char* path, int fileType)
{
    Utility utility;
    bool loaded;
    if (fileType == bmpFileType)
        loaded = utility.loadBMPEnvTexture(path, &envTexture);
    else if (fileType == jpgFileType)
        loaded = utility.loadJPGEnvTexture(path, &envTexture);
    else
        return false;
    if (!loaded)
        os::messageBox("Couldn't load metaball env map!", "LOAD ERROR", os::MB_OK | os::MB_ICONINFORMATION);
    return loaded;
}

void Metaballs::moveBalls(int32_t frame)
{
    if (scale < 1.0f)
        scale = 1.0f;
    const double theta = frame * ticksToRadians;
    const double r = pathRadius * scale;
    // Ball 0's y turns 1/1.17 as fast as its x, so its path never quite closes.
    balls[0].x = float(r * std::sin(theta));
    balls[0].y = float(r * std::cos(0.8547008547008548 * theta));
    balls[1].x = float(r * std::cos(theta));
    balls[1].y = float(r * std::sin(theta));
    // Ball 2's x turns a third as fast, with the third held as a float.
    balls[2].x = float(r * std::cos(theta * double(-0.33333334f)));
    balls[2].y = float(r * std::cos(-theta));
    balls[3].x = float(r * std::cos(theta));
    balls[3].y = float(r * std::cos(-theta));

    scale = float(scale * (pulsing ? swellGrowth : swellDecay));
    if (scale > maxScale) {
        scale = float(maxScale);
        pulsing = false;
    }
}

void Metaballs::computeField()
{
    for (int i = 0; i < gridSize; ++i)
        for (int j = 0; j < gridSize; ++j)
            for (int k = firstFieldK; k <= lastFieldK; ++k) {
                GridPoint& point = points[pointIndex(i, j, k)];
                float value = 0.0f;
                for (int b = 0; b < ballCount; ++b) {
                    const float dx = point.position.x - balls[b].x;
                    const float dy = point.position.y - balls[b].y;
                    const float dz = point.position.z - balls[b].z;
                    value = float(value + balls[b].strength * fieldFactor / (dx * dx + dy * dy + dz * dz));
                }
                point.value = value;
            }
}

void Metaballs::computeNormals()
{
    constexpr int stepI = gridSize * gridSize, stepJ = gridSize, stepK = 1;
    for (int i = 1; i < gridSize - 1; ++i)
        for (int j = 1; j < gridSize - 1; ++j)
            for (int k = firstNormalK; k <= lastNormalK; ++k) {
                const int at = pointIndex(i, j, k);
                GridPoint& point = points[at];
                if (!(point.value > normalThreshold))
                    continue;
                const float nx = points[at - stepI].value - points[at + stepI].value;
                const float ny = points[at - stepJ].value - points[at + stepJ].value;
                float nz = points[at - stepK].value - points[at + stepK].value;
                // Only normals leaning away from the viewer are kept in z; the sphere map is
                // tuned to that.
                if (nz > 0.0f)
                    nz = 0.0f;
                const Vec3 gradient(nx, ny, nz);
                const double length = gradient.length();
                // A flat spot (no slope left after the z clamp) has no direction: it keeps its
                // previous normal rather than becoming not-a-number.
                if (length > 0.0)
                    point.normal = gradient / length;
            }
}

int Metaballs::caseIndex(const GridCube& cube)
{
    int index = 0;
    for (int c = 0; c < marchingCubes::cornerCount; ++c)
        if (cube.corners[c]->value < isoLevel)
            index |= 1 << c;
    return index;
}

void Metaballs::interpolateEdge(const GridPoint& a, const GridPoint& b, Vec3& outPosition, Vec3& outNormal)
{
    // Only called for edges that cross the level, so the divisor is never zero. The normal is
    // not renormalised: GL_NORMALIZE, set up with the sphere map, does that.
    const float t = (isoLevel - a.value) / (b.value - a.value);
    outPosition = a.position + (b.position - a.position) * t;
    outNormal = a.normal + (b.normal - a.normal) * t;
}

int Metaballs::triangulateCube(const GridCube& cube, MetaballVertex out[maxVerticesPerCube]) const
{
    const int index = caseIndex(cube);
    const int edgeMask = marchingCubes::edgeTable[index];
    if (edgeMask == 0)
        return 0;
    Vec3 positions[marchingCubes::edgeCount];
    Vec3 normals[marchingCubes::edgeCount];
    for (int e = 0; e < marchingCubes::edgeCount; ++e)
        if (edgeMask & (1 << e))
            interpolateEdge(*cube.corners[marchingCubes::edgeCorners[e][0]],
                            *cube.corners[marchingCubes::edgeCorners[e][1]], positions[e], normals[e]);
    const int8_t* row = marchingCubes::triTable[index];
    int count = 0;
    for (int n = 0; row[n] != -1; n += 3)
        for (int corner = 0; corner < 3; ++corner) {
            const int e = row[n + corner];
            out[count++] = MetaballVertex{normals[e], positions[e]};
        }
    return count;
}

void Metaballs::polygoniseCube(const GridCube& cube) const
{
    MetaballVertex vertices[maxVerticesPerCube];
    const int count = triangulateCube(cube, vertices);
    for (int v = 0; v < count; ++v) {
        glNormal3fv(&vertices[v].normal.x);
        glVertex3fv(&vertices[v].position.x);
    }
}

void Metaballs::polygoniseInto(std::vector<MetaballVertex>& out) const
{
    forEachPolygonisedCube(cubes, [&](const GridCube& cube) {
        MetaballVertex vertices[maxVerticesPerCube];
        const int count = triangulateCube(cube, vertices);
        out.insert(out.end(), vertices, vertices + count);
    });
}

void Metaballs::draw(int32_t frame, int mode)
{
    moveBalls(frame);
    computeField();
    computeNormals();

    AttribScope attributes(allAttributeBits);
    glMatrixMode(GL_MODELVIEW); // the attribute pop puts the caller's matrix mode back
    MatrixScope matrix;
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, -3.0f);
    glDisable(GL_LIGHTING);
    glEnable(GL_DEPTH_TEST);
    if (mode == envMappedMode) {
        glEnable(GL_TEXTURE_2D);
        glEnable(GL_TEXTURE_GEN_S);
        glEnable(GL_TEXTURE_GEN_T);
        glBindTexture(GL_TEXTURE_2D, envTexture);
        glBegin(GL_TRIANGLES);
    } else if (mode == wireframeMode) {
        glColor3f(1.0f, 1.0f, 1.0f);
        glBegin(GL_LINES);
    } else {
        return; // no primitive: vertices outside glBegin/glEnd would mean nothing
    }
    forEachPolygonisedCube(cubes, [&](const GridCube& cube) { polygoniseCube(cube); });
    glEnd();
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);
}
