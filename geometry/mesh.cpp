// Mesh drawing in the ten shade types; see mesh.h.
#include "geometry/mesh.h"

#include "app/log.h"
#include "geometry/random.h"
#include "platform/os.h"
#include "world/gl_scope.h"
#include "world/world.h"

#include <cstdio>

float radialFinLength = 0.1f;

namespace {

// Shadow sides reach a hundred times each corner's distance from the light: far enough to leave
// every scene, and unnormalised on purpose, so the far end recedes with distance.
constexpr double shadowExtrusion = 100.0;

void showMessage(const char* text)
{
    if (logger)
        logger->messageBox("%s", text);
    else
        os::messageBox(text, "", os::MB_OK | os::MB_ICONINFORMATION);
}

// The multitexture entry points are fetched once by the world; on a driver without them the
// extra units are simply not used, and unit 0 takes plain texture coordinates.
void selectUnit(GLenum unit)
{
    if (arb::glActiveTextureARB)
        arb::glActiveTextureARB(unit);
}

void unitTexCoord(GLenum unit, float s, float t)
{
    if (arb::glMultiTexCoord2fARB)
        arb::glMultiTexCoord2fARB(unit, s, t);
    else if (unit == GL_TEXTURE0_ARB)
        glTexCoord2f(s, t);
}

void enableTextureOn(GLenum unit, GLuint texture)
{
    selectUnit(unit);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture);
}

void invertColoursIfNegative()
{
    if (negativeMode && world)
        world->setInvertedCombine();
}

// The light-map coordinates of a point: unit A spans 2r around the light in x and y, unit B
// attenuates along z.
struct LightMapCoords {
    float as, at, bs, bt;
};

LightMapCoords lightMapCoords(const Vec3& p, const Vec3& light, float radius)
{
    return {(p.x - light.x) / radius + 0.5f, (p.y - light.y) / radius + 0.5f,
            (p.z - light.z) / radius + 0.5f, 0.5f};
}

Vec3 shadowFar(const Vec3& p, const Vec3& light) { return p + (p - light) * shadowExtrusion; }

Vec3 finFar(const Vec3& p, const Vec3& light)
{
    const Vec3 away = p - light;
    return p + away * (double(radialFinLength) / away.length());
}

// Makes the unit active and returns it to plain modulated texturing without coordinate
// generation or a texture transform.
void resetUnit(GLenum unit)
{
    selectUnit(unit);
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);
    glDisable(GL_TEXTURE_GEN_R);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
}

} // namespace

Face::Face()
{
    for (int i = 0; i < 16; ++i)
        tangentMatrix[i] = (i % 5 == 0) ? 1.0f : 0.0f;
    tangentMatrix[5] = -1.0f; // the normal maps' t axis runs against the texture's
}

void Face::updateFacing()
{
    lit = light && (*light - vertices[0]).dot(faceNormal) > 0;
}

Mesh::Mesh()
{
    if (logger)
        logger->printObject("Mesh Object.");
}

void Mesh::addFace(const Vec3 v[3])
{
    auto face = std::make_unique<Face>();
    for (int k = 0; k < 3; ++k)
        face->vertices[k] = v[k];
    faceList.push_back(std::move(face));
}

void Mesh::setFaceNormal(const Vec3& n)
{
    if (!faceList.empty())
        faceList.back()->faceNormal = n;
}

void Mesh::setVertexNormals(const Vec3 n[3])
{
    if (!faceList.empty())
        for (int k = 0; k < 3; ++k)
            faceList.back()->vertexNormals[k] = n[k];
}

void Mesh::setTexCoords(const Vec3 t[3])
{
    if (!faceList.empty())
        for (int k = 0; k < 3; ++k)
            faceList.back()->texCoords[k] = t[k];
}

void Mesh::scale(float s)
{
    for (auto& face : faceList)
        for (Vec3& v : face->vertices)
            v *= s;
}

void Mesh::setLightRadius(float r)
{
    for (auto& face : faceList)
        face->lightRadius = r;
}

void Mesh::render(int type)
{
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    const GLenum primitive = altListCompile ? GL_LINE_STRIP : GL_TRIANGLES;

    switch (type) {
    case shadeDisplayList: callDisplayList(); break;
    case shadeFlat: renderFlat(primitive); break;
    case shadeSmooth: renderSmooth(primitive); break;
    case shadeEnvironmentMap: renderEnvironment(primitive); break;
    case shadeLightMap:
        if (stencilWindowMode)
            return; // no light spots inside the stencil window
        renderLightMap();
        break;
    case shadeRadialLight: renderRadialLight(); break;
    case shadeTextured: renderTextured(primitive); break;
    case shadeShadowVolume:
        if (stencilWindowMode)
            return; // the stencil window owns the stencil buffer
        renderShadowVolume();
        break;
    case shadeRadial: renderRadial(); break;
    case shadeBumpMap: renderBumpMap(); break;
    default: {
        char text[64];
        std::snprintf(text, sizeof text, "No such shade type: %d", type);
        showMessage(text);
        return;
    }
    }
    if (negativeMode && world)
        world->setNormalCombine();
}

void Mesh::renderFlat(GLenum primitive)
{
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glBegin(primitive);
    for (const auto& face : faceList) {
        glNormal3fv(&face->faceNormal.x);
        for (const Vec3& v : face->vertices)
            glVertex3fv(&v.x);
    }
    glEnd();
}

void Mesh::renderSmooth(GLenum primitive)
{
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glBegin(primitive);
    for (const auto& face : faceList)
        for (int k = 0; k < 3; ++k) {
            glNormal3fv(&face->vertexNormals[k].x);
            glVertex3fv(&face->vertices[k].x);
        }
    glEnd();
}

void Mesh::renderEnvironment(GLenum primitive)
{
    glDisable(GL_LIGHTING);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_TEXTURE_GEN_S);
    glEnable(GL_TEXTURE_GEN_T);
    // The sphere-map generation mode was set when the environment texture was made.
    glBindTexture(GL_TEXTURE_2D, environmentTexture);
    invertColoursIfNegative();
    glBegin(primitive);
    for (const auto& face : faceList)
        for (int k = 0; k < 3; ++k) {
            glNormal3fv(&face->vertexNormals[k].x);
            glVertex3fv(&face->vertices[k].x);
        }
    glEnd();
}

void Mesh::renderLightMap()
{
    glDisable(GL_LIGHTING);
    glEnable(GL_BLEND);
    glDepthMask(GL_FALSE);
    glBlendFunc(GL_DST_COLOR, GL_ZERO); // multiplies what is already drawn
    enableTextureOn(GL_TEXTURE0_ARB, lightTextureA);
    enableTextureOn(GL_TEXTURE1_ARB, lightTextureB);
    glBegin(GL_TRIANGLES);
    for (const auto& face : faceList) {
        if (!face->light)
            continue;
        for (const Vec3& v : face->vertices) {
            const LightMapCoords c = lightMapCoords(v, *face->light, face->lightRadius);
            unitTexCoord(GL_TEXTURE1_ARB, c.bs, c.bt);
            unitTexCoord(GL_TEXTURE0_ARB, c.as, c.at);
            glVertex3fv(&v.x);
        }
    }
    glEnd();
}

void Mesh::renderRadialLight()
{
    glDisable(GL_LIGHTING);
    glDisable(GL_CULL_FACE);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    enableTextureOn(GL_TEXTURE0_ARB, radialTexture);
    enableTextureOn(GL_TEXTURE1_ARB, lightTextureA);
    enableTextureOn(GL_TEXTURE2_ARB, lightTextureB);
    glDepthMask(GL_FALSE);
    glBegin(GL_QUADS);
    for (const auto& face : faceList) {
        if (!face->lit || !face->light)
            continue;
        // One sideways offset per face makes the fins flicker.
        const float u = float(crt::rand() % 100) * 0.01f;
        const Vec3 light = *face->light;
        const float radius = face->lightRadius;
        auto corner = [&](const Vec3& p, float s, float t) {
            const LightMapCoords c = lightMapCoords(p, light, radius);
            unitTexCoord(GL_TEXTURE0_ARB, s, t);
            unitTexCoord(GL_TEXTURE1_ARB, c.bs, c.bt);
            unitTexCoord(GL_TEXTURE2_ARB, c.as, c.at);
            glVertex3fv(&p.x);
        };
        for (int k = 0; k < 3; ++k) {
            if (!face->isSilhouetteEdge(k))
                continue;
            const Vec3& a = face->vertices[k];
            const Vec3& b = face->vertices[(k + 1) % 3];
            corner(a, u, 0);
            corner(b, u + 1, 0);
            corner(finFar(b, light), u + 1, 1);
            corner(finFar(a, light), u, 1);
        }
    }
    glEnd();
    glDepthMask(GL_TRUE);
    selectUnit(GL_TEXTURE0_ARB);
    glDisable(GL_TEXTURE_2D);
    selectUnit(GL_TEXTURE1_ARB);
    glDisable(GL_TEXTURE_2D);
    selectUnit(GL_TEXTURE2_ARB);
    glDisable(GL_TEXTURE_2D);
}

void Mesh::renderTextured(GLenum primitive)
{
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture);
    invertColoursIfNegative();
    glBegin(primitive);
    for (const auto& face : faceList)
        for (int k = 0; k < 3; ++k) {
            glTexCoord2fv(&face->texCoords[k].x);
            glNormal3fv(&face->vertexNormals[k].x);
            glVertex3fv(&face->vertices[k].x);
        }
    glEnd();
}

// Depth-pass stencil volume: front-facing sides count up, back-facing sides count down, so the
// pixels left non-zero are those whose drawn surface lies inside the volume. No caps: the viewer
// is never inside a shadow. The world's shadow pass darkens the marked pixels later.
void Mesh::renderShadowVolume()
{
    glCullFace(GL_BACK);
    glEnable(GL_CULL_FACE);
    glDisable(GL_LIGHTING);
    glDepthMask(GL_FALSE);
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_STENCIL_TEST);
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    glStencilFunc(GL_ALWAYS, 1, 0xFFFFFFFF);

    glFrontFace(GL_CCW);
    glStencilOp(GL_KEEP, GL_KEEP, GL_INCR);
    drawShadowSides();
    glFrontFace(GL_CW);
    glStencilOp(GL_KEEP, GL_KEEP, GL_DECR);
    drawShadowSides();

    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
}

void Mesh::drawShadowSides()
{
    for (const auto& face : faceList) {
        if (!face->lit || !face->light)
            continue;
        const Vec3& light = *face->light;
        for (int k = 0; k < 3; ++k) {
            if (!face->isSilhouetteEdge(k))
                continue;
            const Vec3& a = face->vertices[k];
            const Vec3& b = face->vertices[(k + 1) % 3];
            const Vec3 farA = shadowFar(a, light);
            const Vec3 farB = shadowFar(b, light);
            glBegin(GL_TRIANGLE_STRIP);
            glVertex3fv(&a.x);
            glVertex3fv(&farA.x);
            glVertex3fv(&b.x);
            glVertex3fv(&farB.x);
            glEnd();
        }
    }
}

void Mesh::renderRadial()
{
    glDisable(GL_CULL_FACE);
    glDisable(GL_LIGHTING);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, radialTexture);
    invertColoursIfNegative();
    // A new sideways texture offset on every call makes the fins flicker.
    glMatrixMode(GL_TEXTURE);
    glPushMatrix();
    glTranslatef(float(crt::rand() % 100) * 0.01f, 0, 0);
    glMatrixMode(GL_MODELVIEW);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glColor4f(1, 1, 1, 0.1f);
    glDepthMask(GL_FALSE);
    glBegin(GL_QUADS);
    for (const auto& face : faceList) {
        if (!face->lit || !face->light)
            continue;
        const Vec3& light = *face->light;
        for (int k = 0; k < 3; ++k) {
            if (!face->isSilhouetteEdge(k))
                continue;
            const Vec3& a = face->vertices[k];
            const Vec3& b = face->vertices[(k + 1) % 3];
            const Vec3 farA = finFar(a, light);
            const Vec3 farB = finFar(b, light);
            glTexCoord2f(0, 0);
            glVertex3fv(&a.x);
            glTexCoord2f(1, 0);
            glVertex3fv(&b.x);
            glTexCoord2f(1, 1);
            glVertex3fv(&farB.x);
            glTexCoord2f(0, 1);
            glVertex3fv(&farA.x);
        }
    }
    glEnd();
    glDepthMask(GL_TRUE);
    glMatrixMode(GL_TEXTURE);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
}

// DOT3 bump mapping: unit 0 dots the normal map with the light vector carried in the primary
// colour (packed into 0..1), unit 1 modulates the result with the base texture.
void Mesh::renderBumpMap()
{
    AttribScope attributes;
    MatrixScope matrix;
    glDisable(GL_LIGHTING);
    resetUnit(GL_TEXTURE0_ARB);
    selectUnit(GL_TEXTURE1_ARB);
    glEnable(GL_TEXTURE_2D);
    resetUnit(GL_TEXTURE1_ARB);
    resetUnit(GL_TEXTURE2_ARB);

    enableTextureOn(GL_TEXTURE0_ARB, bumpTexture);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE_ARB);
    glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB_ARB, GL_DOT3_RGB_ARB);
    glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_RGB_ARB, GL_TEXTURE);
    glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND0_RGB_ARB, GL_SRC_COLOR);
    glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE1_RGB_ARB, GL_PRIMARY_COLOR_ARB);
    glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND1_RGB_ARB, GL_SRC_COLOR);

    enableTextureOn(GL_TEXTURE1_ARB, texture);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE_ARB);
    glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB_ARB, GL_MODULATE);
    glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_RGB_ARB, GL_PREVIOUS_ARB);
    glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND0_RGB_ARB, GL_SRC_COLOR);
    glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE1_RGB_ARB, GL_TEXTURE);
    glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND1_RGB_ARB, GL_SRC_COLOR);

    for (const auto& face : faceList) {
        if (!face->light)
            continue;
        glBegin(GL_TRIANGLES);
        for (int k = 0; k < 3; ++k) {
            const Vec3 toLight = (*face->light - face->vertices[k]).normalized();
            const Vec3 packed = (toLight.rotateByMatrix(face->tangentMatrix) * 0.5).addToAll(0.5);
            const Vec3& t = face->texCoords[k];
            unitTexCoord(GL_TEXTURE0_ARB, t.x, t.y);
            unitTexCoord(GL_TEXTURE1_ARB, t.x, t.y);
            glColor3fv(&packed.x);
            glNormal3fv(&face->vertexNormals[k].x);
            glVertex3fv(&face->vertices[k].x);
        }
        glEnd();
    }
    resetUnit(GL_TEXTURE1_ARB);
    resetUnit(GL_TEXTURE0_ARB);
}

void Mesh::buildDisplayLists(int type)
{
    displayList = glGenLists(1);
    alternateDisplayList = glGenLists(1);
    glNewList(displayList, GL_COMPILE);
    render(type);
    glEndList();

    altListCompile = true;
    negativeMode = true;
    glNewList(alternateDisplayList, GL_COMPILE);
    render(type);
    glEndList();
    altListCompile = false;
    negativeMode = false;
}

void Mesh::callDisplayList() { glCallList(stencilWindowMode ? alternateDisplayList : displayList); }
