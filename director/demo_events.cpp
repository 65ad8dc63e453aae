// The director's timetable and event handler: arming every timed event once, right after the
// frame timer, and acting on each as it fires. The handler is the only place the scene changes.
#include "director/demo.h"

#include "director/timetable.h"
#include "geometry/ball.h"
#include "geometry/random.h"
#include "world/world.h"

void Demo::armSceneEvents(int32_t)
{
    // Scene events are taken as they stand: the lead applies to the beats only.
    for (const timetable::TimedEvent& event : timetable::sceneEvents())
        schedule.arm(event.id, event.timeMs);
}

void Demo::armBeatEvents(int32_t lead)
{
    for (const timetable::TimedEvent& event : timetable::beatEvents())
        schedule.arm(event.id, event.timeMs + lead);
}

void Demo::replaceBalls()
{
    auto& balls = landscape->balls;
    for (int i = 0; i < landscape->ballCount && i < int(balls.size()); ++i) {
        Vec3 v;
        if (i < 5) {
            v = Vec3(0.99, 0.5, i - 7);
        } else if (i < 10) {
            v = Vec3(0.5, 1.0, i - 12);
        } else {
            const int a = crt::rand() % 100;
            const int b = crt::rand() % 100;
            const int c = crt::rand() % 100;
            v = Vec3(0.02 * c, 0.01 * b, 0.02 * a - 7);
        }
        balls[size_t(i)]->setPosition(v);
        balls[size_t(i)]->setVelocity(Vec3(0, 0, 0));
        balls[size_t(i)]->resetSpin();
    }
}

void Demo::useBallCamera()
{
    if (currentCamera == ballCamera.get())
        return;
    // The start-up camera has flown its part; it is kept (reachable, never drawn with again)
    // rather than dropped, so nothing is lost when the current camera moves on.
    startupCamera.reset(currentCamera);
    currentCamera = ballCamera.get();
}

void Demo::onEvent(uintptr_t identifier)
{
    // Every beat pulses the metaballs and the star glow, and does nothing else.
    if (identifier > 5000 && identifier < 6000) {
        metaballs->pulse();
        starGlow->kick();
    }
    switch (identifier) {
    case 101: imageEffect->stopSource(); break;
    case 6001:
        scene = 2;
        imageEffect->startFade();
        break;
    case 6002: scene = 3; break;
    case 6003: scene = 4; break;
    case 6004: scene = 5; break;
    case 7001:
        titleText->startTyping("#Vornix presents Talvoren.  Glimmerfair");
        titleLayers = false;
        break;
    case 7002: titleLayers = true; break;
    case 7003:
        titleText->startTyping("#Vornix presents Talvoren.  Glimmerfair 2003");
        titleLayers = false;
        break;
    case 7004: titleLayers = true; break;
    case 1000:
        spaceScene->ramp.setDuration(13.6);
        spaceScene->ramp.start();
        scene = 6;
        break;
    case 1100:
    case 1101:
    case 1102:
    case 1103: blendMesh->restart(); break;
    case 7100:
        flash->setDurations(5, 25);
        flash->start();
        break;
    case 7101:
        flash->setDurations(5, 10);
        flash->start();
        break;
    case 2000:
        flash->setDurations(5, 45);
        flash->start();
        scene = 7;
        break;
    case 9000: flash->start(); break;
    case 9001:
        flash->setDurations(5, 60);
        flash->start();
        break;
    case 2001:
        useBallCamera();
        landscape->freeFlight = !landscape->freeFlight;
        replaceBalls();
        scene = 8;
        break;
    case 2002:
        landscape->freeFlight = !landscape->freeFlight;
        scene = 8;
        break;
    case 2003:
        scene = 9;
        replaceBalls();
        frameLines->setLayout(2);
        break;
    case 2004:
        waveSheet->fadeStart = demoTime;
        waveSheet->fading = true;
        waveSheet->fadeDuration = 15.0f;
        waveTick = 1;
        scene = 10;
        break;
    case 2005:
        scene = 11;
        sceneStart = demoTime;
        break;
    case 2006:
    case 2008:
    case 2010:
    case 2012:
    case 2014:
    case 2016:
    case 2018:
    case 2020:
    case 2022:
        scene = int32_t(identifier) - 1994;
        sceneStart = demoTime;
        break;
    case 2023:
        sceneStart = demoTime;
        prepareWaveScene();
        scene = 29;
        break;
    case 696970:
        scene = 666;
        closingGlow->trigger();
        break;
    default: break; // 696969 has already asked the loop to end; others have no action
    }
}
