// Cameras and the spline paths they fly along. A CameraPath is a uniform Catmull-Rom curve
// through its control points with a cursor (segment, fraction) that only moves forward; a
// Camera holds three such curves (eye, point looked at, up) read from a path file and follows
// them at an even speed through space, whatever the spacing of the recorded points.
#pragma once

#include "geometry/vec3.h"

#include <vector>

class CameraPath {
public:
    void addPoint(double x, double y, double z) { points.emplace_back(x, y, z); }
    int pointCount() const { return int(points.size()); }
    float speed() const { return stepSize; }
    void setSpeed(double s) { stepSize = float(s); }
    void reset()
    {
        segment = 0;
        fraction = 0.0f;
    }

    // The curve point of segment i (from point i+1 at u = 0 to point i+2 at u = 1). Paths of
    // fewer than four points have no curve: they give their nearest point, or the origin.
    Vec3 evaluate(int i, float u) const;
    bool current(Vec3& point) const;
    // One step of the cursor; false once the path has ended (and from then on).
    bool advance();
    bool next(Vec3& point);
    // The point k steps ahead, without moving the cursor; false if the path ends before.
    bool peek(int k, Vec3& point) const;
    // The point at fraction f (clamped to [0, 1]) of the whole path; the last segment is never
    // entered: f = 1 is the start of it.
    Vec3 at(double f) const;

    int cursorSegment() const { return segment; }
    float cursorFraction() const { return fraction; }
    const Vec3& point(int index) const { return points[size_t(index)]; }

private:
    static bool stepCursor(int& segment, float& fraction, float speed, int pointCount);

    std::vector<Vec3> points;
    int segment = 0;
    float fraction = 0.0f;
    float stepSize = 0.02f; // added to the fraction per step
};

class Camera {
public:
    Camera();

    // Eye, point looked at, and up (normalised).
    void set(double ex, double ey, double ez, double vx, double vy, double vz, double ux, double uy, double uz);
    // gluLookAt on the current matrix; callers load the identity first for an absolute camera.
    void apply() const;
    // Appends the control points of a path file (groups of nine numbers); false when the file
    // cannot be opened.
    bool loadPath(const char* path);
    // Moves along the paths by about stepDistance; false when they are too short or have ended.
    bool followPath();
    // Puts the camera at fraction f of its paths (paths of fewer than four points: unchanged).
    bool jumpTo(double f);

    CameraPath eyePath, viewPath, upPath;
    Vec3 eye{0, 0, -10};
    Vec3 view;
    Vec3 up{0, 1, 0};
    float stepDistance = 0.03f; // units the eye travels per followPath call
};

// The camera scenes look through: the start-up camera, switched to the ball camera by an event.
// Written by preInit and the event handler; read by the scene renderers.
extern Camera* currentCamera;
