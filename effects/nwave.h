// NWave: the wave surface, a square sheet of springs drawn as a lit, textured or sphere-mapped
// triangle surface.
//
// Every vertex is joined by a spring to its right and its lower neighbour. The rest length is
// negative (-0.1), so each spring always pulls its two ends together, harder the longer it is;
// the sheet's fixed border keeps the cloth stretched. computeForces only accumulates those
// forces and lets a struck vertex's extra mass decay; the scene that owns the sheet integrates
// and computes the normals each frame (integrate, computeNormals below are those steps), or
// writes the heights straight from a formula (setSheetHeights) and never simulates at all.
//
// draw sends the inner cells (the outer ring of cells is never drawn) as immediate-mode
// triangles. While `exploding` is set the sheet flies apart: each cell moves outward from the
// centre as a rigid quad by an amount that accelerates from 0.0001 each draw until it passes
// 100, and then snaps back to 0. The stored positions never change while it does.
//
// The director sets `texture` / `environmentTexture` before each draw and reads and writes the
// vertices, face normals and fade fields directly. Window thread only.
#pragma once

#include "effects/spring_grid.h"
#include "geometry/vec3.h"

#include "platform/gl.h"

#include <vector>

class NWave : public SpringGrid {
public:
    // Logs "NWave Objects, size: <columns> <rows>" and lays the vertices out flat in the z = 0
    // plane: vertex (column j, row i) at (j*s - 1, i*s - 1, 0) with s = 2 / columns.
    NWave(int columns, int rows);

    // Adds the force of every spring into both of its ends and lets each vertex's mass decay
    // by 0.995 towards 1 (vertices of the last row and column only as far ends of springs).
    void computeForces() override;

    // Draws the inner cells with the current modelview matrix. Sets the light to (1, 0, 2) and
    // the sheet's material; binds `texture`, or else sphere-maps `environmentTexture`. Lighting
    // itself is the caller's choice. Restores every attribute and the modelview matrix.
    void draw() override;

    // Pushes the plus-shaped group of five vertices around (column, row) into the sheet
    // (force z -20) and makes them heavy (mass 10). Positions closer than two to the edge do
    // nothing. Returns 1 when it struck, 0 when it did nothing.
    int strike(int column, int row);

    // The wave scene's per-frame steps for the cloth, in the order the scene runs them after
    // computeForces. integrate moves every vertex off the border ring (velocity += force /
    // (mass + 1) * timeStep, position += velocity * timeStep, velocity *= damping, force = 0).
    // computeNormals fills the two triangle normals of every cell and gives each vertex the
    // mean of the triangles around it (the six of an inner vertex; of the last row and column,
    // those that exist). Row 0 and column 0 keep their normals: they are never drawn.
    void integrate();
    void computeNormals();

    // The moving wave sheet of the landscape scenes: sets the heights of rows 2 to rows - 6 and
    // columns 2 to columns - 3 from the wave formula at step k; the others keep their
    // positions. While `fading` is set the heights shrink linearly to 0 over `fadeDuration`
    // seconds from `fadeStart` (time in seconds, the demo clock) and stay flat after.
    void setSheetHeights(int k, float time);

    // Normals of the two triangles of cell (column, row), 0 <= column < columns - 1,
    // 0 <= row < rows - 1: A has corners (c, r), (c+1, r), (c, r+1); B (c, r+1), (c+1, r),
    // (c+1, r+1).
    Vec3& faceNormalA(int column, int row) { return faceNormalsA[size_t(column + row * cellColumns())]; }
    Vec3& faceNormalB(int column, int row) { return faceNormalsB[size_t(column + row * cellColumns())]; }

    // Where vertex (column, row) lies on the flat sheet.
    Vec3 restPosition(int column, int row) const;

    int cellColumns() const { return columns > 0 ? columns - 1 : 0; }
    int cellRows() const { return rows > 0 ? rows - 1 : 0; }

    GLuint texture = 0;            // drawn with this picture when non-zero,
    GLuint environmentTexture = 0; // else sphere-mapped with this one; 0 and 0: untextured
    std::vector<Vec3> faceNormalsA; // (columns - 1) x (rows - 1), row-major
    std::vector<Vec3> faceNormalsB;
    float restLength = -0.1f;      // negative: every spring pulls at every length
    Vec3 stiffness{1, 1, 1};       // applied component by component to spring forces
    GLfloat ambient[4] = {0.4f, 0.4f, 0.4f, 1.0f};
    GLfloat diffuse[4] = {0.6f, 0.6f, 0.6f, 0.6f};
    GLfloat specular[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    GLfloat shininess = 30.0f;
    float explodeAmount = 0.0f;    // outward offset per cell of distance from the centre
    bool exploding = false;
    float fadeStart = 0.0f;        // demo seconds at which the sheet's fade-out began
    float fadeDuration = 0.0f;     // seconds; the scene sets 15 when it starts the fade
    bool fading = false;

private:
    void addSpring(SpringVertex& v, SpringVertex& w);
    // The explosion's next amount: accelerates from 0.0001, back to 0 once past 100.
    void advanceExplosion();
};
