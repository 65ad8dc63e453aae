// NWave: spring forces, strikes, the scene's integration and normals, the wave formula, and the
// immediate-mode drawing with its explosion.
#include "effects/nwave.h"

#include "app/log.h"
#include "world/gl_scope.h"
#include "world/world.h"

#include <cmath>

namespace {

constexpr float waveDamping = 0.9995f;     // the cloth keeps swinging for many seconds
constexpr double massDecay = 0.995;        // per computeForces: a mass of 10 is back to 1 after 460
constexpr float strikeMass = 10.0f;
constexpr float strikeForceZ = -20.0f;     // pushes into the sheet, away from the wave camera
constexpr int strikeMargin = 2;            // the plus shape must stay off the fixed border
constexpr double explosionStart = 0.0001;  // first amount after a restart
constexpr double explosionGrowth = 0.25;   // amount *= 1 + 0.25 * amount each draw
constexpr double explosionLimit = 100.0;   // past this the sheet snaps back together

} // namespace

NWave::NWave(int columnCount, int rowCount) : SpringGrid(columnCount, rowCount)
{
    if (logger)
        logger->printObject("NWave Objects, size: %d %d", columnCount, rowCount);
    faceNormalsA.assign(size_t(cellColumns() * cellRows()), Vec3());
    faceNormalsB.assign(size_t(cellColumns() * cellRows()), Vec3());
    timeStep = 0.1f;
    damping.set(waveDamping, waveDamping, waveDamping);
    for (int row = 0; row < rows; ++row)
        for (int column = 0; column < columns; ++column)
            vertex(column, row).position = restPosition(column, row);
}

Vec3 NWave::restPosition(int column, int row) const
{
    // The grid step is 2 / columns held as a float (0.032786883 for 61), so the sheet spans -1
    // to just short of 1; the wave formula lays its vertices out with the same step.
    const double step = float(2.0 / columns);
    return Vec3(column * step - 1.0, row * step - 1.0, 0.0);
}

void NWave::addSpring(SpringVertex& v, SpringVertex& w)
{
    const Vec3 d = v.position - w.position;
    const double length = d.length();
    // Two vertices in the same place give the spring no direction; such a spring adds nothing
    // rather than turning the whole cloth into non-numbers.
    if (length == 0.0)
        return;
    const Vec3 direction = d / length;
    const double stretch = length - restLength;
    v.force += (direction * -stretch).mulComponents(stiffness);
    w.force += (direction * stretch).mulComponents(stiffness);
}

void NWave::computeForces()
{
    for (int row = 0; row + 1 < rows; ++row) {
        for (int column = 0; column + 1 < columns; ++column) {
            SpringVertex& v = vertex(column, row);
            addSpring(v, vertex(column + 1, row));
            addSpring(v, vertex(column, row + 1));
            v.mass = float(v.mass * massDecay);
            if (v.mass < 1.0f)
                v.mass = 1.0f;
        }
    }
}

int NWave::strike(int column, int row)
{
    if (column < strikeMargin || column > columns - strikeMargin || row < strikeMargin
        || row > rows - strikeMargin)
        return 0;
    const int plus[5][2] = {{0, 0}, {-1, 0}, {1, 0}, {0, -1}, {0, 1}};
    for (const auto& offset : plus) {
        SpringVertex& v = vertex(column + offset[0], row + offset[1]);
        v.force += Vec3(0, 0, strikeForceZ);
        v.mass = strikeMass;
    }
    return 1;
}

void NWave::integrate()
{
    const double dt = timeStep;
    for (int row = 1; row + 1 < rows; ++row) {
        for (int column = 1; column + 1 < columns; ++column) {
            SpringVertex& v = vertex(column, row);
            v.velocity += v.force / (double(v.mass) + 1.0) * dt;
            v.position += v.velocity * dt;
            v.velocity = v.velocity.mulComponents(damping);
            v.force = Vec3();
        }
    }
}

namespace {

// The unit normal of a triangle from two of its edges; a triangle folded flat has none and gets
// the zero vector.
Vec3 faceNormal(const Vec3& edge1, const Vec3& edge2)
{
    const Vec3 n = edge1.cross(edge2);
    return n.length() > 0.0 ? n.normalized() : Vec3();
}

} // namespace

void NWave::computeNormals()
{
    const int cellsX = cellColumns();
    const int cellsY = cellRows();
    for (int row = 0; row < cellsY; ++row) {
        for (int column = 0; column < cellsX; ++column) {
            const Vec3& p = vertex(column, row).position;
            const Vec3& right = vertex(column + 1, row).position;
            const Vec3& below = vertex(column, row + 1).position;
            const Vec3& diagonal = vertex(column + 1, row + 1).position;
            faceNormalA(column, row) = faceNormal(p - right, p - below);
            faceNormalB(column, row) = faceNormal(below - right, below - diagonal);
        }
    }
    // The six triangles around vertex (c, r), summed in this order; around the last row and
    // column some of them lie outside the grid and are left out of the mean.
    for (int row = 1; row < rows; ++row) {
        for (int column = 1; column < columns; ++column) {
            const bool cellHere = row < cellsY && column < cellsX; // cell (c, r)
            const bool cellLeft = row < cellsY;                    // cell (c-1, r)
            const bool cellAbove = column < cellsX;                // cell (c, r-1)
            Vec3 sum;
            int count = 0;
            auto add = [&](bool exists, const Vec3& n) {
                if (exists) {
                    sum += n;
                    ++count;
                }
            };
            add(true, faceNormalB(column - 1, row - 1));
            add(cellAbove, faceNormalA(column, row - 1));
            add(cellAbove, faceNormalB(column, row - 1));
            add(cellHere, faceNormalA(column, row));
            add(cellLeft, faceNormalB(column - 1, row));
            add(cellLeft, faceNormalA(column - 1, row));
            vertex(column, row).normal = sum / double(count);
        }
    }
}

void NWave::setSheetHeights(int k, float time)
{
    // 3.14 / 61: half a wave across the sheet per unit of the frequency factors below.
    constexpr double waveNumber = 0.05147540983606558;
    const double a = std::cos(0.01 * k) + 2.0;
    const double b = std::cos(k * 0.0136986301369863) + 2.0; // k / 73
    const double c = std::sin(0.01 * k) + 2.0;
    double scale = 1.0;
    if (fading) {
        // A fade of no length is over as soon as it starts.
        scale = fadeDuration > 0.0f ? 1.0 - (double(time) - fadeStart) / fadeDuration : 0.0;
        if (scale < 0.0)
            scale = 0.0;
    }
    for (int row = 2; row <= rows - 6; ++row) {
        for (int column = 2; column <= columns - 3; ++column) {
            double z = (std::sin(column * b * waveNumber) + std::cos(row * a * waveNumber)) * c / 3.0;
            z *= scale;
            Vec3 position = restPosition(column, row);
            position.z = float(z);
            vertex(column, row).position = position;
        }
    }
}

void NWave::advanceExplosion()
{
    const float a = float(explodeAmount + explosionStart);
    explodeAmount = float(a * (1.0 + explosionGrowth * a));
    if (explodeAmount > explosionLimit)
        explodeAmount = 0.0f;
}

void NWave::draw()
{
    AttribScope attributes;
    MatrixScope matrix;
    glShadeModel(GL_SMOOTH);
    if (world)
        world->setLightPosition(1, 0, 2);
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, ambient);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, diffuse);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, specular);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, shininess);
    // The scene's vertex normals are means of unit normals, a little shorter than unit.
    glEnable(GL_NORMALIZE);
    if (texture) {
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, texture);
    } else if (environmentTexture) {
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, environmentTexture);
        glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
        glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
        glEnable(GL_TEXTURE_GEN_S);
        glEnable(GL_TEXTURE_GEN_T);
    }
    glColor4f(1, 1, 1, 1);
    if (exploding)
        advanceExplosion();

    // Texture coordinates run from 1 down across the sheet in steps of 1 / columns and
    // 1 / rows (0.016393442 for 61).
    const float uStep = float(1.0 / columns);
    const float vStep = float(1.0 / rows);
    // The cells fly away from the point half the vertex count along each side (30.5 for 61),
    // half a cell beyond the middle vertex: the sheet drifts a little towards -x and -y.
    const double centreColumn = columns * 0.5;
    const double centreRow = rows * 0.5;
    const bool offsetCells = exploding;
    const double amount = explodeAmount;

    glBegin(GL_TRIANGLES);
    for (int i = 1; i + 2 < rows; ++i) {
        for (int j = 1; j + 2 < columns; ++j) {
            // Each cell flies out as a rigid quad; the offset positions are worked out here, so
            // the stored ones stay exactly as they were.
            const Vec3 offset = offsetCells ? Vec3((j - centreColumn) * amount, (i - centreRow) * amount, 0.0)
                                            : Vec3();
            auto send = [&](int row, int column, float u, float v) {
                const SpringVertex& corner = vertex(column, row);
                glTexCoord2f(u, v);
                glNormal3fv(&corner.normal.x);
                if (offsetCells) {
                    const Vec3 moved = corner.position + offset;
                    glVertex3fv(&moved.x);
                } else {
                    glVertex3fv(&corner.position.x);
                }
            };
            const float u0 = 1.0f - j * uStep, u1 = 1.0f - (j + 1) * uStep;
            const float v0 = 1.0f - i * vStep, v1 = 1.0f - (i + 1) * vStep;
            send(i, j, u0, v0);
            send(i, j + 1, u1, v0);
            send(i + 1, j, u0, v1);
            send(i + 1, j, u0, v1);
            send(i, j + 1, u1, v0);
            send(i + 1, j + 1, u1, v1);
        }
    }
    glEnd();
}
