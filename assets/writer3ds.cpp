// Writer3DS: scene lists to 3DS bytes, in the chunk layout the reader expects.
#include "assets/writer3ds.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

#include "platform/files.h"

namespace {

constexpr uint32_t maxListCount = 65535; // every count in the file is 16-bit

// Longest names the reader keeps whole.
constexpr size_t maxObjectName = 98;
constexpr size_t maxMaterialName = 19; // a face group keeps only 19
constexpr size_t maxMapFileName = 19;
constexpr size_t maxReflectionName = 29;

constexpr int defaultShading = 2;

bool fail(std::string* error, const std::string& text)
{
    if (error)
        *error = text;
    return false;
}

uint8_t toByte(float f)
{
    if (!(f > 0.0f))
        return 0;
    return f >= 1.0f ? 255 : uint8_t(std::lround(f * 255.0f));
}

} // namespace

void ChunkWriter3DS::begin(uint16_t id)
{
    open_.push_back(bytes_.size());
    u16(id);
    u32(0); // patched by end()
}

void ChunkWriter3DS::end()
{
    if (open_.empty())
        return;
    const size_t header = open_.back();
    open_.pop_back();
    const uint32_t length = uint32_t(bytes_.size() - header);
    for (int i = 0; i < 4; ++i)
        bytes_[header + 2 + i] = uint8_t(length >> (8 * i));
}

void ChunkWriter3DS::u8(uint8_t value)
{
    bytes_.push_back(value);
}

void ChunkWriter3DS::u16(uint16_t value)
{
    bytes_.push_back(uint8_t(value));
    bytes_.push_back(uint8_t(value >> 8));
}

void ChunkWriter3DS::u32(uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes_.push_back(uint8_t(value >> (8 * i)));
}

void ChunkWriter3DS::f32(float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    u32(bits);
}

void ChunkWriter3DS::name(const std::string& text)
{
    bytes_.insert(bytes_.end(), text.begin(), text.end());
    bytes_.push_back(0);
}

void ChunkWriter3DS::colorFloatChunk(const ModelColor& color)
{
    begin(0x0010);
    f32(color.r);
    f32(color.g);
    f32(color.b);
    end();
}

void ChunkWriter3DS::colorBytesChunk(uint8_t r, uint8_t g, uint8_t b)
{
    begin(0x0011);
    u8(r);
    u8(g);
    u8(b);
    end();
}

void ChunkWriter3DS::percentIntChunk(int16_t percent)
{
    begin(0x0030);
    i16(percent);
    end();
}

void ChunkWriter3DS::percentFloatChunk(float fraction)
{
    begin(0x0031);
    f32(fraction);
    end();
}

uint16_t MeshBuilder::addVertex(const Vec3& p, Vec2 t)
{
    vertices.push_back(p);
    if (!uv.empty() || t.u != 0.0f || t.v != 0.0f) {
        uv.resize(vertices.size() - 1);
        uv.push_back(t);
    }
    return uint16_t(vertices.size() - 1);
}

void MeshBuilder::addFace(uint16_t a, uint16_t b, uint16_t c, uint32_t smoothing, int material)
{
    faces.push_back({a, b, c, smoothing, material});
}

MaterialInput& Writer3DS::addMaterial(const std::string& name)
{
    materials.emplace_back();
    materials.back().name = name;
    return materials.back();
}

MeshBuilder& Writer3DS::addMesh(const std::string& name)
{
    meshes.emplace_back();
    meshes.back().name = name;
    return meshes.back();
}

Writer3DS Writer3DS::fromModel(const ModelImporter& scene)
{
    Writer3DS writer;
    for (uint32_t i = 0; i < scene.MaterialCount(); ++i) {
        const ModelMaterial& source = scene.GetMaterial(i);
        MaterialInput& material = writer.addMaterial(source.GetName());
        material.ambient = source.GetAmbient();
        material.diffuse = source.GetDiffuse();
        material.specular = source.GetSpecular();
        material.shininess = source.GetShininess();
        material.transparency = source.GetTransparency();
        material.shading = source.GetShading();
        const ModelMap& map = source.GetTextureMap1();
        material.textureMap1.fileName = map.fileName;
        // Written as a 16-bit percentage; anything a file can hold beyond that is cut.
        const float percent = std::isfinite(map.strength) ? map.strength * 100.0f : 0.0f;
        material.textureMap1.strengthPercent = int(std::lround(std::clamp(percent, -32768.0f, 32767.0f)));
        material.textureMap1.uScale = map.uScale;
        material.textureMap1.vScale = map.vScale;
        material.textureMap1.uOffset = map.uOffset;
        material.textureMap1.vOffset = map.vOffset;
    }
    for (uint32_t m = 0; m < scene.MeshCount(); ++m) {
        const ModelMesh& source = scene.GetMesh(m);
        MeshBuilder& mesh = writer.addMesh(source.GetName());
        bool mapped = false;
        for (uint32_t v = 0; v < source.VertexCount(); ++v) {
            const Vec4& p = source.GetVertex(v);
            mesh.vertices.push_back(Vec3(p.x, p.y, p.z));
            const Vec2& t = source.GetTextureCoord(v);
            mapped = mapped || t.u != 0.0f || t.v != 0.0f;
        }
        if (mapped)
            for (uint32_t v = 0; v < source.VertexCount(); ++v)
                mesh.uv.push_back(source.GetTextureCoord(v));
        // Material ids index the scene's list; an id of 0 with no materials means none.
        const bool hasMaterials = scene.MaterialCount() > 0;
        for (uint32_t f = 0; f < source.FaceCount(); ++f) {
            const ModelFace& face = source.GetFace(f);
            const int material = hasMaterials && face.materialId < scene.MaterialCount()
                                     ? int(face.materialId)
                                     : -1;
            mesh.addFace(face.a, face.b, face.c, face.smoothing, material);
        }
    }
    return writer;
}

bool Writer3DS::validate(std::string* error) const
{
    for (const MaterialInput& material : materials) {
        if (material.name.empty() || material.name.size() > maxMaterialName)
            return fail(error, "material name \"" + material.name + "\" must have 1 to 19 characters");
        if (material.textureMap1.fileName.size() > maxMapFileName)
            return fail(error, "texture file name \"" + material.textureMap1.fileName +
                                   "\" is longer than 19 characters");
        if (material.reflectionMapName.size() > maxReflectionName)
            return fail(error, "reflection map name of \"" + material.name + "\" is too long");
    }
    for (const MeshBuilder& mesh : meshes) {
        const std::string what = "mesh \"" + mesh.name + "\": ";
        if (mesh.name.size() > maxObjectName)
            return fail(error, what + "name longer than 98 characters");
        if (mesh.vertices.size() > maxListCount || mesh.faces.size() > maxListCount)
            return fail(error, what + "more than 65535 vertices or faces");
        if (!mesh.uv.empty() && mesh.uv.size() != mesh.vertices.size())
            return fail(error, what + "mapping coordinates do not match the vertices");
        for (const FaceInput& face : mesh.faces) {
            if (face.a >= mesh.vertices.size() || face.b >= mesh.vertices.size() ||
                face.c >= mesh.vertices.size())
                return fail(error, what + "a face corner lies beyond the vertex list");
            if (face.material < -1 || face.material >= int(materials.size()))
                return fail(error, what + "a face names a material that does not exist");
        }
        // The reader copies a vertex for every further smoothing mask that meets at it.
        ModelMesh split;
        split.SetVertexCount(uint32_t(mesh.vertices.size()));
        split.SetFaceCount(uint32_t(mesh.faces.size()));
        for (uint32_t f = 0; f < mesh.faces.size(); ++f) {
            ModelFace face;
            face.a = mesh.faces[f].a;
            face.b = mesh.faces[f].b;
            face.c = mesh.faces[f].c;
            face.smoothing = mesh.faces[f].smoothing;
            split.SetFace(face, f);
        }
        if (!split.ComputeNormals(true) || split.VertexCount() > maxListCount)
            return fail(error, what + "more than 65535 vertices after smoothing-group splitting");
    }
    return true;
}

std::vector<uint8_t> Writer3DS::bytes() const
{
    ChunkWriter3DS out;
    out.begin(0x4D4D);
    out.begin(0x0002); // file version, which other tools expect first
    out.u32(3);
    out.end();
    out.begin(0x3D3D);

    for (const MaterialInput& material : materials) {
        out.begin(0xAFFF);
        out.begin(0xA000);
        out.name(material.name);
        out.end();
        const uint16_t colorIds[3] = {0xA010, 0xA020, 0xA030};
        const ModelColor* colors[3] = {&material.ambient, &material.diffuse, &material.specular};
        for (int i = 0; i < 3; ++i) {
            out.begin(colorIds[i]);
            out.colorFloatChunk(*colors[i]);
            // Byte colours too, for tools that read only those; the reader takes the first.
            out.colorBytesChunk(toByte(colors[i]->r), toByte(colors[i]->g), toByte(colors[i]->b));
            out.end();
        }
        out.begin(0xA040);
        out.percentFloatChunk(material.shininess);
        out.end();
        out.begin(0xA050);
        out.percentFloatChunk(material.transparency);
        out.end();
        if (material.shading != defaultShading) {
            out.begin(0xA100);
            out.u16(uint16_t(material.shading));
            out.end();
        }
        const MapInput& map = material.textureMap1;
        if (!map.fileName.empty()) {
            out.begin(0xA200);
            out.percentIntChunk(int16_t(map.strengthPercent));
            out.begin(0xA300);
            out.name(map.fileName);
            out.end();
            const std::pair<uint16_t, float> values[4] = {
                {0xA354, map.uScale}, {0xA356, map.vScale}, {0xA358, map.uOffset}, {0xA35A, map.vOffset}};
            for (const auto& [id, value] : values) {
                out.begin(id);
                out.f32(value);
                out.end();
            }
            out.end();
        }
        if (material.hasReflectionMap) {
            out.begin(0xA220);
            out.percentIntChunk(int16_t(material.reflectionPercent));
            out.begin(0xA300);
            out.name(material.reflectionMapName);
            out.end();
            out.end();
        }
        out.end();
    }

    for (const MeshBuilder& mesh : meshes) {
        out.begin(0x4000);
        out.name(mesh.name);
        out.begin(0x4100);

        out.begin(0x4110);
        out.u16(uint16_t(mesh.vertices.size()));
        for (const Vec3& p : mesh.vertices) {
            out.f32(p.x);
            out.f32(p.y);
            out.f32(p.z);
        }
        out.end();

        if (!mesh.uv.empty()) {
            out.begin(0x4140);
            out.u16(uint16_t(mesh.uv.size()));
            for (const Vec2& t : mesh.uv) {
                out.f32(t.u);
                out.f32(t.v);
            }
            out.end();
        }

        out.begin(0x4160); // identity local axes
        const float axes[12] = {1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0};
        for (float f : axes)
            out.f32(f);
        out.end();

        out.begin(0x4120);
        out.u16(uint16_t(mesh.faces.size()));
        for (const FaceInput& face : mesh.faces) {
            out.u16(face.a);
            out.u16(face.b);
            out.u16(face.c);
            out.u16(0x0007); // all three edges visible
        }
        for (size_t m = 0; m < materials.size(); ++m) {
            std::vector<uint16_t> listed;
            for (size_t f = 0; f < mesh.faces.size(); ++f)
                if (mesh.faces[f].material == int(m))
                    listed.push_back(uint16_t(f));
            if (listed.empty())
                continue;
            out.begin(0x4130);
            out.name(materials[m].name);
            out.u16(uint16_t(listed.size()));
            for (uint16_t f : listed)
                out.u16(f);
            out.end();
        }
        out.begin(0x4150);
        for (const FaceInput& face : mesh.faces)
            out.u32(face.smoothing);
        out.end();
        out.end(); // 0x4120

        out.end(); // 0x4100
        out.end(); // 0x4000
    }

    out.end(); // 0x3D3D
    out.end(); // 0x4D4D
    return out.bytes();
}

bool Writer3DS::writeFile(const std::string& path, std::string* error) const
{
    if (!validate(error))
        return false;
    const std::vector<uint8_t> data = bytes();
    std::unique_ptr<FILE, int (*)(FILE*)> file(os::openFile(path.c_str(), "wb"), std::fclose);
    if (!file)
        return fail(error, "cannot create " + path);
    if (std::fwrite(data.data(), 1, data.size(), file.get()) != data.size())
        return fail(error, "cannot write " + path);
    if (std::fclose(file.release()) != 0)
        return fail(error, "cannot write " + path);
    return true;
}
