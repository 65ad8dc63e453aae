#include "geometry/camera.h"

#include "app/log.h"
#include "platform/files.h"

#include "platform/gl.h"

#include <algorithm>
#include <cstdio>

Camera* currentCamera = nullptr;

namespace {
constexpr float cameraPathSpeed = 0.005f;
constexpr double followLookAhead = 0.4; // the flight stops this far (in segments) before the end
} // namespace

Vec3 CameraPath::evaluate(int i, float u) const
{
    const int n = pointCount();
    if (n == 0)
        return Vec3();
    if (n < 4)
        return points[size_t(std::clamp(i + 1, 0, n - 1))];
    i = std::clamp(i, 0, n - 4);
    const Vec3& p0 = points[size_t(i)];
    const Vec3& p1 = points[size_t(i) + 1];
    const Vec3& p2 = points[size_t(i) + 2];
    const Vec3& p3 = points[size_t(i) + 3];
    const float u2 = u * u;
    const float u3 = u2 * u;
    const float oneMinusU = 1.0f - u;
    const float oneMinusU2 = oneMinusU * oneMinusU;
    const Vec3 outer = (p2 * (1.0 + 4.0 * u - 3.0 * u2) - p0 * oneMinusU2) * u;
    const Vec3 inner = p1 * (2.0 - 5.0 * u2 + 3.0 * u3);
    const Vec3 tail = p3 * (double(u2) * oneMinusU);
    return (outer + inner - tail) * 0.5;
}

bool CameraPath::current(Vec3& point) const
{
    point = evaluate(segment, fraction);
    return true;
}

bool CameraPath::stepCursor(int& segment, float& fraction, float speed, int pointCount)
{
    fraction = fraction + speed;
    if (fraction < 1.0f)
        return true;
    if (segment >= pointCount - 4)
        return false;
    segment = segment + 1;
    fraction = fraction - 1.0f;
    return true;
}

bool CameraPath::advance() { return stepCursor(segment, fraction, stepSize, pointCount()); }

bool CameraPath::next(Vec3& point)
{
    if (!advance())
        return false;
    point = evaluate(segment, fraction);
    return true;
}

bool CameraPath::peek(int k, Vec3& point) const
{
    int peekSegment = segment;
    float peekFraction = fraction;
    for (int i = 0; i < k; ++i)
        if (!stepCursor(peekSegment, peekFraction, stepSize, pointCount()))
            return false;
    point = evaluate(peekSegment, peekFraction);
    return true;
}

Vec3 CameraPath::at(double f) const
{
    f = std::clamp(f, 0.0, 1.0);
    const int n = pointCount();
    if (n < 4)
        return evaluate(0, 0.0f);
    const double d = f * (n - 4);
    const int i = int(d);
    return evaluate(i, float(d - i));
}

Camera::Camera()
{
    if (logger)
        logger->printObject("Camera Object.");
    eyePath.setSpeed(cameraPathSpeed);
    viewPath.setSpeed(cameraPathSpeed);
    upPath.setSpeed(cameraPathSpeed);
}

void Camera::set(double ex, double ey, double ez, double vx, double vy, double vz, double ux, double uy, double uz)
{
    eye.set(ex, ey, ez);
    view.set(vx, vy, vz);
    up = Vec3(ux, uy, uz).normalized();
}

void Camera::apply() const { gluLookAt(eye.x, eye.y, eye.z, view.x, view.y, view.z, up.x, up.y, up.z); }

bool Camera::loadPath(const char* path)
{
    if (logger)
        logger->print("Loading camera pos from file: %s", path);
    FILE* file = os::openFile(path, "rb");
    if (!file) {
        if (logger)
            logger->print("File Not Found : %s\n", path);
        return false;
    }
    // Reading ends at the end of the file or at the first thing that is not a number; a group
    // cut short is dropped, the groups before it stay.
    float e[3], v[3], u[3];
    while (std::fscanf(file, "%f %f %f %f %f %f %f %f %f", &e[0], &e[1], &e[2], &v[0], &v[1], &v[2], &u[0], &u[1],
                       &u[2]) == 9) {
        eyePath.addPoint(e[0], e[1], e[2]);
        viewPath.addPoint(v[0], v[1], v[2]);
        upPath.addPoint(u[0], u[1], u[2]);
    }
    std::fclose(file);
    return true;
}

bool Camera::followPath()
{
    double travelled = 0;
    if (eyePath.pointCount() < 4)
        return false;
    const int lookAheadSteps = int(followLookAhead / eyePath.speed());
    for (;;) {
        Vec3 p, q, r, ahead;
        eyePath.current(p);
        viewPath.current(q);
        upPath.current(r);
        if (!eyePath.peek(lookAheadSteps, ahead))
            return false;
        eyePath.advance();
        viewPath.advance();
        upPath.advance();
        travelled += (p - eye).length();
        eye = p;
        view = q;
        up = r;
        if (travelled >= stepDistance)
            return true;
    }
}

bool Camera::jumpTo(double f)
{
    if (eyePath.pointCount() < 4 || viewPath.pointCount() < 4 || upPath.pointCount() < 4)
        return true; // a missing path must not collapse eye, view and up into one point
    eye = eyePath.at(f);
    view = viewPath.at(f);
    up = upPath.at(f);
    return true;
}
