// NObject: the renderable model. A set of meshes loaded from one 3DS file, a position, an
// accumulated orientation and optional rendering features.
//
// Each feature is set up once during asset set-up and enables shade types (mesh.h); draw()
// refuses a type whose feature is missing with a message box naming it, and draws nothing. The
// light-dependent features (light map, shadow volume, radial fins, radial light) keep one light
// position in the object's own space (`localLight`), shared by every face and refreshed from
// the world light before each such draw; nothing is allocated per frame.
//
// The shadow set-up finds each face's neighbours across its edges by exact vertex equality, over
// all meshes of the object. It gives the all-pairs search's result (the last matching face in
// list order wins) through a hash of edge end points, so large models set up in linear time.
#pragma once

#include "assets/utility.h"
#include "geometry/mesh.h"
#include "geometry/vec3.h"

#include "platform/gl.h"

#include <map>
#include <memory>
#include <vector>

class NObject {
public:
    NObject();
    ~NObject();
    NObject(const NObject&) = delete;
    NObject& operator=(const NObject&) = delete;

    // Fills meshes and materialTextures from a 3DS file (assets/object3ds.cpp). False, with a
    // message box and nothing added, when the file cannot be read.
    bool load3DS(const char* path);

    // Draws every mesh in one shade type at the object's position and orientation. Leaves the
    // attribute stack, the matrix stacks and the matrix mode as it found them (call it in
    // GL_MODELVIEW mode, as all drawing does).
    void draw(int type);

    // Turns the object by angle degrees about (x, y, z) in the space it is placed in, after all
    // earlier turns. While the shadow feature is on, the inverse and the local light follow.
    void rotate(double angle, double x, double y, double z);

    void setPosition(const Vec3& v) { position = v; }
    void move(const Vec3& v) { position += v; }
    Vec3 getPosition() const { return position; }

    // Scales the vertex data itself; display lists built earlier keep the old size.
    void scale(double s);
    void setLightRadius(double r);

    void buildDisplayLists(int type);
    // fileType: jpgFileType loads a JPEG, anything else a BMP. The feature is on even when the
    // picture failed to load (the meshes then use texture name 0).
    void setEnvironmentMap(const char* path, int fileType);
    void setTexture(const char* path, int fileType);

    // The light-dependent features, from the world light and the fixed pictures
    // ./data/light.jpg and ./data/radial.jpg. Radial sets up the shadow first, radial light the
    // light and the radial.
    void initLight();
    void initShadow();
    void initRadial();
    void initRadialLight();

    // Face::updateFacing on every face of shadowFaces, against the current localLight.
    void updateFacing();
    // localLight = the world light relative to the position, turned back by inverseOrientation.
    void updateLocalLight();

    float orientation[16];                      // column-major, applied after the translation
    float inverseOrientation[16];               // kept only while shadow or bump is on
    Vec3 position;
    std::vector<std::unique_ptr<Mesh>> meshes;  // in the 3DS file's order
    std::vector<Face*> shadowFaces;             // every face of every mesh (twice after both
                                                // light and shadow set-ups); owned by the meshes
    std::map<int, GLuint> materialTextures;     // 3DS material index -> texture name
    bool hasDisplayList = false;
    bool hasEnvironmentMap = false;
    bool hasLight = false;
    bool hasTexture = false;
    bool hasShadow = false;
    bool hasBumpMap = false;                    // no set-up exists: shade type 8 is always refused
    bool hasRadial = false;
    bool hasRadialLight = false;
    std::unique_ptr<Vec3> localLight;           // every face's light points here
    GLuint radialTexture = 0;

private:
    // Shows the missing feature's message and returns false when type cannot be drawn yet.
    bool featureReady(int type) const;
    // Creates a fresh localLight at the world light and appends every face to shadowFaces,
    // pointing its light there.
    void collectFaces();

    Utility utility;
};

// The neighbour search of the shadow set-up: for every index j of faces, in order, and every
// edge k of faces[j], the last face faces[i] (i != j) holding both ends of the edge among its
// corners, by exact float equality; then Face::setNeighbours on faces[j]. Both ends may be one
// point. Near-linear in the number of faces.
void findNeighbours(const std::vector<Face*>& faces);
