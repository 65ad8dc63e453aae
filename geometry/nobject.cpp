// The scene object: feature set-ups, drawing, orientation and the neighbour search; see
// nobject.h. load3DS lives with the other 3DS code in assets/object3ds.cpp.
#include "geometry/nobject.h"

#include "app/log.h"
#include "assets/jpg_image.h"
#include "platform/os.h"
#include "world/gl_scope.h"
#include "world/world.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <numbers>

namespace {

void showMessage(const char* text)
{
    if (logger)
        logger->messageBox("%s", text);
    else
        os::messageBox(text, "", os::MB_OK | os::MB_ICONINFORMATION);
}

// ---- Matrices, as glRotatef and glMultMatrixf make them --------------------------------------

// m[4 * column + row]
void loadIdentity(float m[16])
{
    for (int i = 0; i < 16; ++i)
        m[i] = (i % 5 == 0) ? 1.0f : 0.0f;
}

// out = a * b, in single precision like the driver's matrix stack.
void multiply(const float a[16], const float b[16], float out[16])
{
    float product[16];
    for (int column = 0; column < 4; ++column)
        for (int row = 0; row < 4; ++row)
            product[4 * column + row] = a[row] * b[4 * column] + a[4 + row] * b[4 * column + 1] +
                                        a[8 + row] * b[4 * column + 2] + a[12 + row] * b[4 * column + 3];
    std::memcpy(out, product, sizeof product);
}

// The rotation glRotatef multiplies by: exact zeros and ones for a turn about a coordinate axis,
// the general axis-angle form otherwise, and no turn about an axis shorter than 1e-4.
void rotationMatrix(float angleDegrees, float x, float y, float z, float m[16])
{
    const float s = float(std::sin(angleDegrees * std::numbers::pi / 180.0));
    const float c = float(std::cos(angleDegrees * std::numbers::pi / 180.0));
    loadIdentity(m);
    auto at = [m](int row, int column) -> float& { return m[4 * column + row]; };
    if (x == 0 && y == 0 && z != 0) {
        at(0, 0) = c;
        at(1, 1) = c;
        at(0, 1) = z < 0 ? s : -s;
        at(1, 0) = z < 0 ? -s : s;
        return;
    }
    if (x == 0 && y != 0 && z == 0) {
        at(0, 0) = c;
        at(2, 2) = c;
        at(0, 2) = y < 0 ? -s : s;
        at(2, 0) = y < 0 ? s : -s;
        return;
    }
    if (x != 0 && y == 0 && z == 0) {
        at(1, 1) = c;
        at(2, 2) = c;
        at(1, 2) = x < 0 ? s : -s;
        at(2, 1) = x < 0 ? -s : s;
        return;
    }
    const float length = std::sqrt(x * x + y * y + z * z);
    if (length <= 1.0e-4f)
        return;
    x /= length;
    y /= length;
    z /= length;
    const float oneMinusC = 1.0f - c;
    at(0, 0) = oneMinusC * x * x + c;
    at(0, 1) = oneMinusC * x * y - z * s;
    at(0, 2) = oneMinusC * z * x + y * s;
    at(1, 0) = oneMinusC * x * y + z * s;
    at(1, 1) = oneMinusC * y * y + c;
    at(1, 2) = oneMinusC * y * z - x * s;
    at(2, 0) = oneMinusC * z * x - y * s;
    at(2, 1) = oneMinusC * y * z + x * s;
    at(2, 2) = oneMinusC * z * z + c;
}

// ---- Neighbour search -------------------------------------------------------------------------

// A corner by the bits of its components, with -0 made +0 so that bit equality is float
// equality. A corner with a NaN component equals nothing, not even itself.
struct PointKey {
    uint32_t bits[3];
    bool operator==(const PointKey&) const = default;
};

bool pointKey(const Vec3& v, PointKey& key)
{
    const float components[3] = {v.x, v.y, v.z};
    for (int i = 0; i < 3; ++i) {
        if (std::isnan(components[i]))
            return false;
        const float c = components[i] == 0.0f ? 0.0f : components[i];
        std::memcpy(&key.bits[i], &c, sizeof c);
    }
    return true;
}

uint64_t mix(uint64_t h)
{
    h ^= h >> 33;
    h *= 0xFF51AFD7ED558CCDull;
    h ^= h >> 33;
    h *= 0xC4CEB9FE1A85EC53ull;
    return h ^ (h >> 33);
}

uint64_t hashOf(const PointKey& key)
{
    return mix((uint64_t(key.bits[0]) << 32 | key.bits[1]) ^ mix(key.bits[2]));
}
uint64_t hashOf(uint64_t key) { return mix(key); }

// For each key: the two largest face indices that hold it. That is all a query needs: the last
// holder, or the one before it when the last is the asking face itself. Records are dense, in
// order of first insertion, and their index is the key's id; the slots are open addressing with
// linear probing, sized once from the most keys there can be.
template <class Key>
class HolderTable {
public:
    explicit HolderTable(size_t maxKeys)
    {
        size_t capacity = 16;
        while (capacity < 2 * maxKeys)
            capacity *= 2;
        slots.assign(capacity, -1);
        mask = capacity - 1;
    }

    // The key's id, inserting it when new.
    int idOf(const Key& key)
    {
        for (size_t i = hashOf(key) & mask;; i = (i + 1) & mask) {
            if (slots[i] < 0) {
                slots[i] = int(records.size());
                records.push_back({key, -1, -1});
                return slots[i];
            }
            if (records[size_t(slots[i])].key == key)
                return slots[i];
        }
    }

    void addHolder(int id, int face)
    {
        Record& record = records[size_t(id)];
        record.previous = record.last;
        record.last = face;
    }

    int lastHolderOtherThan(int id, int asking) const
    {
        const Record& record = records[size_t(id)];
        return record.last != asking ? record.last : record.previous;
    }

private:
    struct Record {
        Key key;
        int last;
        int previous;
    };
    std::vector<int> slots;
    std::vector<Record> records;
    size_t mask = 0;
};

uint64_t pairOf(int a, int b) { return a < b ? uint64_t(a) << 32 | uint32_t(b) : uint64_t(b) << 32 | uint32_t(a); }

} // namespace

// Corners become point ids first; an edge with two distinct ends is then a pair of ids, and a
// degenerate edge (both ends equal) asks the point's own holders, which are every face with that
// point among its corners.
void findNeighbours(const std::vector<Face*>& faces)
{
    constexpr int noPoint = -1; // a NaN corner
    const size_t cornerCount = 3 * faces.size();
    HolderTable<PointKey> points(cornerCount);
    HolderTable<uint64_t> pairs(cornerCount);
    std::vector<int> cornerIds(cornerCount, noPoint);

    for (size_t i = 0; i < faces.size(); ++i) {
        int* ids = &cornerIds[3 * i];
        int distinct[3];
        int count = 0;
        for (int k = 0; k < 3; ++k) {
            PointKey key;
            if (!pointKey(faces[i]->vertices[k], key))
                continue;
            ids[k] = points.idOf(key);
            bool seen = false;
            for (int d = 0; d < count; ++d)
                seen = seen || distinct[d] == ids[k];
            if (!seen)
                distinct[count++] = ids[k];
        }
        for (int p = 0; p < count; ++p) {
            points.addHolder(distinct[p], int(i));
            for (int q = p + 1; q < count; ++q)
                pairs.addHolder(pairs.idOf(pairOf(distinct[p], distinct[q])), int(i));
        }
    }

    for (size_t j = 0; j < faces.size(); ++j) {
        const int* ids = &cornerIds[3 * j];
        Face* found[3] = {};
        for (int k = 0; k < 3; ++k) {
            const int a = ids[k], b = ids[(k + 1) % 3];
            if (a == noPoint || b == noPoint)
                continue;
            const int holder = a == b ? points.lastHolderOtherThan(a, int(j))
                                      : pairs.lastHolderOtherThan(pairs.idOf(pairOf(a, b)), int(j));
            if (holder >= 0)
                found[k] = faces[size_t(holder)];
        }
        faces[j]->setNeighbours(found[0], found[1], found[2]);
    }
}

NObject::NObject()
{
    if (logger)
        logger->printObject("NObject Object.");
    // Objects are made while the modelview matrix is the identity, which is what both matrices
    // start as (the pair is consistent only then). Without a current context the read does
    // nothing and the identity stays.
    loadIdentity(orientation);
    glGetFloatv(GL_MODELVIEW_MATRIX, orientation);
    std::memcpy(inverseOrientation, orientation, sizeof orientation);
}

NObject::~NObject() = default;

bool NObject::featureReady(int type) const
{
    struct Feature {
        int type;
        bool NObject::*flag;
        const char* missing;
    };
    // In the order the checks are made.
    static constexpr Feature features[] = {
        {shadeDisplayList, &NObject::hasDisplayList, "The display list doesn't exsist yet!"},
        {shadeEnvironmentMap, &NObject::hasEnvironmentMap, "The object doesn't have an enviroment map loaded!"},
        {shadeLightMap, &NObject::hasLight, "The object doesn't have the light initiated!"},
        {shadeTextured, &NObject::hasTexture, "The object doesn't have a texture!"},
        {shadeShadowVolume, &NObject::hasShadow, "The object doesn't have the shadow initiated!"},
        {shadeBumpMap, &NObject::hasBumpMap, "The object doesn't have a bumpmap initiated!"},
        {shadeRadial, &NObject::hasRadial, "The object doesn't have the radial initiated!"},
        {shadeRadialLight, &NObject::hasRadialLight, "The object doesn't have the radiallight initiated!"},
    };
    for (const Feature& feature : features)
        if (feature.type == type && !(this->*feature.flag)) {
            showMessage(feature.missing);
            return false;
        }
    return true;
}

void NObject::draw(int type)
{
    AttribScope attributes;
    MatrixScope matrix;
    glTranslatef(position.x, position.y, position.z);
    glMultMatrixf(orientation);
    if (!featureReady(type))
        return;

    switch (type) {
    case shadeLightMap:
    case shadeBumpMap: updateLocalLight(); break;
    case shadeShadowVolume:
    case shadeRadial:
    case shadeRadialLight:
        // Facing first: the flags use the light of the previous such draw, one frame behind.
        updateFacing();
        updateLocalLight();
        break;
    default: break;
    }
    for (auto& mesh : meshes)
        mesh->render(type);
}

void NObject::rotate(double angle, double x, double y, double z)
{
    float turn[16];
    rotationMatrix(float(angle), float(x), float(y), float(z), turn);
    multiply(turn, orientation, orientation);
    if (hasShadow || hasBumpMap) {
        rotationMatrix(float(-angle), float(x), float(y), float(z), turn);
        multiply(inverseOrientation, turn, inverseOrientation);
        updateLocalLight();
    }
}

void NObject::updateLocalLight()
{
    if (localLight)
        *localLight = (lightPosition - position).rotateByMatrix(inverseOrientation);
}

void NObject::updateFacing()
{
    for (Face* face : shadowFaces)
        face->updateFacing();
}

void NObject::scale(double s)
{
    for (auto& mesh : meshes)
        mesh->scale(float(s));
}

void NObject::setLightRadius(double r)
{
    for (auto& mesh : meshes)
        mesh->setLightRadius(float(r));
}

void NObject::buildDisplayLists(int type)
{
    for (auto& mesh : meshes)
        mesh->buildDisplayLists(type);
    hasDisplayList = true;
}

void NObject::setEnvironmentMap(const char* path, int fileType)
{
    GLuint texture = 0;
    if (fileType == jpgFileType)
        utility.loadJPGEnvTexture(path, &texture);
    else
        utility.loadBMPEnvTexture(path, &texture);
    for (auto& mesh : meshes)
        mesh->setEnvironmentTexture(texture);
    hasEnvironmentMap = true;
}

void NObject::setTexture(const char* path, int fileType)
{
    GLuint texture = 0;
    if (fileType == jpgFileType)
        utility.loadJPGTexture(path, &texture);
    else
        utility.loadBMPTexture(path, &texture);
    for (auto& mesh : meshes)
        mesh->setTexture(texture);
    hasTexture = true;
}

void NObject::collectFaces()
{
    // Any earlier localLight is released: every face is pointed at the new one below.
    localLight = std::make_unique<Vec3>(lightPosition);
    for (auto& mesh : meshes)
        for (const auto& face : mesh->faces()) {
            shadowFaces.push_back(face.get());
            face->light = localLight.get();
        }
}

// Two clamped copies of the light spot: one spans x and y around the light, the other fades
// along z. A picture that cannot be read is reported like every texture load and leaves both
// textures without an image, so the light-map pass changes nothing.
void NObject::initLight()
{
    constexpr const char* lightPicture = "./data/light.jpg";
    JPGImage image;
    if (!image.load(lightPicture)) {
        char text[128];
        std::snprintf(text, sizeof text, "ERROR! Failed to load %s !", lightPicture);
        showMessage(text);
    }
    GLuint textures[2] = {};
    for (GLuint& texture : textures) {
        glGenTextures(1, &texture);
        glBindTexture(GL_TEXTURE_2D, texture);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1); // tight rows, as every upload in the program
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, image.width, image.height, 0, GL_RGB, GL_UNSIGNED_BYTE,
                     image.data);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
    }
    for (auto& mesh : meshes)
        mesh->setLightTextures(textures[0], textures[1]);
    if (!hasShadow)
        collectFaces();
    hasLight = true;
}

void NObject::initShadow()
{
    // After initLight this collects every face a second time; the search then finds the same
    // neighbours for shared edges and the face itself for a border edge, which draws the same,
    // since a lit face is never its own silhouette neighbour.
    collectFaces();
    findNeighbours(shadowFaces);
    hasShadow = true;
}

void NObject::initRadial()
{
    if (!hasShadow)
        initShadow();
    utility.loadJPGTexture("./data/radial.jpg", &radialTexture);
    for (auto& mesh : meshes)
        mesh->setRadialTexture(radialTexture);
    hasRadial = true;
}

void NObject::initRadialLight()
{
    if (!hasLight)
        initLight();
    if (!hasRadial)
        initRadial();
    hasRadialLight = true;
}
