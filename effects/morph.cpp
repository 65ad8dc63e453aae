// Morph: the triangle lists, the blend and its immediate-mode drawing.
#include "effects/morph.h"

#include "app/log.h"
#include "assets/utility.h"
#include "world/world.h"

#include <algorithm>
#include <cmath>

namespace {

// Normals facing further away than this are lifted to it while environment-mapped, so the
// sphere map's coordinates stay on the front of the picture instead of its rim.
constexpr float minimumEnvNormalZ = 0.2f;

void showMessage(const char* text)
{
    if (logger)
        logger->messageBox("%s", text);
}

// s + t (e - s), component by component; std::lerp keeps the ends exact, so t = 0 and t = 1
// reproduce the two shapes bit for bit.
Vec3 blend(const Vec3& s, const Vec3& e, float t)
{
    Vec3 result;
    result.x = std::lerp(s.x, e.x, t);
    result.y = std::lerp(s.y, e.y, t);
    result.z = std::lerp(s.z, e.z, t);
    return result;
}

void appendFaces(const NObject& object, std::vector<const Face*>& triangles)
{
    for (const auto& mesh : object.meshes)
        for (const auto& face : mesh->faces())
            triangles.push_back(face.get());
}

} // namespace

Morph::Morph()
{
    if (logger)
        logger->printObject("Morph Object.");
}

void Morph::setStartObject(NObject* object)
{
    startObject = object;
    hasStart = object != nullptr;
}

void Morph::setEndObject(NObject* object)
{
    endObject = object;
    hasEnd = object != nullptr;
}

void Morph::initMoprh()
{
    if (!hasStart) {
        showMessage("Set start morph object first.");
        return;
    }
    if (!hasEnd) {
        showMessage("Set end morph object first.");
        return;
    }
    appendFaces(*startObject, startTriangles);
    appendFaces(*endObject, endTriangles);
    initialised = true;
    if (logger && triangleCount() == 0)
        logger->print("Morph: %s object has no triangles; nothing will be drawn.",
                      startTriangles.empty() ? "the start" : "the end");
}

void Morph::loadEnvMap(const char* path)
{
    // A picture that cannot be read is reported by the loader; the morph then binds name 0.
    Utility().loadJPGEnvTexture(path, &envTexture);
    envMapped = true;
}

int Morph::triangleCount() const
{
    if (startTriangles.empty() || endTriangles.empty())
        return 0;
    return int(std::max(startTriangles.size(), endTriangles.size()));
}

void Morph::blendTriangle(int i, float t, MorphCorner corners[3]) const
{
    const Face& s = *startTriangles[size_t(i) % startTriangles.size()];
    const Face& e = *endTriangles[size_t(i) % endTriangles.size()];
    for (int c = 0; c < 3; ++c) {
        corners[c].position = blend(s.vertices[c], e.vertices[c], t);
        corners[c].normal = blend(s.vertexNormals[c], e.vertexNormals[c], t); // not renormalised
        if (envMapped && corners[c].normal.z < minimumEnvNormalZ)
            corners[c].normal.z = minimumEnvNormalZ;
    }
}

void Morph::draw(float t)
{
    if (!initialised) {
        showMessage("Run initMoprh() first.");
        return;
    }
    const int count = triangleCount();
    if (count == 0)
        return; // one object has no triangles (its model did not load): nothing to pair

    if (envMapped) {
        glEnable(GL_TEXTURE_2D);
        glEnable(GL_TEXTURE_GEN_S);
        glEnable(GL_TEXTURE_GEN_T);
        // The sphere-map generation mode was set when the environment texture was made.
        glBindTexture(GL_TEXTURE_2D, envTexture);
    }
    const bool inverted = negativeMode && world;
    if (inverted)
        world->setInvertedCombine();

    glBegin(altListCompile ? GL_LINE_STRIP : GL_TRIANGLES);
    // Every corner carries texture coordinate (0, 0) (the sphere map replaces it). The current
    // coordinate persists across vertices, so it is set once rather than before each corner.
    glTexCoord2f(0, 0);
    MorphCorner corners[3];
    for (int i = 0; i < count; ++i) {
        blendTriangle(i, t, corners);
        for (const MorphCorner& corner : corners) {
            glNormal3fv(&corner.normal.x);
            glVertex3fv(&corner.position.x);
        }
    }
    glEnd();

    if (envMapped) {
        glDisable(GL_TEXTURE_GEN_S);
        glDisable(GL_TEXTURE_GEN_T);
    }
    if (inverted)
        world->setNormalCombine();
}
