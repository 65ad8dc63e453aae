// The 3DS chunk walk. See l3ds.h for what is read and how damaged files are treated.
#include "assets/l3ds.h"

#include <cstdio>
#include <cstring>
#include <limits>
#include <utility>

#include "platform/files.h"

namespace {

// Chunk identifiers.
constexpr uint16_t mainChunk = 0x4D4D;
constexpr uint16_t editorChunk = 0x3D3D;
constexpr uint16_t materialChunk = 0xAFFF;
constexpr uint16_t namedObjectChunk = 0x4000;
constexpr uint16_t meshChunk = 0x4100;
constexpr uint16_t vertexListChunk = 0x4110;
constexpr uint16_t faceListChunk = 0x4120;
constexpr uint16_t faceMaterialChunk = 0x4130;
constexpr uint16_t mappingCoordsChunk = 0x4140;
constexpr uint16_t smoothingChunk = 0x4150;
constexpr uint16_t localAxesChunk = 0x4160;
constexpr uint16_t lightChunk = 0x4600;
constexpr uint16_t spotlightChunk = 0x4610;
constexpr uint16_t materialNameChunk = 0xA000;
constexpr uint16_t ambientChunk = 0xA010;
constexpr uint16_t diffuseChunk = 0xA020;
constexpr uint16_t specularChunk = 0xA030;
constexpr uint16_t shininessChunk = 0xA040;
constexpr uint16_t transparencyChunk = 0xA050;
constexpr uint16_t wireFrameChunk = 0xA085;
constexpr uint16_t shadingChunk = 0xA100;
constexpr uint16_t textureMap1Chunk = 0xA200;
constexpr uint16_t specularMapChunk = 0xA204;
constexpr uint16_t opacityMapChunk = 0xA210;
constexpr uint16_t reflectionMapChunk = 0xA220;
constexpr uint16_t bumpMapChunk = 0xA230;
constexpr uint16_t textureMap2Chunk = 0xA33A;
constexpr uint16_t mapFileNameChunk = 0xA300;
constexpr uint16_t mapUScaleChunk = 0xA354;
constexpr uint16_t mapVScaleChunk = 0xA356;
constexpr uint16_t mapUOffsetChunk = 0xA358;
constexpr uint16_t mapVOffsetChunk = 0xA35A;
constexpr uint16_t mapRotationChunk = 0xA35C;
constexpr uint16_t colorFloatChunk = 0x0010;
constexpr uint16_t colorBytesChunk = 0x0011;
constexpr uint16_t colorBytesGammaChunk = 0x0012;
constexpr uint16_t colorFloatGammaChunk = 0x0013;
constexpr uint16_t percentIntChunk = 0x0030;
constexpr uint16_t percentFloatChunk = 0x0031;

constexpr uint32_t headerSize = 6;

// Name capacities, terminating zero included.
constexpr uint32_t objectNameRead = 99;   // 98 characters
constexpr uint32_t materialNameRead = 30; // 29 characters
constexpr uint32_t groupNameRead = 20;    // 19 characters
constexpr uint32_t mapFileNameRead = 20;  // 19 characters
constexpr uint32_t reflectionNameRead = 30;

constexpr float byteToUnit = 0.003921569f; // nearest float to 1/255
constexpr float percentToUnit = 0.01f;

constexpr int32_t highestShading = 4;

} // namespace

L3DS::L3DS() = default;

void L3DS::ReportError(const char* message)
{
    lastError = message;
}

bool L3DS::LoadFile(const char* filename)
{
    lastError.clear();
    FILE* file = filename ? os::openFile(filename, "rb") : nullptr;
    if (!file) {
        ReportError("L3DS::LoadFile - cannot open file");
        return false;
    }
    long fileSize = -1;
    if (std::fseek(file, 0, SEEK_END) == 0)
        fileSize = std::ftell(file);
    std::rewind(file);
    // Positions are 32-bit; a longer file cannot be walked.
    if (fileSize < 0 || uint64_t(fileSize) > std::numeric_limits<uint32_t>::max()) {
        std::fclose(file);
        ReportError("L3DS::LoadFile - not enough memory (malloc failed)");
        return false;
    }
    std::vector<uint8_t> block(static_cast<size_t>(fileSize));
    const bool readAll =
        fileSize > 0 && std::fread(block.data(), 1, block.size(), file) == block.size();
    std::fclose(file);
    if (!readAll) {
        ReportError("L3DS::LoadFile - error reading from file");
        return false;
    }
    return LoadFromMemory(block.data(), block.size());
}

bool L3DS::LoadFromMemory(const uint8_t* bytes, size_t byteCount)
{
    lastError.clear();
    if (!bytes || byteCount == 0 || byteCount > std::numeric_limits<uint32_t>::max()) {
        ReportError("L3DS::LoadFile - error reading from file");
        return false;
    }
    Clear();
    buffer = bytes;
    size = uint32_t(byteCount);
    position = 0;
    const bool result = Read3DS();
    buffer = nullptr;
    size = 0;
    position = 0;
    return result;
}

bool L3DS::ReadBytes(void* out, uint32_t byteCount)
{
    if (!buffer || size == 0 || uint64_t(position) + byteCount > size)
        return false;
    std::memcpy(out, buffer + position, byteCount);
    position += byteCount;
    return true;
}

uint8_t L3DS::ReadU8()
{
    uint8_t value = 0;
    return ReadBytes(&value, 1) ? value : 0;
}

uint16_t L3DS::ReadU16()
{
    uint8_t bytes[2];
    if (!ReadBytes(bytes, 2))
        return 0;
    return uint16_t(bytes[0] | bytes[1] << 8);
}

uint32_t L3DS::ReadU32()
{
    uint8_t bytes[4];
    if (!ReadBytes(bytes, 4))
        return 0;
    return uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 |
           uint32_t(bytes[3]) << 24;
}

float L3DS::ReadF32()
{
    const uint32_t bits = ReadU32();
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

uint32_t L3DS::ReadName(char* name, uint32_t capacity)
{
    if (capacity == 0)
        return 0;
    uint32_t stored = 0;
    name[0] = '\0';
    if (position >= size)
        return 0;
    // A name longer than the capacity is cut, and its remainder skipped so the walk carries on
    // at the data after it.
    bool ended = false;
    while (position < size) {
        const char c = char(ReadU8());
        if (c == '\0') {
            ended = true;
            break;
        }
        if (stored + 1 >= capacity)
            break;
        name[stored++] = c;
    }
    name[stored] = '\0';
    while (!ended && position < size)
        ended = ReadU8() == 0;
    return stored;
}

void L3DS::Seek(int64_t offset, SeekOrigin origin)
{
    int64_t target = origin == SeekOrigin::start ? offset : int64_t(position) + offset;
    if (target < 0)
        target = 0;
    position = target > int64_t(size) ? size : uint32_t(target);
}

ChunkHeader L3DS::ReadChunkHeader()
{
    ChunkHeader chunk;
    chunk.id = ReadU16();
    const uint32_t length = ReadU32();
    chunk.start = position;
    // A length below 6 puts the end before the start; ReadSubChunk refuses such a chunk.
    const int64_t end = int64_t(position) + int64_t(length) - int64_t(headerSize);
    chunk.end = end > int64_t(std::numeric_limits<uint32_t>::max())
                    ? std::numeric_limits<uint32_t>::max()
                    : uint32_t(end);
    return chunk;
}

bool L3DS::ReadSubChunk(const ChunkHeader& parent, ChunkHeader& chunk)
{
    if (uint64_t(position) + headerSize > parent.end || uint64_t(position) + headerSize > size)
        return false;
    chunk = ReadChunkHeader();
    // A chunk that ends before its own data (length below 6) or beyond its parent ends the
    // walk of the parent: leaving it would go backwards or out of the parent.
    return chunk.end >= chunk.start && chunk.end <= parent.end;
}

ChunkHeader L3DS::ReadFirstSubChunk(const ChunkHeader& parent)
{
    ChunkHeader chunk;
    if (ReadSubChunk(parent, chunk))
        return chunk;
    // No usable sub-chunk: an id that is neither a colour nor a percentage, and no data.
    chunk.id = 0;
    chunk.start = chunk.end = parent.start;
    return chunk;
}

bool L3DS::SeekChunk(ChunkHeader& target, const ChunkHeader& parent)
{
    ChunkHeader chunk;
    while (ReadSubChunk(parent, chunk)) {
        if (chunk.id == target.id) {
            target.start = chunk.start;
            target.end = chunk.end;
            return true;
        }
        LeaveChunk(chunk);
    }
    return false;
}

bool L3DS::Read3DS()
{
    position = 0;
    ChunkHeader main = ReadChunkHeader();
    if (main.id != mainChunk) {
        ReportError("L3DS::Read3DS - wrong file format");
        return false;
    }
    // A truncated file keeps the lengths it claims: what lies past its end reads as zeros.

    ChunkHeader editor;
    editor.id = editorChunk;
    if (!SeekChunk(editor, main))
        return false;

    EnterChunk(editor);
    ChunkHeader material;
    material.id = materialChunk;
    while (SeekChunk(material, editor)) {
        ReadMaterial(material);
        LeaveChunk(material);
    }

    EnterChunk(editor);
    ChunkHeader object;
    object.id = namedObjectChunk;
    while (SeekChunk(object, editor)) {
        ReadName(objectName, objectNameRead);
        // Only the first sub-chunk says what the object is.
        ChunkHeader kind;
        if (ReadSubChunk(object, kind)) {
            if (kind.id == meshChunk)
                ReadMeshChunk(kind);
            else if (kind.id == lightChunk)
                ReadLightChunk(kind);
        }
        LeaveChunk(object);
    }

    for (uint32_t i = 0; i < MeshCount();) {
        ModelMesh& mesh = GetMesh(i);
        if (!mesh.ComputeNormals(true)) {
            ReportError("L3DS::Read3DS - mesh needs more than 65536 vertices after "
                        "smoothing-group splitting");
            RemoveMesh(i);
            continue;
        }
        mesh.ComputeTangents();
        ++i;
    }

    position = 0;
    objectName[0] = '\0';
    return true;
}

void L3DS::ReadMaterial(const ChunkHeader& chunk)
{
    ModelMaterial material;
    EnterChunk(chunk);
    ChunkHeader sub;
    while (ReadSubChunk(chunk, sub)) {
        switch (sub.id) {
        case materialNameChunk: {
            char name[materialNameRead];
            ReadName(name, materialNameRead);
            material.SetName(name);
            break;
        }
        case ambientChunk:
        case diffuseChunk:
        case specularChunk: {
            const ModelColor color = ReadColor(ReadFirstSubChunk(sub));
            if (sub.id == ambientChunk)
                material.SetAmbient(color);
            else if (sub.id == diffuseChunk)
                material.SetDiffuse(color);
            else
                material.SetSpecular(color);
            break;
        }
        case shininessChunk:
        case transparencyChunk: {
            const float percent = ReadPercentage(ReadFirstSubChunk(sub));
            if (sub.id == shininessChunk)
                material.SetShininess(percent);
            else
                material.SetTransparency(percent);
            break;
        }
        case shadingChunk: {
            const uint16_t shading = ReadU16();
            if (shading <= highestShading)
                material.SetShading(shading);
            break;
        }
        case wireFrameChunk:
            material.SetShading(0);
            break;
        case textureMap1Chunk:
            ReadMapChunk(sub, material.GetTextureMap1());
            break;
        case textureMap2Chunk:
            ReadMapChunk(sub, material.GetTextureMap2());
            break;
        case opacityMapChunk:
            ReadMapChunk(sub, material.GetOpacityMap());
            break;
        case bumpMapChunk:
            ReadMapChunk(sub, material.GetBumpMap());
            break;
        case specularMapChunk:
            ReadMapChunk(sub, material.GetSpecularMap());
            break;
        case reflectionMapChunk: {
            ModelMap& map = material.GetReflectionMap();
            const ChunkHeader strength = ReadFirstSubChunk(sub);
            map.strength = ReadPercentage(strength);
            LeaveChunk(strength);
            ChunkHeader nameChunk;
            if (!ReadSubChunk(sub, nameChunk) || nameChunk.id != mapFileNameChunk) {
                ReportError("L3DS::ReadMaterial - error, expected chunk not found");
                return;
            }
            char name[reflectionNameRead];
            ReadName(name, reflectionNameRead);
            map.SetFileName(name[0] ? name : "auto");
            break;
        }
        default:
            break;
        }
        LeaveChunk(sub);
    }
    AddMaterial(material);
}

ModelColor L3DS::ReadColor(const ChunkHeader& chunk)
{
    EnterChunk(chunk);
    ModelColor color;
    switch (chunk.id) {
    case colorFloatChunk:
    case colorFloatGammaChunk:
        color.r = ReadF32();
        color.g = ReadF32();
        color.b = ReadF32();
        break;
    case colorBytesChunk:
    case colorBytesGammaChunk:
        color.r = float(ReadU8()) * byteToUnit;
        color.g = float(ReadU8()) * byteToUnit;
        color.b = float(ReadU8()) * byteToUnit;
        break;
    default:
        ReportError("L3DS::ReadColor - error this is not a color chunk");
        break;
    }
    return color;
}

float L3DS::ReadPercentage(const ChunkHeader& chunk)
{
    EnterChunk(chunk);
    switch (chunk.id) {
    case percentIntChunk:
        return float(ReadI16()) * percentToUnit;
    case percentFloatChunk:
        return ReadF32();
    default:
        ReportError("L3DS::ReadPercentage - error, the chunk is not a percentage chunk");
        return 0.0f;
    }
}

void L3DS::ReadMapChunk(const ChunkHeader& chunk, ModelMap& map)
{
    EnterChunk(chunk);
    ChunkHeader sub;
    while (ReadSubChunk(chunk, sub)) {
        switch (sub.id) {
        case percentIntChunk:
            map.strength = ReadPercentage(sub);
            break;
        case mapFileNameChunk: {
            char name[mapFileNameRead];
            ReadName(name, mapFileNameRead);
            map.SetFileName(name);
            break;
        }
        case mapUScaleChunk:
            map.uScale = ReadF32();
            break;
        case mapVScaleChunk:
            map.vScale = ReadF32();
            break;
        case mapUOffsetChunk:
            map.uOffset = ReadF32();
            break;
        case mapVOffsetChunk:
            map.vOffset = ReadF32();
            break;
        case mapRotationChunk:
            ReadF32();
            break;
        default:
            break;
        }
        LeaveChunk(sub);
    }
}

void L3DS::ReadMeshChunk(const ChunkHeader& chunk)
{
    ModelMesh mesh;
    mesh.SetName(objectName);
    EnterChunk(chunk);
    ChunkHeader sub;
    while (ReadSubChunk(chunk, sub)) {
        switch (sub.id) {
        case vertexListChunk: {
            const uint16_t count = ReadU16();
            mesh.SetVertexCount(count);
            // A list that runs past the end of the file (its count may claim 65,535 vertices
            // in a few bytes) ends in the origin: only read while a value can still be read.
            uint32_t i = 0;
            for (; i < count && Remaining() >= sizeof(float); ++i) {
                Vec4 v;
                v.x = ReadF32();
                v.y = ReadF32();
                v.z = ReadF32();
                v.w = 1.0f;
                mesh.SetVertex(v, i);
            }
            Vec4 origin;
            origin.w = 1.0f;
            for (; i < count; ++i)
                mesh.SetVertex(origin, i);
            break;
        }
        case mappingCoordsChunk: {
            const uint16_t count = ReadU16();
            if (mesh.VertexCount() == 0)
                mesh.SetVertexCount(count);
            uint32_t i = 0;
            for (; i < count && Remaining() >= sizeof(float); ++i) {
                Vec2 t;
                t.u = ReadF32();
                t.v = ReadF32();
                mesh.SetTextureCoord(t, i);
            }
            for (; i < count; ++i)
                mesh.SetTextureCoord(Vec2(), i);
            break;
        }
        case faceListChunk:
            ReadFaceList(sub, mesh);
            break;
        case localAxesChunk: {
            float m[16];
            for (int axis = 0; axis < 4; ++axis) {
                for (int k = 0; k < 3; ++k)
                    m[axis * 4 + k] = ReadF32();
                m[axis * 4 + 3] = axis == 3 ? 1.0f : 0.0f;
            }
            mesh.SetMatrix(m);
            break;
        }
        default:
            break;
        }
        LeaveChunk(sub);
    }
    // Faces may name corners beyond the vertex list (or come before it); only once the whole
    // mesh is known can they be checked. Each surviving face keeps its own mask and material.
    mesh.RemoveFacesOutsideVertices();
    AddMesh(std::move(mesh));
}

void L3DS::ReadFaceList(const ChunkHeader& chunk, ModelMesh& mesh)
{
    if (chunk.id != faceListChunk) {
        ReportError("L3DS::ReadFaceList - internal error: wrong chunk passed as parameter");
        return;
    }
    EnterChunk(chunk);
    const uint16_t count = ReadU16();
    mesh.SetFaceCount(count);
    ModelFace face;
    face.smoothing = 1;
    uint32_t i = 0;
    for (; i < count && Remaining() >= sizeof(uint16_t); ++i) {
        face.a = ReadU16();
        face.b = ReadU16();
        face.c = ReadU16();
        ReadU16(); // edge flags
        mesh.SetFace(face, i);
    }
    // Past the end of the file every corner reads as zero.
    face.a = face.b = face.c = 0;
    for (; i < count; ++i)
        mesh.SetFace(face, i);

    ChunkHeader sub;
    while (ReadSubChunk(chunk, sub)) {
        if (sub.id == faceMaterialChunk) {
            char name[groupNameRead];
            ReadName(name, groupNameRead);
            // A group naming no material of this file is passed over; its faces keep id 0.
            const ModelMaterial* material = FindMaterial(name);
            if (material) {
                const uint32_t id = material->GetId();
                mesh.AddMaterial(id);
                const uint16_t listed = ReadU16();
                for (uint32_t i = 0; i < listed; ++i) {
                    // Past the end of the file every entry reads as face 0.
                    const bool atEnd = Remaining() < sizeof(uint16_t);
                    const uint16_t f = ReadU16();
                    if (f < mesh.FaceCount()) {
                        ModelFace face = mesh.GetFace(f);
                        face.materialId = id;
                        mesh.SetFace(face, f);
                    }
                    if (atEnd)
                        break;
                }
            }
        } else if (sub.id == smoothingChunk) {
            for (uint32_t i = 0; i < mesh.FaceCount(); ++i) {
                ModelFace face = mesh.GetFace(i);
                face.smoothing = ReadU32();
                mesh.SetFace(face, i);
            }
        }
        LeaveChunk(sub);
    }
}

void L3DS::ReadLightChunk(const ChunkHeader& chunk)
{
    ModelLight light;
    light.SetName(objectName);
    EnterChunk(chunk);
    const float x = ReadF32();
    const float y = ReadF32();
    const float z = ReadF32();
    light.SetPosition(Vec3(x, y, z));
    ChunkHeader sub;
    while (ReadSubChunk(chunk, sub)) {
        switch (sub.id) {
        case colorFloatChunk:
        case colorBytesChunk:
        case colorBytesGammaChunk:
        case colorFloatGammaChunk:
            light.SetColor(ReadColor(sub));
            break;
        case spotlightChunk: {
            const float tx = ReadF32();
            const float ty = ReadF32();
            const float tz = ReadF32();
            light.SetSpotlight(true);
            light.SetTarget(Vec3(tx, ty, tz));
            light.SetHotspot(ReadF32());
            light.SetFalloff(ReadF32());
            break;
        }
        default:
            break;
        }
        LeaveChunk(sub);
    }
    AddLight(light);
}
