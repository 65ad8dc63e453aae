// Every picture the demo reads, painted in code. All sizes keep width * 3 a multiple of four
// and plain textures stay powers of two. The JPEG loader mirrors rows and the full-screen quad
// mirrors them back, so pictures are stored the way they should be seen.
#include <cmath>
#include <functional>
#include <numbers>
#include <string>
#include <vector>

#include "tools/datakit/datakit.h"
#include "tools/datakit/picture_canvas.h"

namespace datakit {

namespace {

constexpr float pi = std::numbers::pi_v<float>;

float clamp01(float v) { return v < 0 ? 0 : v > 1 ? 1 : v; }
float smooth(float edge0, float edge1, float v)
{
    const float t = clamp01((v - edge0) / (edge1 - edge0));
    return t * t * (3 - 2 * t);
}

const char* const textFont = "DejaVu Sans:bold";

// The largest text mask at most maxWidth wide and maxHeight high (trying sizes downwards).
TextMask fitText(const Font& font, const std::string& text, int maxWidth, int maxHeight, float xScale = 1.0f,
                 int margin = 0)
{
    int size = maxHeight;
    TextMask mask = font.render(text, size, xScale, margin);
    while (size > 6 && (mask.width > maxWidth || mask.height > maxHeight)) {
        const float shrink = std::min(float(maxWidth) / float(mask.width), float(maxHeight) / float(mask.height));
        size = std::max(6, std::min(size - 1, int(float(size) * shrink)));
        mask = font.render(text, size, xScale, margin);
    }
    return mask;
}

// A sphere map: env gets the reflected direction (x right, y up, z towards the viewer) for
// every pixel of the disc; outside the disc the edge's direction is used.
Canvas sphereMap(int size, const std::function<Colour(float, float, float)>& env)
{
    Canvas canvas(size, size);
    canvas.each([&](int, int, float u, float v) {
        float nx = 2 * u - 1, ny = 1 - 2 * v;
        float r2 = nx * nx + ny * ny;
        if (r2 > 0.999f) {
            const float k = std::sqrt(0.999f / r2);
            nx *= k;
            ny *= k;
            r2 = 0.999f;
        }
        const float nz = std::sqrt(1 - r2);
        return env(2 * nz * nx, 2 * nz * ny, 2 * nz * nz - 1);
    });
    return canvas;
}

Canvas plain(Colour c) { return Canvas(16, 16, c); }

Canvas titleCard()
{
    // 1024 x 512 shown on a 4:3 window: letters are drawn 1.5 times wider to come out round.
    const float stretch = 1.5f;
    Canvas canvas(1024, 512);
    TileNoise cloud(11, 8);
    canvas.each([&](int, int, float u, float v) {
        const float n = cloud.fractal(u * 8, v * 4, 5);
        const Colour top{0.02f, 0.03f, 0.10f}, bottom{0.10f, 0.05f, 0.20f};
        Colour c = mix(top, bottom, v) + Colour{0.05f, 0.10f, 0.22f} * (n * n * 1.4f);
        const float band = std::exp(-std::pow((v - 0.56f) * 7.0f, 2.0f));
        return c + Colour{0.10f, 0.16f, 0.35f} * band;
    });
    Random random(23);
    for (int i = 0; i < 260; ++i) {
        const float b = std::pow(random.unit(), 3.0f) * 0.9f + 0.1f;
        canvas.glow(random.range(0, 1024), random.range(0, 512), random.range(0.6f, 1.4f), Colour{b, b, b * 1.1f});
    }
    Font font(textFont);
    const TextMask presents = fitText(font, "#Vornix presents", 620, 52, stretch);
    const TextMask title = fitText(font, "Talvoren", 900, 190, stretch, 0);
    const int px = (1024 - presents.width) / 2, py = 92;
    const int tx = (1024 - title.width) / 2, ty = 250 - title.height / 2 + 20;
    stampGlow(canvas, presents, px, py, 6, Colour{0.3f, 0.4f, 0.8f});
    stamp(canvas, presents, px, py, Colour{0.85f, 0.9f, 1.0f});
    stampGlow(canvas, title, tx, ty, 14, Colour{0.35f, 0.55f, 1.0f});
    stamp(canvas, title, tx, ty, Colour{1.0f, 1.0f, 1.0f});
    return canvas;
}

Canvas starGlow()
{
    Canvas canvas(256, 256);
    const float c = 128;
    canvas.each([&](int, int, float u, float v) {
        const float dx = u * 256 - c, dy = v * 256 - c;
        const float d = std::sqrt(dx * dx + dy * dy) / 128.0f;
        float light = 0.9f * std::exp(-d * d * 90.0f) + 0.45f * std::exp(-d * d * 12.0f) +
                      0.12f * std::exp(-d * 4.0f);
        // four long rays and four short diagonal ones
        auto ray = [&](float along, float across, float length, float width) {
            const float a = std::fabs(along) / 128.0f;
            return a > length ? 0.0f : std::exp(-std::fabs(across) / width) * std::pow(1 - a / length, 2.0f);
        };
        light += 0.8f * (ray(dx, dy, 1.0f, 1.6f) + ray(dy, dx, 1.0f, 1.6f));
        const float s = std::numbers::sqrt2_v<float> * 0.5f;
        light += 0.35f * (ray((dx + dy) * s, (dx - dy) * s, 0.6f, 1.2f) +
                          ray((dx - dy) * s, (dx + dy) * s, 0.6f, 1.2f));
        const float fade = 1 - smooth(0.85f, 1.0f, std::max(std::fabs(dx), std::fabs(dy)) / 128.0f);
        light *= fade;
        return Colour{light, light * 0.96f, light * 0.88f};
    });
    return canvas;
}

Canvas lightRays()
{
    Canvas canvas(512, 512);
    TileNoise rays(31, 64);
    canvas.each([&](int, int, float u, float v) {
        const float dx = u - 0.5f, dy = v + 0.15f;
        const float angle = std::atan2(dx, dy); // 0 straight down from the source
        const float dist = std::sqrt(dx * dx + dy * dy);
        const float r = rays.fractal((angle / pi + 1) * 32, dist * 1.5f, 3, 0.45f);
        const float beam = std::pow(smooth(0.35f, 0.85f, r), 1.5f) * std::exp(-dist * 1.3f);
        const Colour base = mix(Colour{0.03f, 0.06f, 0.22f}, Colour{0.01f, 0.02f, 0.09f}, v);
        const float source = std::exp(-dist * dist * 18.0f);
        return base + Colour{0.45f, 0.6f, 0.9f} * beam + Colour{0.35f, 0.45f, 0.7f} * source;
    });
    canvas.blur(1);
    return canvas;
}

Canvas starfield()
{
    Canvas canvas(512, 512);
    TileNoise gas(41, 6), dust(43, 12);
    canvas.each([&](int, int, float u, float v) {
        const float g = gas.fractal(u * 6, v * 6, 5, 0.55f);
        const float d = dust.fractal(u * 12, v * 12, 4);
        const float cloud = smooth(0.4f, 0.8f, g);
        const Colour violet{0.35f, 0.10f, 0.45f}, teal{0.05f, 0.25f, 0.40f};
        return Colour{0.005f, 0.005f, 0.02f} + mix(teal, violet, d) * (cloud * 0.8f);
    });
    Random random(47);
    for (int i = 0; i < 900; ++i) {
        const float x = random.range(0, 512), y = random.range(0, 512);
        const float b = std::pow(random.unit(), 4.0f) * 1.4f + 0.15f;
        const float tint = random.unit();
        const Colour c{b * (0.8f + 0.2f * tint), b * 0.9f, b * (1.0f - 0.2f * tint)};
        const float radius = 0.5f + b * 0.7f;
        // drawn on every side it crosses, so the field repeats without seams
        for (float ox : {-512.0f, 0.0f, 512.0f})
            for (float oy : {-512.0f, 0.0f, 512.0f})
                if (x + ox > -8 && x + ox < 520 && y + oy > -8 && y + oy < 520)
                    canvas.glow(x + ox, y + oy, radius, c);
    }
    return canvas;
}

Canvas darkPattern()
{
    Canvas canvas(512, 512);
    TileNoise warp(53, 4);
    canvas.each([&](int, int, float u, float v) {
        const float w = warp.fractal(u * 4, v * 4, 4) * 6.0f;
        const float a = std::sin((u * 6 + w) * 2 * pi * 0.5f) * std::cos((v * 6 - w * 0.7f) * 2 * pi * 0.5f);
        const float rings = 0.5f + 0.5f * std::sin(w * 4.0f);
        const float k = 0.5f + 0.5f * a;
        return Colour{0.04f, 0.02f, 0.08f} + Colour{0.10f, 0.06f, 0.22f} * k + Colour{0.02f, 0.10f, 0.14f} * (rings * rings);
    });
    return canvas;
}

Canvas greenChrome()
{
    return sphereMap(256, [](float x, float y, float z) {
        const float len = std::sqrt(x * x + y * y + z * z) + 1e-6f;
        const float e = y / len;
        Colour c;
        if (e > 0) {
            c = mix(Colour{0.55f, 1.0f, 0.6f}, Colour{0.05f, 0.35f, 0.12f}, std::pow(e, 0.6f));
        } else {
            c = mix(Colour{0.02f, 0.18f, 0.05f}, Colour{0.10f, 0.45f, 0.15f}, std::pow(-e, 0.8f));
        }
        c = c + Colour{0.8f, 1.0f, 0.8f} * std::exp(-std::pow(e * 18.0f, 2.0f)) * 0.6f; // horizon
        // two hard studio lights
        auto spot = [&](float lx, float ly, float lz, float sharpness) {
            const float l = std::sqrt(lx * lx + ly * ly + lz * lz);
            const float dot = (x * lx + y * ly + z * lz) / (len * l);
            return std::pow(std::max(0.0f, dot), sharpness);
        };
        c = c + Colour{0.9f, 1.0f, 0.9f} * (spot(-0.5f, 0.7f, 0.6f, 120.0f) + 0.5f * spot(0.7f, 0.3f, 0.4f, 60.0f));
        return c;
    });
}

Canvas brightTunnel()
{
    return sphereMap(256, [](float x, float y, float z) {
        const float len = std::sqrt(x * x + y * y + z * z) + 1e-6f;
        const float phi = std::atan2(y, x);
        const float along = z / len;                                  // -1 behind, +1 in front
        const float depth = 1.0f / (1.05f - std::fabs(along)) * 0.6f; // how far down the tunnel
        const float ringLight = std::pow(0.5f + 0.5f * std::cos(depth * 6.0f), 6.0f);
        const float panel = std::pow(std::fabs(std::cos(phi * 4.0f)), 0.3f);
        const float end = std::exp(-std::pow((1 - std::fabs(along)) * 6.0f, 2.0f));
        const float light = 0.45f + 0.35f * panel + 0.5f * ringLight;
        Colour c = Colour{0.85f, 0.88f, 1.0f} * light + Colour{1.0f, 0.95f, 0.8f} * end;
        return c * 0.95f;
    });
}

Canvas reflectiveSky()
{
    TileNoise clouds(61, 16);
    return sphereMap(256, [&](float x, float y, float z) {
        const float len = std::sqrt(x * x + y * y + z * z) + 1e-6f;
        const float e = y / len;
        Colour c;
        if (e > 0) {
            const float k = 1.0f / (e + 0.25f);
            const float n = clouds.fractal(x / len * k * 2 + 8, z / len * k * 2 + 8, 5);
            const Colour sky = mix(Colour{0.75f, 0.85f, 1.0f}, Colour{0.15f, 0.35f, 0.85f}, std::pow(e, 0.5f));
            c = mix(sky, Colour{1.0f, 1.0f, 1.0f}, smooth(0.45f, 0.75f, n) * 0.85f);
        } else {
            c = mix(Colour{0.35f, 0.42f, 0.55f}, Colour{0.05f, 0.08f, 0.18f}, std::pow(-e, 0.5f));
        }
        const float sun = std::pow(std::max(0.0f, (x * 0.3f + y * 0.6f + z * 0.74f) / len), 200.0f);
        return c + Colour{1.0f, 0.95f, 0.8f} * sun;
    });
}

Canvas logo(int width, int height, bool turned)
{
    Canvas canvas(width, height);
    Font font(textFont);
    const TextMask mask = fitText(font, "#Vornix", int(float(width) * 0.86f), int(float(height) * 0.72f));
    const int left = (width - mask.width) / 2, top = (height - mask.height) / 2;
    stampGlow(canvas, mask, left, top, std::max(2, height / 40), Colour{0.35f, 0.35f, 0.4f});
    stamp(canvas, mask, left, top, Colour{1, 1, 1});
    if (turned)
        canvas.turn180();
    return canvas;
}

Canvas radialSpot()
{
    Canvas canvas(256, 256);
    canvas.each([](int, int, float u, float v) {
        const float dx = u - 0.5f, dy = v - 0.5f;
        const float d = std::sqrt(dx * dx + dy * dy) * 2;
        const float k = d >= 1 ? 0.0f : std::pow(1 - d * d, 2.0f);
        return Colour{k, k, k};
    });
    return canvas;
}

Canvas streaks()
{
    Canvas canvas(256, 256);
    TileNoise lines(71, 32);
    Random random(73);
    std::vector<float> column(256);
    for (int x = 0; x < 256; ++x)
        column[size_t(x)] = 0.35f + 0.65f * std::pow(lines.fractal(float(x) / 8.0f, 0.5f, 3), 1.5f);
    for (int i = 0; i < 24; ++i) { // a few sharp bright streaks
        const int x = int(random.next() % 256u);
        column[size_t(x)] = 1.0f;
        column[size_t((x + 1) % 256)] = std::max(column[size_t((x + 1) % 256)], 0.8f);
    }
    canvas.each([&](int x, int y, float, float) {
        const float t = float(y) / 255.0f; // t = 0 on the top row
        const float k = column[size_t(x)] * std::pow(1 - t, 1.6f);
        return Colour{k, k, k};
    });
    return canvas;
}

Canvas checkerboard()
{
    Canvas canvas(256, 256);
    canvas.each([](int x, int y, float, float) {
        const bool light = ((x / 32) + (y / 32)) % 2 == 0;
        return light ? Colour{0.95f, 0.95f, 0.92f} : Colour{0.80f, 0.12f, 0.10f};
    });
    return canvas;
}

Canvas terrain()
{
    Canvas canvas(512, 512);
    TileNoise ground(83, 8), grit(89, 64);
    canvas.each([&](int x, int y, float u, float v) {
        const float h = ground.fractal(u * 8, v * 8, 5);
        const float g = grit.at(u * 64, v * 64);
        const Colour low{0.10f, 0.22f, 0.08f}, mid{0.30f, 0.42f, 0.15f};
        const Colour high{0.48f, 0.38f, 0.25f}, top{0.80f, 0.78f, 0.72f};
        Colour c = h < 0.45f   ? mix(low, mid, h / 0.45f)
                   : h < 0.65f ? mix(mid, high, (h - 0.45f) / 0.2f)
                               : mix(high, top, clamp01((h - 0.65f) / 0.2f));
        c = c * (0.85f + 0.3f * g);
        const bool line = x % 32 == 0 || y % 32 == 0;
        return line ? mix(c, Colour{0.75f, 0.9f, 0.6f}, 0.45f) : c;
    });
    return canvas;
}

Canvas grain(uint32_t seed, int clump)
{
    Canvas canvas(256, 256);
    Random random(seed);
    std::vector<float> cells(size_t(256 / clump) * size_t(256 / clump));
    for (float& c : cells)
        c = random.unit();
    canvas.each([&](int x, int y, float, float) {
        const float fine = random.unit();
        const float coarse = cells[size_t(y / clump) * size_t(256 / clump) + size_t(x / clump)];
        const float k = 0.5f + 0.45f * ((fine - 0.5f) * 0.6f + (coarse - 0.5f) * 0.9f);
        return Colour{k, k, k};
    });
    return canvas;
}

Canvas glyphSheet()
{
    // 4 x 8 tiles of 64 x 64, read left to right then top to bottom; all glyphs share one baseline.
    const std::string glyphs = "abcdefghijklmnopqrstuvwxyz.,! ";
    Canvas canvas(256, 512);
    Font font(textFont);
    for (size_t i = 0; i < glyphs.size(); ++i) {
        if (glyphs[i] == ' ')
            continue;
        const TextMask mask = font.render(std::string(1, glyphs[i]), 50);
        const int tileX = int(i % 4) * 64, tileY = int(i / 4) * 64;
        stamp(canvas, mask, tileX + (64 - mask.width) / 2, tileY + 47 - mask.baseline, Colour{1, 1, 1});
    }
    return canvas;
}

Canvas colourCard()
{
    Canvas canvas(200, 100);
    canvas.each([](int, int, float u, float v) {
        const float h = (u * 0.8f + v * 0.4f) * 2 * pi;
        return Colour{0.5f + 0.45f * std::cos(h), 0.5f + 0.45f * std::cos(h - 2.1f), 0.5f + 0.45f * std::cos(h + 2.1f)};
    });
    Random random(97);
    for (int i = 0; i < 14; ++i)
        canvas.glow(random.range(0, 200), random.range(0, 100), random.range(6, 16),
                    Colour{random.range(0, 0.5f), random.range(0, 0.5f), random.range(0, 0.5f)});
    Font font(textFont);
    const TextMask mask = fitText(font, "Talvoren", 176, 46);
    const int left = (200 - mask.width) / 2, top = (100 - mask.height) / 2;
    stamp(canvas, mask, left + 3, top + 3, Colour{0.05f, 0.02f, 0.1f}); // drop shadow
    stamp(canvas, mask, left, top, Colour{1, 1, 1});
    return canvas;
}

struct Picture {
    const char* file;
    std::function<Canvas()> paint;
};

const std::vector<Picture>& pictureList()
{
    static const std::vector<Picture> list = {
        {"start.jpg", titleCard},
        {"white.jpg", [] { return plain({1, 1, 1}); }},
        {"black.jpg", [] { return plain({0, 0, 0}); }},
        {"star.jpg", starGlow},
        {"ljus1.jpg", lightRays},
        {"spaceboll.jpg", starfield},
        {"bg003x.jpg", darkPattern},
        {"ChromeGreen.jpg", greenChrome},
        {"tunnel2.jpg", brightTunnel},
        {"intro1.jpg", reflectiveSky},
        {"vornix1.jpg", [] { return logo(512, 256, true); }},
        {"vornix2.jpg", [] { return logo(512, 128, false); }},
        {"light.jpg", radialSpot},
        {"radial.jpg", streaks},
        {"checker.jpg", checkerboard},
        {"tex1.jpg", terrain},
        {"noise7.jpg", [] { return grain(101, 2); }},
        {"noise8.jpg", [] { return grain(103, 4); }},
        {"font.jpg", glyphSheet},
        {"200x100.jpg", colourCard},
    };
    return list;
}

} // namespace

int pictureFileCount() { return int(pictureList().size()); }

bool writePictures(const std::string& folder, Progress& progress)
{
    if (!Font(textFont).ok()) // the lettered pictures would come out blank
        return false;
    for (const Picture& picture : pictureList()) {
        if (!picture.paint().writeJpeg(folder + "/" + picture.file))
            return false;
        progress.wrote(picture.file);
    }
    return true;
}

} // namespace datakit
