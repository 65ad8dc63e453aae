// The scene model of one 3DS file: materials, meshes and lights, held by ModelImporter, from
// which the file reader L3DS derives.
//
// Besides plain records it does the one piece of geometry processing done at load time:
// per-vertex normals that respect the file's smoothing groups (a vertex shared by faces of
// different groups is split into one copy per group), per-vertex tangent frames, and the
// assembly of whole triangles for the 3DS-to-NObject conversion.
//
// Face corners are 16-bit indices, so a mesh holds at most 65,536 vertices; ComputeNormals
// refuses to split a mesh beyond that rather than wrap the indices.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "geometry/vec3.h"

struct Vec2 {
    float u = 0.0f;
    float v = 0.0f;
};

struct Vec4 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    float w = 0.0f;
};

struct ModelColor {
    float r = 0.0f; // each nominally 0-1
    float g = 0.0f;
    float b = 0.0f;
};

// Base of every named record.
class ModelItem {
public:
    virtual ~ModelItem() = default;
    virtual const std::string& GetName() const { return name; }
    virtual void SetName(const std::string& text) { name = text; }
    // Same length and same bytes: case-sensitive.
    bool IsNamed(const std::string& text) const { return name == text; }

protected:
    std::string name;
};

// One texture map of a material.
struct ModelMap {
    static constexpr int fileNameCapacity = 256;

    float strength = 0.0f;
    char fileName[fileNameCapacity] = {}; // zero-terminated picture file name
    float uScale = 1.0f;
    float vScale = 1.0f;
    float uOffset = 0.0f;
    float vOffset = 0.0f;

    // Copies at most fileNameCapacity - 1 characters.
    void SetFileName(const std::string& text);
};

class ModelMaterial : public ModelItem {
public:
    uint32_t GetId() const { return id; }
    void SetId(uint32_t n) { id = n; }

    const ModelColor& GetAmbient() const { return ambient; }
    const ModelColor& GetDiffuse() const { return diffuse; }
    const ModelColor& GetSpecular() const { return specular; }
    void SetAmbient(const ModelColor& color) { ambient = color; }
    void SetDiffuse(const ModelColor& color) { diffuse = color; }
    void SetSpecular(const ModelColor& color) { specular = color; }

    float GetShininess() const { return shininess; }
    float GetTransparency() const { return transparency; }
    // Both clamp to 0-1; anything not >= 0 (a NaN too) becomes 0.
    void SetShininess(float f);
    void SetTransparency(float f);

    int32_t GetShading() const { return shading; }
    void SetShading(int32_t n) { shading = n; }

    ModelMap& GetTextureMap1() { return textureMap1; }
    ModelMap& GetTextureMap2() { return textureMap2; }
    ModelMap& GetOpacityMap() { return opacityMap; }
    ModelMap& GetReflectionMap() { return reflectionMap; }
    ModelMap& GetBumpMap() { return bumpMap; }
    ModelMap& GetSpecularMap() { return specularMap; }
    const ModelMap& GetTextureMap1() const { return textureMap1; }
    const ModelMap& GetTextureMap2() const { return textureMap2; }
    const ModelMap& GetOpacityMap() const { return opacityMap; }
    const ModelMap& GetReflectionMap() const { return reflectionMap; }
    const ModelMap& GetBumpMap() const { return bumpMap; }
    const ModelMap& GetSpecularMap() const { return specularMap; }

private:
    uint32_t id = 0; // index in the scene's material list
    ModelMap textureMap1;
    ModelMap textureMap2;
    ModelMap opacityMap;
    ModelMap reflectionMap;
    ModelMap bumpMap;
    ModelMap specularMap;
    ModelColor ambient;
    ModelColor diffuse;
    ModelColor specular;
    float shininess = 0.0f;
    float transparency = 0.0f;
    int32_t shading = 2; // 0-4 as the file gives it; 0 also for wire frame
};

// Kept in the scene, read by nothing in the program.
class ModelLight : public ModelItem {
public:
    const Vec3& GetPosition() const { return position; }
    const ModelColor& GetColor() const { return color; }
    bool IsSpotlight() const { return spotlight; }
    const Vec3& GetTarget() const { return target; }
    float GetHotspot() const { return hotspot; }
    float GetFalloff() const { return falloff; }

    void SetPosition(const Vec3& v) { position = v; }
    void SetColor(const ModelColor& c) { color = c; }
    void SetSpotlight(bool on) { spotlight = on; }
    void SetTarget(const Vec3& v) { target = v; }
    void SetHotspot(float f) { hotspot = f; }
    void SetFalloff(float f) { falloff = f; }
    // Resets position, colour and the spotlight flag.
    void Clear();

private:
    Vec3 position;
    ModelColor color;
    bool spotlight = false;
    Vec3 target;
    float hotspot = 0.0f;
    float falloff = 0.0f;
};

struct ModelFace {
    uint16_t a = 0; // corner vertex indices
    uint16_t b = 0;
    uint16_t c = 0;
    uint32_t smoothing = 0; // smoothing-group mask
    Vec3 normal;            // unit face normal, zero for a degenerate face
    Vec3 tangent;           // texture-space derivatives, zero without mapping coordinates
    Vec3 binormal;
    uint32_t materialId = 0;
};

// One triangle with everything a consumer draws.
struct ModelTriangle {
    Vec4 vertices[3];
    Vec3 vertexNormals[3];
    Vec2 textureCoords[3];
    Vec3 faceNormal;
    uint32_t materialId = 0;
};

class ModelMesh : public ModelItem {
public:
    static constexpr uint32_t maxVertexCount = 65536; // what 16-bit corner indices can reach

    ModelMesh();

    // The five per-vertex arrays always have the vertex count; new entries are zero.
    uint32_t VertexCount() const { return uint32_t(positions.size()); }
    void SetVertexCount(uint32_t n);
    // Faces and their triangle indices always have the face count; new entries are zero.
    uint32_t FaceCount() const { return uint32_t(faces.size()); }
    void SetFaceCount(uint32_t n);

    // An index at or beyond the count is ignored.
    void SetVertex(const Vec4& v, uint32_t i);
    void SetTextureCoord(const Vec2& t, uint32_t i);
    void SetFace(const ModelFace& face, uint32_t i);

    // Element access; i must be below the count.
    const Vec4& GetVertex(uint32_t i) const { return positions[i]; }
    const Vec3& GetNormal(uint32_t i) const { return normals[i]; }
    const Vec3& GetTangent(uint32_t i) const { return tangents[i]; }
    const Vec3& GetBinormal(uint32_t i) const { return binormals[i]; }
    const Vec2& GetTextureCoord(uint32_t i) const { return textureCoords[i]; }
    // The corners as ComputeNormals left them (zero before it has run).
    const std::array<uint16_t, 3>& GetTriangleIndices(uint32_t i) const { return triangles[i]; }
    const ModelFace& GetFace(uint32_t i) const { return faces[i]; }

    // X axis, 0, Y axis, 0, Z axis, 0, origin, 1; the identity until set.
    void SetMatrix(const float m[16]);
    const float* GetMatrix() const { return matrix; }

    // One material id per face-material group read, in file order.
    uint32_t AddMaterial(uint32_t id);
    uint32_t GetMaterial(uint32_t i) const { return materials[i]; }
    uint32_t MaterialCount() const { return uint32_t(materials.size()); }

    // Removes faces with a corner at or beyond the vertex count; each remaining face keeps its
    // own smoothing mask and material id. Returns how many were removed.
    uint32_t RemoveFacesOutsideVertices();

    // Face normals, smoothing-group vertex splitting (when asked) and vertex normals. False,
    // with the mesh left as it was, when the split would need more than maxVertexCount
    // vertices. Faces with corners beyond the vertex count are removed first.
    bool ComputeNormals(bool useSmoothingGroups);
    // Per-face and per-vertex tangents and binormals; faces whose texture mapping is degenerate
    // (no mapping coordinates, say) get zero tangents.
    void ComputeTangents();

    // i must be below the face count; corners beyond the vertex count read as zero.
    ModelTriangle GetTriangle(uint32_t i) const;

    // Empties every array; the matrix becomes the identity.
    void Clear();

private:
    // The faces that use each vertex, in face order: faces[first[v]] up to faces[first[v + 1]].
    struct Adjacency {
        std::vector<uint32_t> first;
        std::vector<uint32_t> faces;
        std::span<const uint32_t> of(uint32_t v) const
        {
            return {faces.data() + first[v], faces.data() + first[v + 1]};
        }
    };
    Adjacency BuildAdjacency() const;
    uint32_t AppendVertexCopy(uint32_t v);

    std::vector<Vec4> positions;
    std::vector<Vec3> normals;
    std::vector<Vec3> binormals;
    std::vector<Vec3> tangents;
    std::vector<Vec2> textureCoords;
    std::vector<std::array<uint16_t, 3>> triangles;
    std::vector<ModelFace> faces;
    float matrix[16];
    std::vector<uint32_t> materials;
};

// The scene container. Records are held by value.
class ModelImporter {
public:
    virtual ~ModelImporter() = default;
    // Left to the file readers; the base loads nothing.
    virtual bool LoadFile(const char* filename);
    // Destroys every light, mesh and material.
    virtual void Clear();

    uint32_t MeshCount() const { return uint32_t(meshes.size()); }
    uint32_t MaterialCount() const { return uint32_t(materials.size()); }
    uint32_t LightCount() const { return uint32_t(lights.size()); }

    // i must be below the count.
    ModelMesh& GetMesh(uint32_t i) { return meshes[i]; }
    ModelMaterial& GetMaterial(uint32_t i) { return materials[i]; }
    ModelLight& GetLight(uint32_t i) { return lights[i]; }
    const ModelMesh& GetMesh(uint32_t i) const { return meshes[i]; }
    const ModelMaterial& GetMaterial(uint32_t i) const { return materials[i]; }
    const ModelLight& GetLight(uint32_t i) const { return lights[i]; }

    // The first record with exactly that name, or null.
    ModelMesh* FindMesh(const std::string& name);
    ModelMaterial* FindMaterial(const std::string& name);
    const ModelMesh* FindMesh(const std::string& name) const;
    const ModelMaterial* FindMaterial(const std::string& name) const;

    // Appends a record; a material gets its index in the list as its id.
    void AddMesh(const ModelMesh& mesh) { meshes.push_back(mesh); }
    void AddMesh(ModelMesh&& mesh) { meshes.push_back(std::move(mesh)); }
    void AddLight(const ModelLight& light) { lights.push_back(light); }
    void AddMaterial(const ModelMaterial& material);
    void RemoveMesh(uint32_t i) { meshes.erase(meshes.begin() + i); }

protected:
    std::vector<ModelLight> lights;
    std::vector<ModelMesh> meshes;
    std::vector<ModelMaterial> materials;
};
