// Fuzz target for the 3DS reader: any bytes must give a clean true or false, and whatever is
// loaded must be safe to walk: corners inside the vertex list, triangles assemblable.
#include "assets/l3ds.h"
#include "tests/fuzz/fuzz_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    static FuzzFile file;
    L3DS reader;
    if (!reader.LoadFile(file.write(bytes, size)))
        return 0;
    float sum = 0.0f;
    for (uint32_t m = 0; m < reader.MeshCount(); ++m) {
        const ModelMesh& mesh = reader.GetMesh(m);
        for (uint32_t f = 0; f < mesh.FaceCount(); ++f) {
            for (uint16_t corner : mesh.GetTriangleIndices(f))
                if (corner >= mesh.VertexCount())
                    __builtin_trap();
            const ModelTriangle triangle = mesh.GetTriangle(f);
            sum += triangle.vertices[0].x + triangle.vertexNormals[1].y + triangle.textureCoords[2].u;
            if (triangle.materialId != 0 && triangle.materialId >= reader.MaterialCount())
                __builtin_trap();
        }
    }
    volatile float sink = sum;
    (void)sink;
    return 0;
}
