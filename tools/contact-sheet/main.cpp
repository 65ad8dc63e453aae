// contact-sheet DATA OUT.png: renders every picture and every model of a data folder into one
// labelled grid, so a person can review the whole set at a glance. Pictures are drawn the way
// the full-screen quad shows them (so they appear as they will on screen); every model gets two
// tiles, lit (textured where its file says so) and environment-mapped with ChromeGreen.jpg,
// both through the program's own loaders and NObject::draw. Runs headless.
#include "assets/utility.h"
#include "geometry/mesh.h"
#include "geometry/nobject.h"
#include "platform/files.h"
#include "platform/os.h"
#include "platform/png_writer.h"
#include "tools/datakit/picture_canvas.h"

#include "platform/gl.h"

#include <algorithm>
#include <cfloat>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr int tileSize = 256;
constexpr int labelHeight = 22;
constexpr int gap = 6;
constexpr int columns = 6;

struct Tile {
    std::string label;
    std::vector<uint8_t> rgba; // tileSize x tileSize, bottom row first
};

// The drawn tile, read back from the lower-left corner of the drawing surface.
std::vector<uint8_t> grabTile()
{
    std::vector<uint8_t> rgba(size_t(tileSize) * tileSize * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, tileSize, tileSize, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    return rgba;
}

void clearTile(float grey)
{
    glViewport(0, 0, tileSize, tileSize);
    glClearColor(grey, grey, grey, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
}

// A picture fitted into the tile with its proportions, mapped like the full-screen quad
// (s from right to left, t = 0 at the top), which undoes the loader's row mirroring.
Tile pictureTile(const std::string& name)
{
    clearTile(0.25f);
    GLuint texture = 0;
    const std::string path = "./data/" + name;
    Tile tile{name, {}};
    Utility utility;
    if (!utility.loadJPGTexture(path.c_str(), &texture)) {
        tile.label += " (FAILED)";
        tile.rgba = grabTile();
        return tile;
    }
    GLint width = 1, height = 1;
    glBindTexture(GL_TEXTURE_2D, texture);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
    tile.label += " " + std::to_string(width) + "x" + std::to_string(height);
    const double aspect = double(width) / height;
    const double hx = aspect >= 1 ? 0.95 : 0.95 * aspect, hy = aspect >= 1 ? 0.95 / aspect : 0.95;

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
    glColor3f(1, 1, 1);
    glBegin(GL_QUADS);
    glTexCoord2f(1, 0);
    glVertex2d(-hx, hy);
    glTexCoord2f(1, 1);
    glVertex2d(-hx, -hy);
    glTexCoord2f(0, 1);
    glVertex2d(hx, -hy);
    glTexCoord2f(0, 0);
    glVertex2d(hx, hy);
    glEnd();
    glDisable(GL_TEXTURE_2D);
    tile.rgba = grabTile();
    return tile;
}

struct Bounds {
    float low[3] = {FLT_MAX, FLT_MAX, FLT_MAX};
    float high[3] = {-FLT_MAX, -FLT_MAX, -FLT_MAX};
    int faces = 0;
};

Bounds boundsOf(const NObject& object)
{
    Bounds b;
    for (const auto& mesh : object.meshes)
        for (const auto& face : mesh->faces()) {
            ++b.faces;
            for (const Vec3& v : face->vertices) {
                const float p[3] = {v.x, v.y, v.z};
                for (int k = 0; k < 3; ++k) {
                    b.low[k] = std::min(b.low[k], p[k]);
                    b.high[k] = std::max(b.high[k], p[k]);
                }
            }
        }
    return b;
}

// The model seen from the front and a little above and to the side, framed by its bounds.
void drawModel(NObject& object, const Bounds& b, int shadeType)
{
    float centre[3], radius = 0;
    for (int k = 0; k < 3; ++k) {
        centre[k] = 0.5f * (b.low[k] + b.high[k]);
        radius = std::max(radius, 0.5f * (b.high[k] - b.low[k]));
    }
    radius = std::max(radius, 1e-6f) * 1.25f;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(40.0, 1.0, radius * 0.5, radius * 8.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    const double distance = radius / std::tan(20.0 * 3.14159265 / 180.0) * 1.1;
    gluLookAt(centre[0] + 0.35 * distance, centre[1] + 0.3 * distance, centre[2] + 0.88 * distance,
              centre[0], centre[1], centre[2], 0, 1, 0);
    const GLfloat light[4] = {centre[0] + radius * 3, centre[1] + radius * 4, centre[2] + radius * 5, 1};
    const GLfloat white[4] = {1, 1, 1, 1}, grey[4] = {0.25f, 0.25f, 0.25f, 1}, diffuse[4] = {0.8f, 0.8f, 0.8f, 1};
    glLightfv(GL_LIGHT0, GL_POSITION, light);
    glLightfv(GL_LIGHT0, GL_AMBIENT, grey);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, white);
    glLightfv(GL_LIGHT0, GL_SPECULAR, white);
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, grey);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, diffuse);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, white);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, 30.0f);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);
    glColor3f(1, 1, 1);
    object.draw(shadeType);
    glDisable(GL_LIGHTING);
    glDisable(GL_CULL_FACE);
    glDisable(GL_DEPTH_TEST);
}

void modelTiles(const std::string& name, std::vector<Tile>& tiles)
{
    // An object takes the modelview matrix it is made under as its orientation.
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    NObject object;
    const std::string path = "./data/" + name;
    if (!object.load3DS(path.c_str())) {
        clearTile(0.12f);
        tiles.push_back({name + " (FAILED)", grabTile()});
        return;
    }
    const Bounds b = boundsOf(object);
    char size[96];
    std::snprintf(size, sizeof size, " %.3gx%.3gx%.3g %dt", b.high[0] - b.low[0], b.high[1] - b.low[1],
                  b.high[2] - b.low[2], b.faces);
    const bool textured = !object.materialTextures.empty();
    if (textured)
        object.hasTexture = true; // the loader gave each mesh its material's texture
    clearTile(0.12f);
    drawModel(object, b, textured ? shadeTextured : shadeSmooth);
    tiles.push_back({name + size, grabTile()});

    object.setEnvironmentMap("./data/ChromeGreen.jpg", jpgFileType);
    clearTile(0.12f);
    drawModel(object, b, shadeEnvironmentMap);
    tiles.push_back({name + " chrome", grabTile()});
}

// Lays the tiles out in rows with their labels below them.
bool writeSheet(const std::vector<Tile>& tiles, const std::string& out)
{
    const int rows = (int(tiles.size()) + columns - 1) / columns;
    const int cellW = tileSize + gap, cellH = tileSize + labelHeight + gap;
    const int width = columns * cellW + gap, height = rows * cellH + gap;
    std::vector<uint8_t> sheet(size_t(width) * height * 4, 0);
    for (size_t i = 3; i < sheet.size(); i += 4)
        sheet[i] = 255;
    // The sheet is built top row first and flipped at the end (writePng wants bottom first).
    datakit::Font font("DejaVu Sans:bold");
    for (size_t t = 0; t < tiles.size(); ++t) {
        const int left = gap + int(t % columns) * cellW, top = gap + int(t / columns) * cellH;
        for (int y = 0; y < tileSize; ++y)
            for (int x = 0; x < tileSize; ++x) {
                const uint8_t* source = &tiles[t].rgba[(size_t(tileSize - 1 - y) * tileSize + x) * 4];
                uint8_t* target = &sheet[(size_t(top + y) * width + left + x) * 4];
                std::copy(source, source + 3, target);
            }
        if (!font.ok())
            continue;
        const datakit::TextMask mask = font.render(tiles[t].label, 13);
        for (int y = 0; y < mask.height; ++y)
            for (int x = 0; x < std::min(mask.width, tileSize); ++x) {
                const int sy = top + tileSize + 4 + y;
                if (sy >= height)
                    continue;
                uint8_t* target = &sheet[(size_t(sy) * width + left + x) * 4];
                const uint8_t value = uint8_t(255.0f * std::clamp(mask.at(x, y), 0.0f, 1.0f));
                target[0] = target[1] = target[2] = std::max(target[0], value);
            }
    }
    std::vector<uint8_t> flipped(sheet.size());
    for (int y = 0; y < height; ++y)
        std::copy_n(&sheet[size_t(y) * width * 4], size_t(width) * 4, &flipped[size_t(height - 1 - y) * width * 4]);
    std::string error;
    if (!os::writePng(out, flipped, width, height, error)) {
        std::fprintf(stderr, "contact-sheet: cannot write %s: %s\n", out.c_str(), error.c_str());
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3 || argv[1][0] == '-') {
        std::fprintf(stderr, "usage: contact-sheet DATA OUT.png\n"
                             "Renders every picture and model of the data folder DATA into one labelled grid.\n");
        return argc == 2 && std::string(argv[1]) == "--help" ? 0 : 2;
    }
    namespace fs = std::filesystem;
    const std::string folder = argv[1];
    std::error_code error;
    std::vector<std::string> pictures, models;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        const std::string extension = entry.path().extension().string();
        if (extension == ".jpg")
            pictures.push_back(name);
        else if (extension == ".3ds")
            models.push_back(name);
    }
    if (error || (pictures.empty() && models.empty())) {
        std::fprintf(stderr, "contact-sheet: no pictures or models in %s\n", folder.c_str());
        return 1;
    }
    std::sort(pictures.begin(), pictures.end());
    std::sort(models.begin(), models.end());

    os::selectBackend(os::Backend::Headless);
    os::Window* window = os::createWindow("contact sheet", 0, 0, tileSize, tileSize, false, nullptr);
    if (!window || !os::createContext(window) || !os::makeCurrent(window, true)) {
        std::fprintf(stderr, "contact-sheet: no OpenGL context\n");
        return 1;
    }
    os::setDataFolder(folder);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    os::setMessageBoxHook([](const std::string& text, const std::string&, unsigned) {
        std::fprintf(stderr, "contact-sheet: %s\n", text.c_str());
        return os::IDOK;
    });

    std::vector<Tile> tiles;
    const size_t total = pictures.size() + models.size();
    for (const std::string& name : pictures) {
        tiles.push_back(pictureTile(name));
        std::fprintf(stderr, "[%3zu/%3zu] %s\n", tiles.size(), total, name.c_str());
    }
    for (size_t i = 0; i < models.size(); ++i) {
        modelTiles(models[i], tiles);
        std::fprintf(stderr, "[%3zu/%3zu] %s\n", pictures.size() + i + 1, total, models[i].c_str());
    }
    const bool ok = writeSheet(tiles, argv[2]);
    os::makeCurrent(window, false);
    os::deleteContext(window);
    os::destroyWindow(window);
    return ok ? 0 : 1;
}
