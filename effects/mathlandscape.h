// Mathlandscape: a terrain computed from a closed formula, with balls that roll over it.
//
// The height field is the sum of three Gaussian ridges across x whose centres wander
// sinusoidally with z (see height()). build() samples it on a 150 x 100 grid, 0.08 apart, and
// turns it once into a smooth-shaded, textured mesh of 29,502 triangles inside an NObject,
// compiled into display lists; drawing it costs one list call. The landscape scenes draw that
// object, then call updateBalls, which steps the 13 balls over the same formula (heightAt) and
// draws them with their shadows.
//
// Grid indices: r runs along the depth axis (z, 0..149), s across it (x, 0..99); the arrays
// are indexed r + 150 s. The cell (r, s) is the quad between vertices (r, s) and (r+1, s+1),
// split into two triangles, both counter-clockwise seen from above. Their stored face normals
// are taken with the opposite turn, so on flat ground they (and the vertex normals built from
// them) point to -y: the terrain is lit mostly by the ambient term, which gives it its dim look.
//
// Construction needs a current OpenGL context (the balls and the object make textures and
// display lists). The SurfaceOnly constructor computes the height field and normals alone, for
// code that needs the geometry without a context.
//
// Window thread only.
#pragma once

#include "geometry/ball.h"
#include "geometry/vec3.h"

#include <memory>
#include <vector>

class Mesh;
class NObject;

class Mathlandscape {
public:
    static constexpr int depthCount = 150;  // vertices along z (index r)
    static constexpr int acrossCount = 100; // vertices along x (index s)
    static constexpr int vertexCount = depthCount * acrossCount;

    struct SurfaceOnly {};

    // Logs "Mathlandscape Object", places the balls (three crt::rand calls per random ball),
    // then builds the surface, its object, the fog state and the material.
    Mathlandscape();
    // The vertices and normals only: no balls, no object, no OpenGL calls, nothing logged.
    explicit Mathlandscape(SurfaceOnly);
    ~Mathlandscape();
    Mathlandscape(const Mathlandscape&) = delete;
    Mathlandscape& operator=(const Mathlandscape&) = delete;

    // Computes the height field, the normals and the mesh, creates `object` with its texture
    // "./data/tex1.jpg" and textured display lists, and sets the global fog parameters (the
    // scene switches fog on).
    void build();

    // out = (x, height(x, z), z): the surface point above or below (x, z).
    void heightAt(float x, float z, Vec3& out);
    // The ground height at (x, z); leaves the last ridge evaluated in the working fields.
    float height(float x, float z);

    // One step of the balls, drawn with the current modelview (the scene's camera): collisions
    // between them, contact with the ground, the free motion step unless freeFlight is set, the
    // balls, their shadow volumes and the world's darkening pass. Leaves the attributes as found.
    void updateBalls();
    // The motion parts of updateBalls, which draw nothing: the collisions between the balls
    // (Ball::collideBalls on the first ball), and one ball's ground contact, with the surface
    // normal and tangents from the height's slopes at its ground position, followed by its free
    // step unless freeFlight is set.
    void collideBalls();
    void stepBall(Ball& ball);

    // The pieces of build that need no OpenGL, in the order build runs them.
    void computeVertices();
    void computeFaceNormals();
    void computeVertexNormals();
    // Two faces per cell, r outer and s inner, with vertex normals and texture coordinates.
    std::unique_ptr<Mesh> makeMesh() const;

    static int index(int r, int s) { return r + depthCount * s; }
    const Vec3& vertex(int r, int s) const { return vertices[size_t(index(r, s))]; }

    std::unique_ptr<NObject> object;          // the landscape mesh, drawn in shade type 10
    std::vector<std::unique_ptr<Ball>> balls; // ballCount of them, in placement order
    float ridgeCentre = 0;                    // the Gaussian being added, overwritten by every
    float ridgeWidth = 0;                     // height evaluation
    float ridgeHeight = 0;
    float step = 0.08f;                       // grid spacing; also scales the ball's slope probe
    int ballCount = 13;
    bool freeFlight = false;                  // set: the balls take no free motion step
    std::vector<Vec3> vertices;               // vertexCount positions
    std::vector<Vec3> faceNormalsA;           // per cell: triangle (r,s) (r+1,s) (r,s+1)
    std::vector<Vec3> faceNormalsB;           // per cell: triangle (r+1,s+1) (r,s+1) (r+1,s)
    std::vector<Vec3> vertexNormals;          // zero on row s = 0 and column r = 0
    float materialAmbient[4] = {0.6f, 0.6f, 0.6f, 1.0f};
    float materialDiffuse[4] = {0.8f, 0.8f, 0.8f, 0.8f};
    float materialSpecular[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    float materialShininess = 30;

private:
    void clearArrays();
    void placeBalls();
    // The ridge in the working fields at x, lowered by 0.5.
    float ridge(float x) const;

    std::vector<Ball*> ballList; // the same balls as plain pointers, as Ball::collideBalls takes them
};
