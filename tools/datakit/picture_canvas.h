// The picture canvas the data kit paints on: red-green-blue floats (0..1 nominal), a fixed-seed
// random source, tileable value noise, text from real font glyphs and a baseline JPEG writer.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace datakit {

struct Colour {
    float r = 0, g = 0, b = 0;
};

inline Colour operator*(Colour c, float k) { return {c.r * k, c.g * k, c.b * k}; }
inline Colour operator+(Colour a, Colour b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
inline Colour mix(Colour a, Colour b, float t) { return a * (1 - t) + b * t; }

// Our own linear congruential generator, so the pictures never depend on the C library.
class Random {
public:
    explicit Random(uint32_t seed) : state(seed * 2654435761u + 12345u) {}
    uint32_t next()
    {
        state = state * 1664525u + 1013904223u;
        return state;
    }
    float unit() { return float(next() >> 8) / 16777216.0f; } // [0, 1)
    float range(float low, float high) { return low + (high - low) * unit(); }

private:
    uint32_t state;
};

// Value noise on a lattice that repeats every `period` cells, so whole pictures tile.
class TileNoise {
public:
    TileNoise(uint32_t seed, int period);
    float at(float x, float y) const; // x, y in cells; result 0..1
    // Sum of octaves, each twice the frequency and `gain` the weight; result roughly 0..1.
    float fractal(float x, float y, int octaves, float gain = 0.5f) const;

private:
    int period;
    std::vector<float> lattice; // period * period values, one per lattice point
};

class Canvas {
public:
    Canvas(int width, int height, Colour fill = {});

    int width() const { return w; }
    int height() const { return h; }
    Colour& at(int x, int y) { return pixels[size_t(y) * size_t(w) + size_t(x)]; }
    const Colour& at(int x, int y) const { return pixels[size_t(y) * size_t(w) + size_t(x)]; }
    void add(int x, int y, Colour c);

    // Calls paint(x, y, u, v) for every pixel, u and v in [0, 1) measured from the top left.
    template <class Paint> void each(Paint paint)
    {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                at(x, y) = paint(x, y, (float(x) + 0.5f) / float(w), (float(y) + 0.5f) / float(h));
    }

    // A soft round glow added around (cx, cy): brightness falls as exp(-(d / radius)^2).
    void glow(float cx, float cy, float radius, Colour c);
    // A box blur of the given radius, applied a few times it approaches a gaussian.
    void blur(int radius);
    void turn180();

    // Writes the canvas as a baseline JPEG (3 channels, no chroma subsampling).
    bool writeJpeg(const std::string& path, int quality = 92) const;

private:
    int w, h;
    std::vector<Colour> pixels;
};

// A coverage mask (0..1 per pixel) of a line of text, drawn from a system font's glyphs.
struct TextMask {
    int width = 0, height = 0;
    int baseline = 0; // the row the text stands on
    std::vector<float> coverage;
    float at(int x, int y) const
    {
        return x < 0 || y < 0 || x >= width || y >= height ? 0.0f
                                                           : coverage[size_t(y) * size_t(width) + size_t(x)];
    }
};

// The file fontconfig picks for a pattern such as "DejaVu Sans:bold"; empty when none.
std::string fontFile(const std::string& pattern);

// A font found through fontconfig and rendered with FreeType.
class Font {
public:
    explicit Font(const std::string& pattern); // e.g. "DejaVu Sans:bold"
    ~Font();
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    bool ok() const;
    // The text at the given pixel size; xScale widens (or narrows) the glyphs sideways.
    // The mask is tight around the ink plus `margin` pixels on every side.
    TextMask render(const std::string& text, int pixelSize, float xScale = 1.0f, int margin = 0) const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl;
};

// Paints mask onto canvas with its top-left corner at (left, top): colour over the canvas by
// coverage. stampGlow adds a blurred halo of the letters instead (call it first).
void stamp(Canvas& canvas, const TextMask& mask, int left, int top, Colour colour);
void stampGlow(Canvas& canvas, const TextMask& mask, int left, int top, int blurRadius, Colour glowColour);

} // namespace datakit
