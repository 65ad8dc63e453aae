// Test and benchmark geometry built in code: triangles wound counter-clockwise seen from
// outside, with unit face normals, vertex normals equal to the face normal and texture
// coordinates across each quad. Corners that meet are computed once, so they are bit-identical,
// as the neighbour search needs.
#pragma once

#include "geometry/mesh.h"
#include "geometry/vec3.h"

#include <cmath>
#include <numbers>
#include <vector>

namespace shapes {

inline void addTriangle(Mesh& mesh, const Vec3& a, const Vec3& b, const Vec3& c, const Vec3& ta = {},
                        const Vec3& tb = {}, const Vec3& tc = {})
{
    const Vec3 corners[3] = {a, b, c};
    const Vec3 normal = (b - a).cross(c - a).normalized();
    const Vec3 normals[3] = {normal, normal, normal};
    const Vec3 texCoords[3] = {ta, tb, tc};
    mesh.addFace(corners);
    mesh.setFaceNormal(normal);
    mesh.setVertexNormals(normals);
    mesh.setTexCoords(texCoords);
}

// Two triangles a-b-c and a-c-d, texture (0,0) at a to (1,1) at c.
inline void addQuad(Mesh& mesh, const Vec3& a, const Vec3& b, const Vec3& c, const Vec3& d)
{
    addTriangle(mesh, a, b, c, Vec3(0, 0, 0), Vec3(1, 0, 0), Vec3(1, 1, 0));
    addTriangle(mesh, a, c, d, Vec3(0, 0, 0), Vec3(1, 1, 0), Vec3(0, 1, 0));
}

// An axis-aligned cube of twelve triangles around the origin.
inline void addCube(Mesh& mesh, float half)
{
    const float h = half;
    const Vec3 p[8] = {{-h, -h, -h}, {h, -h, -h}, {h, h, -h}, {-h, h, -h},
                       {-h, -h, h},  {h, -h, h},  {h, h, h},  {-h, h, h}};
    addQuad(mesh, p[4], p[5], p[6], p[7]); // +z
    addQuad(mesh, p[1], p[0], p[3], p[2]); // -z
    addQuad(mesh, p[5], p[1], p[2], p[6]); // +x
    addQuad(mesh, p[0], p[4], p[7], p[3]); // -x
    addQuad(mesh, p[7], p[6], p[2], p[3]); // +y
    addQuad(mesh, p[0], p[1], p[5], p[4]); // -y
}

// A flat square in the z = 0 plane facing +z: an open surface with four border edges.
inline void addFlatSquare(Mesh& mesh, float half)
{
    const float h = half;
    addQuad(mesh, Vec3(-h, -h, 0), Vec3(h, -h, 0), Vec3(h, h, 0), Vec3(-h, h, 0));
}

// A closed torus about the z axis: rings x segments quads, two triangles each.
inline void addTorus(Mesh& mesh, int rings, int segments, double majorRadius, double minorRadius)
{
    std::vector<Vec3> grid(size_t(rings) * segments);
    for (int i = 0; i < rings; ++i)
        for (int j = 0; j < segments; ++j) {
            const double u = 2 * std::numbers::pi * i / rings, v = 2 * std::numbers::pi * j / segments;
            const double r = majorRadius + minorRadius * std::cos(v);
            grid[size_t(i) * segments + j] = Vec3(r * std::cos(u), r * std::sin(u), minorRadius * std::sin(v));
        }
    auto at = [&](int i, int j) { return grid[size_t(i % rings) * segments + (j % segments)]; };
    for (int i = 0; i < rings; ++i)
        for (int j = 0; j < segments; ++j)
            addQuad(mesh, at(i, j), at(i + 1, j), at(i + 1, j + 1), at(i, j + 1));
}

} // namespace shapes
