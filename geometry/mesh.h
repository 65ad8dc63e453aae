// Mesh and Face: one triangle list of a scene object and the ten ways it can be drawn.
//
// A mesh is filled face by face (by the 3DS loader, or by an effect that makes its own
// geometry), receives its textures from the scene object's feature set-ups (NObject) and is then
// drawn every frame in the shade type the caller asks for. Everything is immediate mode or a
// display list compiled from it. render() changes much OpenGL state and restores none of it: the
// caller brackets it (NObject::draw pushes all attributes and the modelview matrix).
//
// The light-dependent types (shadow volume, light map, radial fins, bump map) read each face's
// `light`, one light position in object space shared by all faces of an object; the shadow and
// fin types also read the faces' neighbours and `lit` flags. Only NObject's set-ups provide them,
// and NObject refuses those types until then.
//
// Each face keeps its own copies of its vectors: faces never share vertex records, so scaling a
// mesh moves every vertex exactly once.
#pragma once

#include "geometry/vec3.h"

#include "platform/gl.h"

#include <memory>
#include <vector>

// Shade types: how Mesh::render and NObject::draw show a mesh. 3 and 5 are no shade type.
constexpr int shadeFlat = 1;            // lit, one normal per face
constexpr int shadeSmooth = 2;          // lit, one normal per vertex
constexpr int shadeTextured = 4;        // plain texture, vertex normals; lighting as the caller set it
constexpr int shadeShadowVolume = 6;    // the shadow volume's sides into the stencil buffer only
constexpr int shadeEnvironmentMap = 7;  // sphere-mapped environment texture, unlit
constexpr int shadeBumpMap = 8;         // DOT3 bump map with a per-vertex light vector
constexpr int shadeLightMap = 9;        // multiplies the frame by a light spot around the light
constexpr int shadeDisplayList = 10;    // the display list built by buildDisplayLists
constexpr int shadeRadial = 11;         // additive textured fins along the lit silhouette
constexpr int shadeRadialLight = 12;    // silhouette fins with the light spot on them

// Length of the radial fins in object units. 0.1 at start; the initial scene state sets 25.
// Read by the radial shade types every frame.
extern float radialFinLength;

struct Face {
    Face();

    // lit = the light lies strictly in front of the face's plane, judged at V0; a light in the
    // plane leaves the face unlit. Without a light the face is unlit.
    void updateFacing();

    // Edge k runs from vertices[k] to vertices[(k + 1) % 3]. It is a silhouette edge when this
    // face is lit and the face across it exists and is not lit; an open border never is.
    bool isSilhouetteEdge(int k) const { return lit && neighbours[k] && !neighbours[k]->lit; }

    void setNeighbours(Face* n0, Face* n1, Face* n2)
    {
        neighbours[0] = n0;
        neighbours[1] = n1;
        neighbours[2] = n2;
    }

    Vec3 faceNormal;                       // flat shading and the facing test
    float lightRadius = 50.0f;             // object units: the light spot spans twice this
    Face* neighbours[3] = {};              // across edges V0-V1, V1-V2, V2-V0; null: none (yet)
    const Vec3* light = nullptr;           // the owning object's light in object space, shared
    float tangentMatrix[16];               // bump-map basis, diag(1, -1, 1, 1), column-major
    Vec3 vertices[3];                      // object space
    bool lit = false;                      // faces the light, as of the last updateFacing
    Vec3 vertexNormals[3];
    Vec3 texCoords[3];                     // only x (s) and y (t) are used
};

class Mesh {
public:
    Mesh();

    // Appends a face with copies of the three corners; the setters below then fill it.
    void addFace(const Vec3 v[3]);
    void setFaceNormal(const Vec3& n);
    void setVertexNormals(const Vec3 n[3]);
    void setTexCoords(const Vec3 t[3]);

    void scale(float s);
    void setLightRadius(float r);

    void setTexture(GLuint t) { texture = t; }
    void setEnvironmentTexture(GLuint t) { environmentTexture = t; }
    void setRadialTexture(GLuint t) { radialTexture = t; }
    void setLightTextures(GLuint a, GLuint b)
    {
        lightTextureA = a;
        lightTextureB = b;
    }
    void setBumpTexture(GLuint t) { bumpTexture = t; }

    const std::vector<std::unique_ptr<Face>>& faces() const { return faceList; }
    int faceCount() const { return int(faceList.size()); }

    // Draws every face in the given shade type; an unknown type shows "No such shade type: %d"
    // and draws nothing. Leaves the state it changed as it is, except the matrix mode, which is
    // GL_MODELVIEW afterwards.
    void render(int type);

    // Compiles displayList (as type draws) and alternateDisplayList (the same as inverted-colour
    // line strips, for the stencil window). Lists built earlier are left as they are.
    void buildDisplayLists(int type);
    // The alternate list inside the stencil window, the normal one elsewhere.
    void callDisplayList();

    GLuint texture = 0;              // shade type 4, and the base texture of type 8
    GLuint radialTexture = 0;        // types 11 and 12
    GLuint environmentTexture = 0;   // type 7
    GLuint lightTextureA = 0;        // types 9 and 12: spot in x and y
    GLuint lightTextureB = 0;        // types 9 and 12: fall-off along z
    GLuint bumpTexture = 0;          // normal map of type 8; nothing in the program sets one
    GLuint displayList = 0;
    GLuint alternateDisplayList = 0;

private:
    void renderFlat(GLenum primitive);
    void renderSmooth(GLenum primitive);
    void renderEnvironment(GLenum primitive);
    void renderLightMap();
    void renderRadialLight();
    void renderTextured(GLenum primitive);
    void renderShadowVolume();
    void renderRadial();
    void renderBumpMap();
    void drawShadowSides();

    std::vector<std::unique_ptr<Face>> faceList; // in the order added: the drawing order
};
