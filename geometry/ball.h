// A textured ball with simple rigid-body motion: it falls under gravity, bounces on or rolls
// over a surface that the caller describes point by point, collides elastically with other balls
// and turns as it rolls. It is drawn from a display list with a lit material and casts a stencil
// shadow volume. Time advances by timeStep per step, not by real time.
#pragma once

#include "geometry/vec3.h"

#include <memory>
#include <vector>

class NObject;

class Ball {
public:
    Ball();
    ~Ball();

    void draw();
    void drawShadow();

    void setPosition(const Vec3& v) { position = v; }
    void setVelocity(const Vec3& v) { velocity = v; }
    void addVelocity(const Vec3& v) { velocity += v; }
    void setMass(double m) { mass = float(m); }
    // Rescales the model and compiles new display lists (the old lists are left as they are).
    void setRadius(double r);
    // Stops the turning; the ball keeps its present orientation.
    void resetSpin() { spinAngle = 0; }

    void integrate();
    void halfStep();
    bool isBelow(const Vec3& p) const { return position.y < p.y; }
    void collidePlane(const Vec3& contact, const Vec3& normal, const Vec3& tangentA, const Vec3& tangentB);
    // Collides every pair of balls (p < q, in order, with updated values), using this ball's
    // collisionFactor.
    void collideBalls(std::vector<Ball*>& balls);

    std::unique_ptr<NObject> model;
    Vec3 force;
    Vec3 gravity{0, -9, 0};
    Vec3 velocity{1.5, 0, 0};   // units per second
    float spinAngle = 0;        // degrees turned per drawn frame
    Vec3 spinAxis;
    float radius = 0.1f;
    float modelSize = 100;      // the ball's radius in the model file's units
    float piValue = 3.1415f;    // the pi that rolling is tuned to
    float mass = 1.0f;
    float timeStep = 0.02f;     // seconds per integrate
    float bounceFactor = 1.8f;  // the reversed normal velocity leaves at 0.8 of what it was
    float collisionFactor = 0.9f;
    float materialAmbient[4] = {0.4f, 0.4f, 0.4f, 1.0f};
    float materialDiffuse[4] = {0.8f, 0.8f, 0.8f, 0.8f};
    float materialSpecular[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    float materialShininess = 30;
    Vec3 position; // the ball's lowest point: the model is drawn one radius above it
};
