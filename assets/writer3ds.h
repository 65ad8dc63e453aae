// Writer3DS: our own 3DS writer. The data kit builds every model with it and the tests build
// their inputs with it.
//
// A generator fills plain lists (materials, then meshes with vertices, optional mapping
// coordinates and faces carrying their smoothing mask and material) and asks for the bytes or
// a file. The layout is the one the reader expects: main chunk 0x4D4D, editor chunk 0x3D3D,
// every material 0xAFFF before the named objects 0x4000, each object's first sub-chunk the
// 0x4100 mesh with vertices 0x4110, mapping coordinates 0x4140 (when given) and faces 0x4120
// with one 0x4130 group per material used and the 0x4150 smoothing list.
//
// ChunkWriter3DS is the byte-level half, public so tests can also hand-make files the
// high-level writer would never produce (cameras, odd chunk orders, broken lengths).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "assets/model3ds.h"
#include "geometry/vec3.h"

// Builds a chunk tree: begin(id) ... end() nest; lengths are patched in by end().
class ChunkWriter3DS {
public:
    void begin(uint16_t id);
    void end();
    void u8(uint8_t value);
    void u16(uint16_t value);
    void i16(int16_t value) { u16(uint16_t(value)); }
    void u32(uint32_t value);
    void f32(float value);
    void name(const std::string& text); // with its terminating zero

    // A whole chunk holding one value.
    void colorFloatChunk(const ModelColor& color);     // 0x0010
    void colorBytesChunk(uint8_t r, uint8_t g, uint8_t b); // 0x0011
    void percentIntChunk(int16_t percent);             // 0x0030
    void percentFloatChunk(float fraction);            // 0x0031

    const std::vector<uint8_t>& bytes() const { return bytes_; }

private:
    std::vector<uint8_t> bytes_;
    std::vector<size_t> open_; // positions of the headers of unfinished chunks
};

struct MapInput {
    std::string fileName;   // empty: no map
    int strengthPercent = 100;
    float uScale = 1.0f;
    float vScale = 1.0f;
    float uOffset = 0.0f;
    float vOffset = 0.0f;
};

struct MaterialInput {
    std::string name; // at most 19 characters, or faces cannot name it
    ModelColor ambient;
    ModelColor diffuse{0.8f, 0.8f, 0.8f};
    ModelColor specular;
    float shininess = 0.0f;    // 0-1
    float transparency = 0.0f; // 0-1
    int shading = 2;           // 0-4; written only when different from the reader's default
    MapInput textureMap1;
    bool hasReflectionMap = false;
    std::string reflectionMapName; // empty reads back as "auto"
    int reflectionPercent = 100;
};

struct FaceInput {
    uint16_t a = 0; // corner vertex indices
    uint16_t b = 0;
    uint16_t c = 0;
    uint32_t smoothing = 1; // smoothing-group mask
    int material = -1;      // index in Writer3DS::materials; -1 for none (reads as id 0)
};

struct MeshBuilder {
    std::string name;              // at most 98 characters
    std::vector<Vec3> vertices;
    std::vector<Vec2> uv;          // empty, or one per vertex
    std::vector<FaceInput> faces;

    uint16_t addVertex(const Vec3& p, Vec2 t = {});   // t is kept only when uv is in use
    void addFace(uint16_t a, uint16_t b, uint16_t c, uint32_t smoothing = 1, int material = -1);
};

class Writer3DS {
public:
    std::vector<MaterialInput> materials;
    std::vector<MeshBuilder> meshes;

    MaterialInput& addMaterial(const std::string& name);
    MeshBuilder& addMesh(const std::string& name);

    // A scene model back into writer input: positions, mapping coordinates (when any is not
    // zero), faces with masks and material ids, materials with colours and texture map 1.
    static Writer3DS fromModel(const ModelImporter& scene);

    // Checks what the reader can represent: counts below 65,536 (also after the smoothing
    // split), corners inside the vertex list, known materials, names within the capacities.
    bool validate(std::string* error = nullptr) const;
    // The file's bytes; writes whatever it is given, valid or not.
    std::vector<uint8_t> bytes() const;
    // Validates, then writes; false with the reason in *error on failure.
    bool writeFile(const std::string& path, std::string* error = nullptr) const;
};
