// The picture canvas: noise, glows, blur, glyph text and the JPEG writer.
#include "tools/datakit/picture_canvas.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include <jpeglib.h>

namespace datakit {

// ---- noise -------------------------------------------------------------------------------

TileNoise::TileNoise(uint32_t seed, int period) : period(std::max(1, period))
{
    Random random(seed);
    lattice.resize(size_t(this->period) * size_t(this->period));
    for (float& value : lattice)
        value = random.unit();
}

float TileNoise::at(float x, float y) const
{
    const float fx = std::floor(x), fy = std::floor(y);
    float tx = x - fx, ty = y - fy;
    tx = tx * tx * (3 - 2 * tx);
    ty = ty * ty * (3 - 2 * ty);
    auto wrap = [this](int i) { return ((i % period) + period) % period; };
    const int x0 = wrap(int(fx)), y0 = wrap(int(fy));
    const int x1 = wrap(x0 + 1), y1 = wrap(y0 + 1);
    auto value = [this](int i, int j) { return lattice[size_t(j) * size_t(period) + size_t(i)]; };
    const float top = value(x0, y0) + (value(x1, y0) - value(x0, y0)) * tx;
    const float bottom = value(x0, y1) + (value(x1, y1) - value(x0, y1)) * tx;
    return top + (bottom - top) * ty;
}

float TileNoise::fractal(float x, float y, int octaves, float gain) const
{
    float sum = 0, weight = 1, total = 0, scale = 1;
    for (int i = 0; i < octaves; ++i) {
        sum += at(x * scale, y * scale) * weight;
        total += weight;
        weight *= gain;
        scale *= 2;
    }
    return sum / total;
}

// ---- canvas ------------------------------------------------------------------------------

Canvas::Canvas(int width, int height, Colour fill)
    : w(width), h(height), pixels(size_t(width) * size_t(height), fill)
{
}

void Canvas::add(int x, int y, Colour c)
{
    if (x < 0 || y < 0 || x >= w || y >= h)
        return;
    Colour& p = at(x, y);
    p = p + c;
}

void Canvas::glow(float cx, float cy, float radius, Colour c)
{
    const int reach = int(std::ceil(radius * 3));
    for (int y = std::max(0, int(cy) - reach); y <= std::min(h - 1, int(cy) + reach); ++y)
        for (int x = std::max(0, int(cx) - reach); x <= std::min(w - 1, int(cx) + reach); ++x) {
            const float dx = (float(x) + 0.5f - cx) / radius, dy = (float(y) + 0.5f - cy) / radius;
            add(x, y, c * std::exp(-(dx * dx + dy * dy)));
        }
}

void Canvas::blur(int radius)
{
    if (radius <= 0)
        return;
    std::vector<Colour> line;
    auto pass = [&](int count, int length, auto pixel) {
        for (int i = 0; i < count; ++i) {
            line.assign(size_t(length), Colour{});
            for (int j = 0; j < length; ++j) {
                Colour sum;
                for (int k = -radius; k <= radius; ++k)
                    sum = sum + pixel(i, std::clamp(j + k, 0, length - 1));
                line[size_t(j)] = sum * (1.0f / float(2 * radius + 1));
            }
            for (int j = 0; j < length; ++j)
                pixel(i, j) = line[size_t(j)];
        }
    };
    pass(h, w, [this](int y, int x) -> Colour& { return at(x, y); });
    pass(w, h, [this](int x, int y) -> Colour& { return at(x, y); });
}

void Canvas::turn180() { std::reverse(pixels.begin(), pixels.end()); }

bool Canvas::writeJpeg(const std::string& path, int quality) const
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        std::fprintf(stderr, "datakit: cannot write %s\n", path.c_str());
        return false;
    }
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, file);
    info.image_width = JDIMENSION(w);
    info.image_height = JDIMENSION(h);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info); // sequential Huffman coding: a baseline file
    jpeg_set_quality(&info, quality, TRUE);
    for (int c = 0; c < 3; ++c) // full-resolution colour keeps thin letters clean
        info.comp_info[c].h_samp_factor = info.comp_info[c].v_samp_factor = 1;
    jpeg_start_compress(&info, TRUE);
    std::vector<unsigned char> row(size_t(w) * 3);
    auto byte = [](float v) { return (unsigned char)std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f); };
    while (info.next_scanline < info.image_height) {
        const int y = int(info.next_scanline);
        for (int x = 0; x < w; ++x) {
            const Colour& c = at(x, y);
            row[size_t(x) * 3] = byte(c.r);
            row[size_t(x) * 3 + 1] = byte(c.g);
            row[size_t(x) * 3 + 2] = byte(c.b);
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    const bool closed = std::fclose(file) == 0;
    if (!closed)
        std::fprintf(stderr, "datakit: cannot finish %s\n", path.c_str());
    return closed;
}

// ---- fonts -------------------------------------------------------------------------------

struct Font::Impl {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
};

std::string fontFile(const std::string& pattern)
{
    std::string path;
    FcConfig* config = FcInitLoadConfigAndFonts();
    if (!config)
        return path;
    FcPattern* wanted = FcNameParse(reinterpret_cast<const FcChar8*>(pattern.c_str()));
    if (wanted) {
        FcConfigSubstitute(config, wanted, FcMatchPattern);
        FcDefaultSubstitute(wanted);
        FcResult result = FcResultNoMatch;
        if (FcPattern* match = FcFontMatch(config, wanted, &result)) {
            FcChar8* file = nullptr;
            if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file)
                path = reinterpret_cast<const char*>(file);
            FcPatternDestroy(match);
        }
        FcPatternDestroy(wanted);
    }
    FcConfigDestroy(config);
    return path;
}


Font::Font(const std::string& pattern) : impl(std::make_unique<Impl>())
{
    const std::string path = fontFile(pattern);
    if (path.empty() || FT_Init_FreeType(&impl->library) != 0) {
        std::fprintf(stderr, "datakit: no font for \"%s\"\n", pattern.c_str());
        return;
    }
    if (FT_New_Face(impl->library, path.c_str(), 0, &impl->face) != 0) {
        std::fprintf(stderr, "datakit: cannot open font %s\n", path.c_str());
        impl->face = nullptr;
    }
}

Font::~Font()
{
    if (impl->face)
        FT_Done_Face(impl->face);
    if (impl->library)
        FT_Done_FreeType(impl->library);
}

bool Font::ok() const { return impl->face != nullptr; }

TextMask Font::render(const std::string& text, int pixelSize, float xScale, int margin) const
{
    TextMask mask;
    if (!ok())
        return mask;
    FT_Face face = impl->face;
    FT_Set_Pixel_Sizes(face, 0, FT_UInt(pixelSize));
    FT_Matrix matrix{FT_Fixed(xScale * 65536.0f), 0, 0, 0x10000};
    FT_Set_Transform(face, &matrix, nullptr);

    // First pass lays the glyphs out on a pen line to find the ink's bounds.
    struct Placed {
        int left, top; // bitmap's top-left relative to the pen origin on the baseline (y down)
        int width, rows;
        std::vector<unsigned char> bits;
    };
    std::vector<Placed> placed;
    int pen = 0;
    int minX = 1 << 30, minY = 1 << 30, maxX = -(1 << 30), maxY = -(1 << 30);
    for (unsigned char ch : text) {
        if (FT_Load_Char(face, ch, FT_LOAD_RENDER) != 0)
            continue;
        const FT_GlyphSlot slot = face->glyph;
        Placed p;
        p.left = pen + slot->bitmap_left;
        p.top = -slot->bitmap_top;
        p.width = int(slot->bitmap.width);
        p.rows = int(slot->bitmap.rows);
        p.bits.resize(size_t(p.width) * size_t(p.rows));
        for (int y = 0; y < p.rows; ++y)
            for (int x = 0; x < p.width; ++x)
                p.bits[size_t(y) * size_t(p.width) + size_t(x)] =
                    slot->bitmap.buffer[y * slot->bitmap.pitch + x];
        if (p.width > 0 && p.rows > 0) {
            minX = std::min(minX, p.left);
            minY = std::min(minY, p.top);
            maxX = std::max(maxX, p.left + p.width);
            maxY = std::max(maxY, p.top + p.rows);
        }
        pen += int(slot->advance.x >> 6);
        placed.push_back(std::move(p));
    }
    FT_Set_Transform(face, nullptr, nullptr);
    if (maxX <= minX)
        return mask;
    mask.width = maxX - minX + 2 * margin;
    mask.height = maxY - minY + 2 * margin;
    mask.baseline = margin - minY;
    mask.coverage.assign(size_t(mask.width) * size_t(mask.height), 0.0f);
    for (const Placed& p : placed)
        for (int y = 0; y < p.rows; ++y)
            for (int x = 0; x < p.width; ++x) {
                float& cell = mask.coverage[size_t(p.top - minY + margin + y) * size_t(mask.width) +
                                            size_t(p.left - minX + margin + x)];
                cell = std::min(1.0f, cell + float(p.bits[size_t(y) * size_t(p.width) + size_t(x)]) / 255.0f);
            }
    return mask;
}

void stamp(Canvas& canvas, const TextMask& mask, int left, int top, Colour colour)
{
    for (int y = 0; y < mask.height; ++y)
        for (int x = 0; x < mask.width; ++x) {
            const int cx = left + x, cy = top + y;
            if (cx < 0 || cy < 0 || cx >= canvas.width() || cy >= canvas.height())
                continue;
            const float a = mask.at(x, y);
            if (a > 0)
                canvas.at(cx, cy) = mix(canvas.at(cx, cy), colour, a);
        }
}

void stampGlow(Canvas& canvas, const TextMask& mask, int left, int top, int blurRadius, Colour glowColour)
{
    const int pad = blurRadius * 3;
    Canvas halo(mask.width + 2 * pad, mask.height + 2 * pad);
    for (int y = 0; y < mask.height; ++y)
        for (int x = 0; x < mask.width; ++x) {
            const float a = mask.at(x, y);
            halo.at(x + pad, y + pad) = {a, a, a};
        }
    for (int i = 0; i < 3; ++i)
        halo.blur(blurRadius);
    for (int y = 0; y < halo.height(); ++y)
        for (int x = 0; x < halo.width(); ++x)
            canvas.add(left - pad + x, top - pad + y, glowColour * halo.at(x, y).r);
}

} // namespace datakit
