// Vec3: the program's one vector type, used for positions, directions, normals, texture
// coordinates (x and y), colours and light positions.
//
// The three floats are contiguous and the type has standard layout, so a Vec3 (or an array of
// them) goes straight to glVertex3fv, glNormal3fv, glColor3fv and glTexCoord2fv. Every
// operation reads the float components, computes in double and narrows each stored component
// back to float; scalar arguments are doubles. The stored camera paths and object animations
// were tuned against exactly these roundings, so keep the narrowing steps as they are.
//
// There is no matrix class: a matrix is 16 floats in OpenGL's column-major order (m[4c + r] is
// row r, column c), as glGetFloatv returns it.
#pragma once

#include <cmath>
#include <type_traits>

struct Vec3 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;

    // Copied and assigned component by component through the implicit copy operations.
    Vec3() = default;
    Vec3(double x, double y, double z)
        : x(static_cast<float>(x)), y(static_cast<float>(y)), z(static_cast<float>(z)) {}

    void set(double newX, double newY, double newZ) {
        x = static_cast<float>(newX);
        y = static_cast<float>(newY);
        z = static_cast<float>(newZ);
    }

    Vec3 operator+(const Vec3& b) const {
        return Vec3(double(x) + b.x, double(y) + b.y, double(z) + b.z);
    }
    Vec3 operator-(const Vec3& b) const {
        return Vec3(double(x) - b.x, double(y) - b.y, double(z) - b.z);
    }
    Vec3 operator*(double s) const { return Vec3(s * x, s * y, s * z); }
    Vec3 operator/(double s) const { return Vec3(x / s, y / s, z / s); }

    // The in-place forms return a copy of the updated vector.
    Vec3 operator+=(const Vec3& b) { return *this = *this + b; }
    Vec3 operator-=(const Vec3& b) { return *this = *this - b; }
    Vec3 operator*=(double s) { return *this = *this * s; }
    Vec3 addToAll(double s) { return *this = Vec3(x + s, y + s, z + s); }

    Vec3 mulComponents(const Vec3& b) const {
        return Vec3(double(x) * b.x, double(y) * b.y, double(z) * b.z);
    }

    // Not narrowed: callers compare and accumulate dot products in double.
    double dot(const Vec3& b) const { return double(x) * b.x + double(y) * b.y + double(z) * b.z; }

    // this x b
    Vec3 cross(const Vec3& b) const {
        return Vec3(double(y) * b.z - double(z) * b.y, double(z) * b.x - double(x) * b.z,
                    double(x) * b.y - double(y) * b.x);
    }

    double length() const { return std::sqrt(double(x) * x + double(y) * y + double(z) * z); }

    // The zero vector gives non-numbers, as IEEE division does; nothing checks for it.
    Vec3 normalized() const { return *this / length(); }

    // Rotates about X, then Y, then Z, angles in degrees.
    //
    // Degrees become radians through 3.14 / 180 (3.14 taken as a float), not pi / 180, so every
    // rotation falls about 0.05 % short; the camera and object data are tuned to that. The
    // intermediate z1 and x2 are stored as floats and y1 stays double, which decides the last
    // bits of the result. Note the Y step: a positive angle turns +X towards +Z, the opposite
    // sense of the X and Z steps.
    Vec3 rotated(double ax, double ay, double az) const {
        constexpr double degreesToRadians = double(3.14f) / 180.0; // 0.017444445027245417
        const double a = ax * degreesToRadians;
        const double b = ay * degreesToRadians;
        const double c = az * degreesToRadians;

        const double y1 = y * std::cos(a) - z * std::sin(a);
        const float z1 = static_cast<float>(z * std::cos(a) + y * std::sin(a));

        const float x2 = static_cast<float>(x * std::cos(b) - z1 * std::sin(b));
        const double z2 = x * std::sin(b) + z1 * std::cos(b);

        const double x3 = x2 * std::cos(c) - y1 * std::sin(c);
        const double y3 = x2 * std::sin(c) + y1 * std::cos(c);
        return Vec3(x3, y3, z2);
    }

    // Multiplies by the upper-left 3x3 of a column-major matrix; the translation is ignored.
    Vec3 rotateByMatrix(const float m[16]) const {
        return Vec3(double(m[0]) * x + double(m[4]) * y + double(m[8]) * z,
                    double(m[1]) * x + double(m[5]) * y + double(m[9]) * z,
                    double(m[2]) * x + double(m[6]) * y + double(m[10]) * z);
    }

    // Transforms a point (w = 1) by a column-major matrix; the fourth row is ignored and there
    // is no perspective division.
    Vec3 transformByMatrix(const float m[16]) const {
        return Vec3(double(m[0]) * x + double(m[4]) * y + double(m[8]) * z + m[12],
                    double(m[1]) * x + double(m[5]) * y + double(m[9]) * z + m[13],
                    double(m[2]) * x + double(m[6]) * y + double(m[10]) * z + m[14]);
    }
};

static_assert(sizeof(Vec3) == 3 * sizeof(float), "Vec3 must be three packed floats for glVertex3fv");
static_assert(std::is_standard_layout_v<Vec3>, "Vec3 must have standard layout for glVertex3fv");
static_assert(std::is_trivially_copyable_v<Vec3>);

// Exact float comparison, no tolerance: the shadow set-up uses it to find faces that share a
// vertex, which only works for bit-identical positions.
inline bool operator==(const Vec3& a, const Vec3& b) {
    return a.x == b.x && a.y == b.y && a.z == b.z;
}
