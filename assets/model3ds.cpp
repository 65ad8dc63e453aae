// The scene model's records and the load-time geometry processing: smoothing-group vertex
// splitting, vertex normals and tangent frames.
#include "assets/model3ds.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <unordered_map>
#include <utility>

namespace {

// The model's own normalisation: a zero vector stays zero instead of becoming NaN.
Vec3 normalise(const Vec3& v)
{
    const double length = v.length();
    return length > 0.0 ? v / length : v;
}

Vec3 position3(const Vec4& p)
{
    return Vec3(p.x, p.y, p.z);
}

float component(const Vec4& p, int k)
{
    return k == 0 ? p.x : k == 1 ? p.y : p.z;
}

Vec3 faceNormal(const Vec4& a, const Vec4& b, const Vec4& c)
{
    const Vec3 pa = position3(a);
    return normalise((position3(b) - pa).cross(position3(c) - pa));
}

float clampUnit(float f)
{
    if (!(f >= 0.0f))
        return 0.0f;
    return f > 1.0f ? 1.0f : f;
}

// The vertex each smoothing mask met at one corner maps to. Corners usually meet a handful of
// masks, searched linearly; a corner shared by very many masks (hostile files) switches to a
// hash map so the split stays linear in the number of faces.
class MaskVertices {
public:
    // The vertex of the mask, or -1 when the mask is new.
    int64_t find(uint32_t mask) const
    {
        if (byMask_.empty()) {
            for (const auto& [known, vertex] : few_)
                if (known == mask)
                    return vertex;
            return -1;
        }
        const auto found = byMask_.find(mask);
        return found == byMask_.end() ? -1 : int64_t(found->second);
    }

    void add(uint32_t mask, uint32_t vertex)
    {
        if (byMask_.empty() && few_.size() < linearLimit) {
            few_.emplace_back(mask, vertex);
            return;
        }
        if (byMask_.empty())
            byMask_.insert(few_.begin(), few_.end());
        byMask_.emplace(mask, vertex);
    }

    size_t size() const { return byMask_.empty() ? few_.size() : byMask_.size(); }

private:
    static constexpr size_t linearLimit = 16;
    std::vector<std::pair<uint32_t, uint32_t>> few_;
    std::unordered_map<uint32_t, uint32_t> byMask_;
};

const float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

} // namespace

void ModelMap::SetFileName(const std::string& text)
{
    const size_t length = std::min(text.size(), size_t(fileNameCapacity - 1));
    std::memcpy(fileName, text.data(), length);
    fileName[length] = '\0';
}

void ModelMaterial::SetShininess(float f)
{
    shininess = clampUnit(f);
}

void ModelMaterial::SetTransparency(float f)
{
    transparency = clampUnit(f);
}

void ModelLight::Clear()
{
    position = Vec3();
    color = ModelColor();
    spotlight = false;
}

ModelMesh::ModelMesh()
{
    std::memcpy(matrix, identity, sizeof matrix);
}

void ModelMesh::SetVertexCount(uint32_t n)
{
    positions.resize(n);
    normals.resize(n);
    binormals.resize(n);
    tangents.resize(n);
    textureCoords.resize(n);
}

void ModelMesh::SetFaceCount(uint32_t n)
{
    triangles.resize(n, {0, 0, 0});
    faces.resize(n);
}

void ModelMesh::SetVertex(const Vec4& v, uint32_t i)
{
    if (i < VertexCount())
        positions[i] = v;
}

void ModelMesh::SetTextureCoord(const Vec2& t, uint32_t i)
{
    if (i < VertexCount())
        textureCoords[i] = t;
}

void ModelMesh::SetFace(const ModelFace& face, uint32_t i)
{
    if (i < FaceCount())
        faces[i] = face;
}

void ModelMesh::SetMatrix(const float m[16])
{
    std::memcpy(matrix, m, sizeof matrix);
}

uint32_t ModelMesh::AddMaterial(uint32_t id)
{
    materials.push_back(id);
    return uint32_t(materials.size() - 1);
}

void ModelMesh::Clear()
{
    SetVertexCount(0);
    SetFaceCount(0);
    materials.clear();
    std::memcpy(matrix, identity, sizeof matrix);
}

uint32_t ModelMesh::RemoveFacesOutsideVertices()
{
    const uint32_t count = VertexCount();
    size_t kept = 0;
    for (size_t i = 0; i < faces.size(); ++i) {
        const ModelFace& face = faces[i];
        if (face.a < count && face.b < count && face.c < count) {
            faces[kept] = face;
            triangles[kept] = triangles[i];
            ++kept;
        }
    }
    const uint32_t removed = uint32_t(faces.size() - kept);
    SetFaceCount(uint32_t(kept));
    return removed;
}

ModelMesh::Adjacency ModelMesh::BuildAdjacency() const
{
    // Two passes over the faces: count the uses of every vertex and turn the counts into the end
    // of each vertex's run; then fill the runs from their ends, walking the faces backwards
    // (corners c, b, a). Each run then lists its faces in face order (corners a, b, c), and
    // first[v] has moved back to the start of v's run.
    Adjacency adjacency;
    std::vector<uint32_t>& first = adjacency.first;
    const uint32_t vertexCount = VertexCount();
    first.assign(vertexCount + 1, 0);
    for (const ModelFace& face : faces) {
        ++first[face.a];
        ++first[face.b];
        ++first[face.c];
    }
    for (uint32_t v = 1; v < vertexCount; ++v)
        first[v] += first[v - 1];
    first[vertexCount] = uint32_t(faces.size() * 3);
    adjacency.faces.resize(faces.size() * 3);
    for (uint32_t f = FaceCount(); f-- > 0;) {
        adjacency.faces[--first[faces[f].c]] = f;
        adjacency.faces[--first[faces[f].b]] = f;
        adjacency.faces[--first[faces[f].a]] = f;
    }
    return adjacency;
}

uint32_t ModelMesh::AppendVertexCopy(uint32_t v)
{
    const uint32_t copy = VertexCount();
    positions.push_back(positions[v]);
    normals.push_back(normals[v]);
    binormals.push_back(binormals[v]);
    tangents.push_back(tangents[v]);
    textureCoords.push_back(textureCoords[v]);
    return copy;
}

bool ModelMesh::ComputeNormals(bool useSmoothingGroups)
{
    RemoveFacesOutsideVertices();

    for (ModelFace& face : faces)
        face.normal = faceNormal(positions[face.a], positions[face.b], positions[face.c]);

    Adjacency facesOfVertex = BuildAdjacency();
    if (useSmoothingGroups) {
        // Plan the split first, so a mesh that would outgrow 16-bit indices is left untouched.
        // A vertex keeps its first group; every further group (faces with another whole mask)
        // gets a copy of it.
        const uint32_t originalCount = VertexCount();
        uint32_t newCount = originalCount;
        for (uint32_t v = 0; v < originalCount; ++v) {
            const auto list = facesOfVertex.of(v);
            if (list.empty())
                continue;
            MaskVertices masks;
            for (uint32_t f : list)
                if (masks.find(faces[f].smoothing) < 0)
                    masks.add(faces[f].smoothing, 0);
            newCount += uint32_t(masks.size() - 1);
            if (newCount > maxVertexCount)
                return false;
        }

        for (uint32_t v = 0; v < originalCount; ++v) {
            const auto list = facesOfVertex.of(v);
            if (list.empty())
                continue;
            MaskVertices vertexOfMask;
            vertexOfMask.add(faces[list.front()].smoothing, v);
            for (uint32_t f : list) {
                ModelFace& face = faces[f];
                const int64_t known = vertexOfMask.find(face.smoothing);
                uint32_t target;
                if (known < 0) {
                    target = AppendVertexCopy(v);
                    vertexOfMask.add(face.smoothing, target);
                } else {
                    target = uint32_t(known);
                }
                if (target == v)
                    continue;
                if (face.a == v)
                    face.a = uint16_t(target);
                if (face.b == v)
                    face.b = uint16_t(target);
                if (face.c == v)
                    face.c = uint16_t(target);
            }
        }
        // A corner only moves to a copy, so without copies the faces of each vertex stand.
        if (VertexCount() != originalCount)
            facesOfVertex = BuildAdjacency();
    }

    for (uint32_t v = 0, count = VertexCount(); v < count; ++v) {
        Vec3 sum;
        for (uint32_t f : facesOfVertex.of(v))
            sum += faces[f].normal;
        normals[v] = normalise(sum);
    }

    for (uint32_t f = 0, count = FaceCount(); f < count; ++f)
        triangles[f] = {faces[f].a, faces[f].b, faces[f].c};
    return true;
}

void ModelMesh::ComputeTangents()
{
    RemoveFacesOutsideVertices();

    for (ModelFace& face : faces) {
        const Vec4 p[3] = {positions[face.a], positions[face.b], positions[face.c]};
        const Vec2 t[3] = {textureCoords[face.a], textureCoords[face.b], textureCoords[face.c]};
        float tangent[3];
        float binormal[3];
        bool degenerate = false;
        for (int k = 0; k < 3; ++k) {
            const float pa = component(p[0], k);
            const Vec3 e1(component(p[1], k) - pa, t[1].u - t[0].u, t[1].v - t[0].v);
            const Vec3 e2(component(p[2], k) - pa, t[2].u - t[0].u, t[2].v - t[0].v);
            const Vec3 w = e1.cross(e2);
            // Without usable mapping coordinates w.x is 0 and the quotient is meaningless;
            // such a face contributes no tangent frame at all.
            if (w.x == 0.0f) {
                degenerate = true;
                break;
            }
            tangent[k] = -w.y / w.x;
            binormal[k] = -w.z / w.x;
            if (!std::isfinite(tangent[k]) || !std::isfinite(binormal[k])) {
                degenerate = true;
                break;
            }
        }
        face.tangent = degenerate ? Vec3() : Vec3(tangent[0], tangent[1], tangent[2]);
        face.binormal = degenerate ? Vec3() : Vec3(binormal[0], binormal[1], binormal[2]);
    }

    const Adjacency facesOfVertex = BuildAdjacency();
    for (uint32_t v = 0, count = VertexCount(); v < count; ++v) {
        Vec3 sum;
        for (uint32_t f : facesOfVertex.of(v))
            sum += faces[f].tangent;
        tangents[v] = normalise(sum);
        binormals[v] = normalise(tangents[v].cross(normals[v]));
    }
}

ModelTriangle ModelMesh::GetTriangle(uint32_t i) const
{
    ModelTriangle triangle;
    const std::array<uint16_t, 3>& corners = triangles[i];
    for (int k = 0; k < 3; ++k) {
        if (corners[k] >= VertexCount())
            continue;
        triangle.vertices[k] = positions[corners[k]];
        triangle.vertexNormals[k] = normals[corners[k]];
        triangle.textureCoords[k] = textureCoords[corners[k]];
    }
    triangle.faceNormal = faceNormal(triangle.vertices[0], triangle.vertices[1], triangle.vertices[2]);
    triangle.materialId = faces[i].materialId;
    return triangle;
}

bool ModelImporter::LoadFile(const char*)
{
    return false;
}

void ModelImporter::Clear()
{
    lights.clear();
    meshes.clear();
    materials.clear();
}

void ModelImporter::AddMaterial(const ModelMaterial& material)
{
    materials.push_back(material);
    materials.back().SetId(uint32_t(materials.size() - 1));
}

namespace {

template <typename Record>
Record* findNamed(std::vector<Record>& records, const std::string& name)
{
    for (Record& record : records)
        if (record.IsNamed(name))
            return &record;
    return nullptr;
}

} // namespace

ModelMesh* ModelImporter::FindMesh(const std::string& name)
{
    return findNamed(meshes, name);
}

ModelMaterial* ModelImporter::FindMaterial(const std::string& name)
{
    return findNamed(materials, name);
}

const ModelMesh* ModelImporter::FindMesh(const std::string& name) const
{
    return const_cast<ModelImporter*>(this)->FindMesh(name);
}

const ModelMaterial* ModelImporter::FindMaterial(const std::string& name) const
{
    return const_cast<ModelImporter*>(this)->FindMaterial(name);
}
