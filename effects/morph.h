// Morph: blends one scene object into another, triangle by triangle.
//
// initMoprh takes the flat triangle lists of a start and an end object (every face of every
// mesh, in order) and draw(t) sends, for each index i up to the longer list's length, start
// triangle i mod nS blended with end triangle i mod nE: corner positions and normals are mixed
// linearly (t = 0 the start shape, t = 1 the end shape) and drawn sphere-mapped with the
// environment texture. The shorter list wraps around, so objects of different face counts morph;
// similar counts morph best.
//
// The lists hold pointers into the objects' meshes, which the director owns and keeps alive as
// long as the morph; nothing is allocated per frame. draw pushes no matrix and no attributes:
// the caller brackets it, and GL_TEXTURE_2D stays enabled afterwards when environment-mapped.
//
// Window thread only.
#pragma once

#include "geometry/mesh.h"
#include "geometry/nobject.h"
#include "geometry/vec3.h"

#include "platform/gl.h"

#include <vector>

// One corner of a blended triangle, as draw sends it.
struct MorphCorner {
    Vec3 normal;
    Vec3 position;
};

class Morph {
public:
    // Logs "Morph Object.".
    Morph();

    // The objects the morph runs between; a null object counts as not set.
    void setStartObject(NObject* object);
    void setEndObject(NObject* object);

    // Appends every face of the start object to startTriangles and of the end object to
    // endTriangles (the lists are not cleared first: a second call lists every face twice).
    // Refuses with a message box while either object is missing.
    void initMoprh();

    // Loads a JPEG sphere map; the morph draws environment-mapped from then on, whether or not
    // the picture could be read (texture name 0 then).
    void loadEnvMap(const char* path);

    // Draws the blend at t with the current modelview matrix: GL_TRIANGLES, or one
    // GL_LINE_STRIP while altListCompile is set, in the world's inverted-colour combine while
    // negativeMode is set. Before initMoprh it shows "Run initMoprh() first." and draws nothing;
    // when either object has no triangles it draws nothing and changes no state.
    void draw(float t);

    // Triangles draw sends: the longer list's length, or 0 when either list is empty.
    int triangleCount() const;
    // Triangle i (0 <= i < triangleCount()) blended at t, with the environment map's normal
    // clamp applied. t = 0 and t = 1 give the start and end corners exactly.
    void blendTriangle(int i, float t, MorphCorner corners[3]) const;

    GLuint envTexture = 0;
    bool envMapped = false;
    NObject* startObject = nullptr; // owned by the director
    NObject* endObject = nullptr;
    std::vector<const Face*> startTriangles; // owned by the start object's meshes
    std::vector<const Face*> endTriangles;
    bool initialised = false;
    bool hasStart = false;
    bool hasEnd = false;
};
