// make-icons DATA OUTDIR: the program's icon, rendered from the data set's "#Vornix" lettering
// (vornix.3ds, the logo the morph chain ends on) through the headless renderer. The icon is the
// "#" that opens the name, turned a little towards the viewer, chrome-mapped as the logo is in
// the show, on a transparent background, cropped square. One 1024-pixel rendering is reduced by
// averaging to each size the desktop asks for: OUTDIR/NxN/talvoren.png, N = 16 ... 256.
#include "assets/utility.h"
#include "geometry/mesh.h"
#include "geometry/nobject.h"
#include "platform/files.h"
#include "platform/os.h"

#include "platform/gl.h"

#include <png.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int renderSide = 1024;
constexpr int iconSides[] = {16, 32, 48, 64, 128, 256};
constexpr double marginShare = 0.06; // empty border around the glyph, of the icon's side

struct Box {
    float low[3] = {FLT_MAX, FLT_MAX, FLT_MAX};
    float high[3] = {-FLT_MAX, -FLT_MAX, -FLT_MAX};
    void add(const Vec3& v)
    {
        const float p[3] = {v.x, v.y, v.z};
        for (int k = 0; k < 3; ++k) {
            low[k] = std::min(low[k], p[k]);
            high[k] = std::max(high[k], p[k]);
        }
    }
};

// The first glyph of the lettering: the faces whose spans along x join up from the left edge
// of the text, up to the first gap wider than a twentieth of its height (the space between "#"
// and "V"). splitX falls in that gap.
Box firstGlyph(const NObject& object, float& splitX)
{
    std::vector<std::pair<float, float>> spans;
    Box all;
    for (const auto& mesh : object.meshes)
        for (const auto& face : mesh->faces()) {
            float low = FLT_MAX, high = -FLT_MAX;
            for (const Vec3& v : face->vertices) {
                low = std::min(low, v.x);
                high = std::max(high, v.x);
                all.add(v);
            }
            spans.emplace_back(low, high);
        }
    std::sort(spans.begin(), spans.end());
    const float gap = (all.high[1] - all.low[1]) / 20.0f;
    float reach = spans.empty() ? 0.0f : spans.front().second;
    splitX = all.high[0];
    for (const auto& [low, high] : spans) {
        if (low > reach + gap) {
            splitX = 0.5f * (reach + low);
            break;
        }
        reach = std::max(reach, high);
    }
    Box glyph;
    for (const auto& mesh : object.meshes)
        for (const auto& face : mesh->faces())
            for (const Vec3& v : face->vertices)
                if (v.x < splitX)
                    glyph.add(v);
    return glyph;
}

// The glyph alone (a clip plane cuts off the rest of the name), seen from slightly right and
// above, framed square; colour from the chrome map, alpha 1 where the glyph is.
void drawGlyph(NObject& object, const Box& glyph, float splitX)
{
    float centre[3], radius = 0;
    for (int k = 0; k < 3; ++k) {
        centre[k] = 0.5f * (glyph.low[k] + glyph.high[k]);
        radius = std::max(radius, 0.5f * (glyph.high[k] - glyph.low[k]));
    }
    const double fieldDegrees = 30.0;
    const double distance = radius / std::tan(fieldDegrees * 0.5 * 3.14159265358979 / 180.0) / (1.0 - 2 * marginShare);
    glViewport(0, 0, renderSide, renderSide);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(fieldDegrees, 1.0, distance * 0.2, distance * 4.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(centre[0] + 0.25 * distance, centre[1] + 0.15 * distance, centre[2] + 0.96 * distance, centre[0],
              centre[1], centre[2], 0, 1, 0);
    const GLdouble keepLeftOfSplit[4] = {-1, 0, 0, splitX};
    glClipPlane(GL_CLIP_PLANE0, keepLeftOfSplit);
    glEnable(GL_CLIP_PLANE0);
    glEnable(GL_DEPTH_TEST);
    glColor4f(1, 1, 1, 1);
    object.draw(shadeEnvironmentMap);
    glDisable(GL_CLIP_PLANE0);
    glDisable(GL_DEPTH_TEST);
}

// Averages the rendering (RGBA, bottom row first) down to side x side, top row first, weighting
// colour by alpha so the glyph's edge does not darken against the transparent background.
std::vector<uint8_t> reduce(const std::vector<uint8_t>& source, int side)
{
    const int block = renderSide / side;
    std::vector<uint8_t> out(size_t(side) * side * 4);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            double sum[4] = {0, 0, 0, 0};
            for (int sy = 0; sy < block; ++sy)
                for (int sx = 0; sx < block; ++sx) {
                    const int row = renderSide - 1 - (y * block + sy); // bottom-up to top-down
                    const uint8_t* p = &source[(size_t(row) * renderSide + size_t(x * block + sx)) * 4];
                    const double alpha = p[3] / 255.0;
                    for (int c = 0; c < 3; ++c)
                        sum[c] += p[c] * alpha;
                    sum[3] += alpha;
                }
            uint8_t* target = &out[(size_t(y) * side + x) * 4];
            for (int c = 0; c < 3; ++c)
                target[c] = uint8_t(sum[3] > 0 ? std::lround(std::min(255.0, sum[c] / sum[3])) : 0);
            target[3] = uint8_t(std::lround(255.0 * sum[3] / (block * block)));
        }
    return out;
}

bool writeRgbaPng(const std::string& path, const std::vector<uint8_t>& rgba, int side)
{
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "wb"), &std::fclose);
    if (!file)
        return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    std::vector<png_bytep> rows(static_cast<size_t>(side));
    for (int y = 0; y < side; ++y)
        rows[size_t(y)] = const_cast<png_bytep>(rgba.data() + size_t(y) * size_t(side) * 4);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file.get());
    png_set_IHDR(png, info, png_uint_32(side), png_uint_32(side), 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3 || argv[1][0] == '-') {
        std::fprintf(stderr, "usage: make-icons DATA OUTDIR\n"
                             "Renders the program's icons from DATA/vornix.3ds into OUTDIR/NxN/talvoren.png.\n");
        return argc == 2 && std::string(argv[1]) == "--help" ? 0 : 2;
    }
    os::setDataFolder(argv[1]);
    os::selectBackend(os::Backend::Headless);
    os::Window* window = os::createWindow("icons", 0, 0, renderSide, renderSide, false, nullptr);
    if (!window || !os::createContext(window) || !os::makeCurrent(window, true)) {
        std::fprintf(stderr, "make-icons: no OpenGL context\n");
        return 1;
    }
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity(); // an object takes the modelview it is made under as its orientation
    NObject object;
    if (!object.load3DS("./data/vornix.3ds")) {
        std::fprintf(stderr, "make-icons: cannot load %s/vornix.3ds\n", argv[1]);
        return 1;
    }
    object.setEnvironmentMap("./data/ChromeGreen.jpg", jpgFileType);
    float splitX = 0;
    const Box glyph = firstGlyph(object, splitX);
    drawGlyph(object, glyph, splitX);
    std::vector<uint8_t> rendering;
    int width = 0, height = 0;
    if (!os::readFrame(window, rendering, width, height) || width != renderSide || height != renderSide) {
        std::fprintf(stderr, "make-icons: the rendering could not be read back\n");
        return 1;
    }
    for (int side : iconSides) {
        const std::string folder = std::string(argv[2]) + "/" + std::to_string(side) + "x" + std::to_string(side);
        std::error_code error;
        std::filesystem::create_directories(folder, error);
        if (!writeRgbaPng(folder + "/talvoren.png", reduce(rendering, side), side)) {
            std::fprintf(stderr, "make-icons: cannot write %s/talvoren.png\n", folder.c_str());
            return 1;
        }
    }
    os::makeCurrent(window, false);
    os::deleteContext(window);
    os::destroyWindow(window);
    return 0;
}
