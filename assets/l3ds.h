// L3DS: reads one 3DS file into the scene model it inherits from ModelImporter.
//
// The whole file is read into memory with one read; everything after that walks the chunk
// tree in that block with bounds-checked little-endian reads, so a truncated or corrupt file
// produces zero values or a refused load, never a read outside the block. Only what the
// program uses is taken: material colours, percentages, shading and maps, mesh vertices,
// faces, face-material groups, smoothing groups, mapping coordinates and local axes, and
// lights. Cameras, keyframer data and every other chunk are passed over. All materials are
// read before any named object, so face-material groups can always find theirs.
//
// The chunk lengths in a file are trusted only as far as they keep the walk moving forwards
// inside its parent: a chunk shorter than its own header, or one that ends beyond its parent,
// ends the walk of that parent.
//
// Errors go to ReportError, which the program leaves silent (callers see only the false
// result); the last text is kept for tests and tools.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "assets/model3ds.h"

struct ChunkHeader {
    uint16_t id = 0;
    uint32_t start = 0; // first data byte: header position + 6
    uint32_t end = 0;   // just past the chunk: header position + length
};

class L3DS : public ModelImporter {
public:
    L3DS();

    // Reads the file (through os::openFile) and fills the scene model, emptied first. True
    // when the file has a 3DS main chunk with an editor chunk in it.
    bool LoadFile(const char* filename) override;
    // The same for a file already in memory.
    bool LoadFromMemory(const uint8_t* bytes, size_t byteCount);

    // The text last handed to ReportError, empty when there was none since the last load.
    const std::string& LastError() const { return lastError; }

protected:
    // Silent in the program: the text is only kept in lastError.
    virtual void ReportError(const char* message);

    bool Read3DS();
    void ReadMaterial(const ChunkHeader& chunk);
    void ReadFaceList(const ChunkHeader& chunk, ModelMesh& mesh);
    ModelColor ReadColor(const ChunkHeader& chunk);
    float ReadPercentage(const ChunkHeader& chunk);
    void ReadMeshChunk(const ChunkHeader& chunk);
    void ReadLightChunk(const ChunkHeader& chunk);
    void ReadMapChunk(const ChunkHeader& chunk, ModelMap& map);

    // Chunk navigation.
    ChunkHeader ReadChunkHeader();
    // The next sub-chunk of parent at the current position, when a whole valid header is there
    // and the chunk lies within parent; false ends the walk of parent.
    bool ReadSubChunk(const ChunkHeader& parent, ChunkHeader& chunk);
    // The first sub-chunk of a property chunk; one with id 0 and no data when there is none.
    ChunkHeader ReadFirstSubChunk(const ChunkHeader& parent);
    // Finds the next chunk with target.id inside parent; fills target's start and end.
    bool SeekChunk(ChunkHeader& target, const ChunkHeader& parent);
    void EnterChunk(const ChunkHeader& chunk) { Seek(chunk.start, SeekOrigin::start); }
    void LeaveChunk(const ChunkHeader& chunk) { Seek(chunk.end, SeekOrigin::start); }

    // Primitive reads at position: past the end of the buffer they return zero and leave the
    // position where it is.
    uint8_t ReadU8();
    uint16_t ReadU16();
    int16_t ReadI16() { return int16_t(ReadU16()); }
    uint32_t ReadU32();
    float ReadF32();
    // Stores at most capacity - 1 characters and a terminating zero; returns how many were
    // stored. The rest of a longer name is skipped up to its terminating zero.
    uint32_t ReadName(char* name, uint32_t capacity);

    enum class SeekOrigin { start, current };
    // Sets or advances position, then clamps it to the buffer's size.
    void Seek(int64_t offset, SeekOrigin origin);
    uint32_t Tell() const { return position; }
    // Bytes left to read. Once fewer than a value's size remain, every further read of it yields
    // zero, so a long list can stop reading there and fill its remainder with zeros.
    uint32_t Remaining() const { return buffer && position < size ? size - position : 0; }

    static constexpr uint32_t objectNameCapacity = 100;
    char objectName[objectNameCapacity] = {}; // the named object being read

private:
    bool ReadBytes(void* out, uint32_t byteCount);

    const uint8_t* buffer = nullptr; // the file, only while a load runs
    uint32_t size = 0;
    uint32_t position = 0;
    std::string lastError;
};
