// Mathlandscape: the height formula, the mesh built from it once, and the per-frame ball step.
#include "effects/mathlandscape.h"

#include "app/log.h"
#include "assets/utility.h"
#include "geometry/ball.h"
#include "geometry/mesh.h"
#include "geometry/nobject.h"
#include "geometry/random.h"
#include "geometry/repeatable_math.h"
#include "world/gl_scope.h"
#include "world/world.h"

#include "platform/gl.h"

#include <cmath>

namespace {

constexpr int cellDepthCount = Mathlandscape::depthCount - 1;   // 149 cells along z
constexpr int cellAcrossCount = Mathlandscape::acrossCount - 1; // 99 cells along x
constexpr int centreColumn = 50;     // s of the vertex at x = 0
constexpr float nearEdgeZ = -10.0f;  // z of row r = 0
constexpr double textureStepAcross = 0.01;       // u per s: the texture ends at 0.99
constexpr double textureStepDepth = 0.006666667; // v per r: the texture ends at 0.9933
constexpr double slopeProbeFactor = 0.001;       // the slope probe is this many grid steps long

// Ball placement: two rows of five, then balls of their own size and mass at random spots.
constexpr int firstRowBalls = 5;
constexpr int secondRowEnd = 10;
constexpr double randomBallMass = 3.0;
constexpr double randomBallRadius = 0.15;

// Fog over the far terrain: black, linear from 10 to 15 units (the density only counts in the
// exponential modes).
constexpr GLfloat fogColour[4] = {0, 0, 0, 0.1f};
constexpr GLfloat fogDensity = 0.35f;
constexpr GLfloat fogStart = 10;
constexpr GLfloat fogEnd = 15;

const char* const textureFile = "./data/tex1.jpg";

bool insideCellGrid(int r, int s) { return r >= 0 && r < cellDepthCount && s >= 0 && s < cellAcrossCount; }

// The unit vector along v, or zero where there is no direction to give (a vertex that no cell
// touches), so no non-number reaches the mesh.
Vec3 unitOrZero(const Vec3& v) { return v.length() > 0 ? v.normalized() : Vec3(); }

} // namespace

Mathlandscape::Mathlandscape()
{
    clearArrays();
    if (logger)
        logger->printObject("Mathlandscape Object");
    step = 0.08f;
    ballCount = 13;
    placeBalls();
    freeFlight = false;
    build();
}

Mathlandscape::Mathlandscape(SurfaceOnly)
{
    clearArrays();
    computeVertices();
    computeFaceNormals();
    computeVertexNormals();
}

Mathlandscape::~Mathlandscape() = default;

void Mathlandscape::clearArrays()
{
    vertices.assign(vertexCount, Vec3());
    faceNormalsA.assign(vertexCount, Vec3());
    faceNormalsB.assign(vertexCount, Vec3());
    vertexNormals.assign(vertexCount, Vec3());
}

void Mathlandscape::placeBalls()
{
    for (int i = 0; i < ballCount; ++i) {
        auto ball = std::make_unique<Ball>();
        if (i < firstRowBalls) {
            ball->setPosition(Vec3(0.99, 1.0, i - 7));
        } else if (i < secondRowEnd) {
            ball->setPosition(Vec3(0.5, 1.0, i - 12));
        } else {
            // Three separate calls, so the sequence is consumed in this order on every compiler.
            const int a = crt::rand() % 50;
            const int b = crt::rand() % 100;
            const int c = crt::rand() % 100;
            ball->setPosition(Vec3(0.02 * c, 0.02 * b, 0.01 * a - 7));
            ball->setMass(randomBallMass);
            ball->setRadius(randomBallRadius);
        }
        ball->halfStep();
        ballList.push_back(ball.get());
        balls.push_back(std::move(ball));
    }
}

float Mathlandscape::ridge(float x) const
{
    const float d = x - ridgeCentre;
    return ridgeHeight * repeatableExp(-(d * d) / (ridgeWidth * ridgeWidth)) - 0.5f;
}

float Mathlandscape::height(float x, float z)
{
    float y = 0;
    ridgeCentre = 2.0f * repeatableSin(0.5f * z);
    ridgeWidth = 0.3f;
    ridgeHeight = 0.5f;
    y += ridge(x);
    ridgeCentre = 0.5f - 2.0f * repeatableSin(0.3f * z);
    ridgeWidth = 0.3f;
    ridgeHeight = 0.5f;
    y += ridge(x);
    // The third ridge's amplitude follows -sin z: it rises into a ridge and sinks into hollows.
    ridgeCentre = 0.5f - repeatableSin(0.1f * z);
    ridgeWidth = 1.0f;
    ridgeHeight = -repeatableSin(z);
    y += ridge(x);
    return y;
}

void Mathlandscape::heightAt(float x, float z, Vec3& out) { out = Vec3(x, height(x, z), z); }

void Mathlandscape::computeVertices()
{
    for (int r = 0; r < depthCount; ++r)
        for (int s = 0; s < acrossCount; ++s) {
            const float x = step * float(s - centreColumn);
            const float z = step * float(r) + nearEdgeZ;
            heightAt(x, z, vertices[size_t(index(r, s))]);
        }
}

void Mathlandscape::computeFaceNormals()
{
    for (int r = 0; r < cellDepthCount; ++r)
        for (int s = 0; s < cellAcrossCount; ++s) {
            const Vec3& p = vertex(r, s);
            const Vec3& q = vertex(r + 1, s);
            const Vec3& k = vertex(r, s + 1);
            const Vec3& d = vertex(r + 1, s + 1);
            faceNormalsA[size_t(index(r, s))] = unitOrZero((k - p).cross(q - p));
            faceNormalsB[size_t(index(r, s))] = unitOrZero((q - d).cross(k - d));
        }
}

void Mathlandscape::computeVertexNormals()
{
    // The four cells beside the vertex's own cell: (r, s-1), (r, s+1), (r-1, s), (r+1, s).
    constexpr int neighbourCells[4][2] = {{0, -1}, {0, 1}, {-1, 0}, {1, 0}};
    for (int r = 1; r < depthCount; ++r)
        for (int s = 1; s < acrossCount; ++s) {
            Vec3 sum;
            for (const auto& offset : neighbourCells) {
                const int cellR = r + offset[0];
                const int cellS = s + offset[1];
                if (!insideCellGrid(cellR, cellS))
                    continue;
                sum += faceNormalsA[size_t(index(cellR, cellS))];
                sum += faceNormalsB[size_t(index(cellR, cellS))];
            }
            vertexNormals[size_t(index(r, s))] = unitOrZero(sum);
        }
}

std::unique_ptr<Mesh> Mathlandscape::makeMesh() const
{
    auto mesh = std::make_unique<Mesh>();
    auto texCoord = [](int r, int s) { return Vec3(s * textureStepAcross, r * textureStepDepth, 0); };
    auto addTriangle = [&](const int corners[3][2]) {
        Vec3 positions[3], normals[3], texCoords[3];
        for (int k = 0; k < 3; ++k) {
            const int r = corners[k][0], s = corners[k][1];
            positions[k] = vertex(r, s);
            normals[k] = vertexNormals[size_t(index(r, s))];
            texCoords[k] = texCoord(r, s);
        }
        mesh->addFace(positions);
        mesh->setVertexNormals(normals);
        mesh->setTexCoords(texCoords);
    };
    for (int r = 0; r < cellDepthCount; ++r)
        for (int s = 0; s < cellAcrossCount; ++s) {
            const int first[3][2] = {{r, s}, {r + 1, s}, {r, s + 1}};
            const int second[3][2] = {{r + 1, s + 1}, {r, s + 1}, {r + 1, s}};
            addTriangle(first);
            addTriangle(second);
        }
    return mesh;
}

void Mathlandscape::build()
{
    computeVertices();
    computeFaceNormals();
    computeVertexNormals();

    object = std::make_unique<NObject>();
    object->meshes.push_back(makeMesh());
    object->setTexture(textureFile, jpgFileType);
    object->buildDisplayLists(shadeTextured);

    glFogi(GL_FOG_MODE, GL_LINEAR);
    glFogfv(GL_FOG_COLOR, fogColour);
    glFogf(GL_FOG_DENSITY, fogDensity);
    glHint(GL_FOG_HINT, GL_DONT_CARE);
    glFogf(GL_FOG_START, fogStart);
    glFogf(GL_FOG_END, fogEnd);
    // The material the scene sets for the terrain is kept in the material fields.
}

void Mathlandscape::collideBalls()
{
    if (!ballList.empty())
        ballList.front()->collideBalls(ballList);
}

void Mathlandscape::stepBall(Ball& ball)
{
    // The slopes come from two one-sided differences a small fraction of a grid step long.
    const double probe = slopeProbeFactor * step;
    const float x = ball.position.x;
    const float z = ball.position.z;
    Vec3 ground, alongX, alongZ;
    heightAt(x, z, ground);
    heightAt(float(x + probe), z, alongX);
    heightAt(x, float(z + probe), alongZ);
    const double riseX = double(alongX.y) - ground.y;
    const double riseZ = double(alongZ.y) - ground.y;
    const Vec3 tangentX = Vec3(0.1, 0.1 * riseX / probe, 0).normalized();
    const Vec3 tangentZ = Vec3(0, 0.1 * riseZ / probe, 0.1).normalized();
    // The two tangents are not at right angles where the ground slopes both ways, so their
    // cross product is shorter than one; the contact needs the unit normal to take away the
    // whole of the velocity into the ground.
    const Vec3 normal = tangentZ.cross(tangentX).normalized();
    if (ball.isBelow(ground))
        ball.collidePlane(ground, normal, tangentX, tangentZ);
    if (!freeFlight)
        ball.integrate();
}

void Mathlandscape::updateBalls()
{
    AttribScope attributes;
    glEnable(GL_DEPTH_TEST);
    collideBalls();
    for (Ball* ball : ballList) {
        stepBall(*ball);
        ball->draw();
    }
    for (Ball* ball : ballList)
        ball->drawShadow();
    if (world)
        world->drawShadowPass();
}
