// NObject::load3DS: one 3DS file into the meshes of a scene object.
//
// The reading itself is L3DS's; this only copies its scene model into the object, one Mesh per
// 3DS mesh, triangle by triangle, with the texture of each mesh's first material group. Every
// material's texture map 1 is loaded once, as a JPEG from ./data/, whatever its extension.
// Positions are the file's (after the reader's smoothing-group split); nothing is scaled,
// centred or transformed here.
#include "geometry/nobject.h"

#include "app/log.h"
#include "assets/l3ds.h"
#include "platform/os.h"

#include <cstdio>
#include <cstring>
#include <memory>

bool NObject::load3DS(const char* path)
{
    // The reader holds the whole scene model; it goes before this returns.
    auto reader = std::make_unique<L3DS>();
    if (logger)
        logger->printItem("Object::load3DS() -- file: %s", path);
    if (!reader->LoadFile(path)) {
        if (logger) {
            logger->messageBox("Loading %s in Object failed", path);
        } else {
            char text[1024];
            std::snprintf(text, sizeof text, "Loading %s in Object failed", path);
            os::messageBox(text, "", os::MB_OK | os::MB_ICONINFORMATION);
        }
        return false;
    }

    // Texture coordinates go to the meshes exactly when the file has materials, mapped or not.
    const bool hasTexCoords = reader->MaterialCount() > 0;
    if (hasTexCoords && logger)
        logger->print("Has texture coords");
    for (uint32_t nr = 0; nr < reader->MaterialCount(); ++nr) {
        const ModelMaterial& material = reader->GetMaterial(nr);
        const char* fileName = material.GetTextureMap1().fileName;
        if (logger) {
            logger->print("Material nr: %d Name: %s", int(nr), material.GetName().c_str());
            logger->print("Texture name: %s", fileName);
        }
        // A one-character name is the exporters' placeholder for "no picture".
        if (std::strlen(fileName) > 1) {
            char picturePath[ModelMap::fileNameCapacity + 16];
            std::snprintf(picturePath, sizeof picturePath, "./data/%s", fileName);
            GLuint texture = 0; // stays 0, no texture, when the picture fails to load
            utility.loadJPGTexture(picturePath, &texture);
            materialTextures[int(material.GetId())] = texture;
        }
    }

    for (uint32_t m = 0; m < reader->MeshCount(); ++m) {
        const ModelMesh& source = reader->GetMesh(m);
        meshes.push_back(std::make_unique<Mesh>());
        Mesh& mesh = *meshes.back();
        if (source.MaterialCount() > 0) {
            const auto entry = materialTextures.find(int(source.GetMaterial(0)));
            if (entry != materialTextures.end() && entry->second != 0)
                mesh.setTexture(entry->second);
        }
        for (uint32_t k = 0; k < source.FaceCount(); ++k) {
            const ModelTriangle triangle = source.GetTriangle(k);
            Vec3 corners[3], normals[3], texCoords[3];
            for (int c = 0; c < 3; ++c) {
                const Vec4& v = triangle.vertices[c];
                corners[c] = Vec3(v.x, v.y, v.z);
                normals[c] = triangle.vertexNormals[c];
                texCoords[c] = Vec3(triangle.textureCoords[c].u, triangle.textureCoords[c].v, 0);
            }
            mesh.addFace(corners);
            mesh.setVertexNormals(normals);
            mesh.setFaceNormal(triangle.faceNormal);
            if (hasTexCoords)
                mesh.setTexCoords(texCoords);
        }
    }
    return true;
}
