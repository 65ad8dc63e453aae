#include "geometry/ball.h"

#include "app/log.h"
#include "assets/utility.h"
#include "geometry/mesh.h"
#include "geometry/nobject.h"
#include "world/gl_scope.h"
#include "world/world.h"

#include "platform/gl.h"

namespace {
constexpr double bounceThreshold = 0.5; // slower normal speeds rest on the surface instead
constexpr double rollingLoss = 0.999;
} // namespace

Ball::Ball() : model(std::make_unique<NObject>())
{
    if (logger)
        logger->printObject("Ball Object");
    model->load3DS("./data/ball3.3ds");
    model->scale(radius / modelSize);
    model->setTexture("./data/checker.jpg", jpgFileType);
    model->initShadow();
    model->buildDisplayLists(shadeTextured);
}

Ball::~Ball() = default;

void Ball::setRadius(double r)
{
    model->scale(r / radius);
    radius = float(r);
    model->buildDisplayLists(shadeTextured);
}

void Ball::integrate()
{
    force += gravity * mass;
    velocity += (force / mass) * timeStep;
    position += velocity * timeStep;
    force = Vec3();
}

void Ball::halfStep()
{
    force += gravity;
    velocity += (force / mass) * (timeStep * 0.5);
    force = Vec3();
}

void Ball::collidePlane(const Vec3& contact, const Vec3& normal, const Vec3& tangentA, const Vec3& tangentB)
{
    position = contact;
    Vec3 d = normal * -velocity.dot(normal);
    if (d.length() > bounceThreshold)
        d = d * bounceFactor;
    velocity += d;
    velocity = velocity * rollingLoss;
    const Vec3 a = tangentA * -velocity.dot(tangentA);
    const Vec3 b = tangentB * -velocity.dot(tangentB);
    spinAxis = a + b;
    spinAngle = float(spinAxis.length() * timeStep * 360.0 / (2.0 * piValue * radius));
    spinAxis = spinAxis.cross(normal);
}

void Ball::collideBalls(std::vector<Ball*>& balls)
{
    for (size_t p = 0; p < balls.size(); ++p) {
        for (size_t q = p + 1; q < balls.size(); ++q) {
            Ball& first = *balls[p];
            Ball& second = *balls[q];
            const Vec3 d = first.position - second.position;
            const double dist = d.length();
            const double gap = dist - (first.radius + second.radius);
            if (gap >= 0)
                continue;
            const Vec3 n = d.normalized();
            const Vec3 u1 = n * first.velocity.dot(n);
            const Vec3 u2 = n * second.velocity.dot(n);
            const double m1 = first.mass, m2 = second.mass;
            const Vec3 w1 = (u1 * (m1 - m2) + u2 * (2 * m2)) / (m1 + m2);
            const Vec3 w2 = (u2 * (m2 - m1) + u1 * (2 * m1)) / (m1 + m2);
            first.velocity += u1 * -1.0;
            first.velocity += w1 * collisionFactor;
            first.position += n * (gap / -2.0);
            second.velocity += u2 * -1.0;
            second.velocity += w2 * collisionFactor;
            second.position += n * (gap / 2.0);
        }
    }
}

void Ball::draw()
{
    AttribScope attributes;
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, materialAmbient);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, materialDiffuse);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, materialSpecular);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, materialShininess);
    model->setPosition(position);
    model->move(Vec3(0, radius, 0));
    model->rotate(spinAngle, spinAxis.x, spinAxis.y, spinAxis.z);
    if (world)
        world->setLightPosition(0, 300, 0);
    model->draw(shadeDisplayList);
}

void Ball::drawShadow()
{
    if (world)
        world->setLightPosition(0, 300, 0);
    model->draw(shadeShadowVolume);
}
