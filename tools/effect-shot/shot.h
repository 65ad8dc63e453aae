// The effect lab's registry: each shot_*.cpp file registers the effects it can show alone.
// A shot is made once the headless window, the world and the lighting exist, then asked for
// one frame per 16 ms step of the virtual clock (demoTime and ticks already set for it); the
// last frame drawn is the picture written.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace lab {

class Shot {
public:
    virtual ~Shot() = default;
    // Advances the effect's per-frame state and draws the frame at `seconds` (the colour,
    // depth and stencil buffers are cleared before each call, the default viewport is set).
    virtual void frame(double seconds, int frameIndex) = 0;
};

struct ShotKind {
    std::string name;
    std::string description;
    std::function<std::unique_ptr<Shot>()> make;
};

// Adds a kind to the registry; returns true so it can initialise a file-scope constant.
bool registerShot(const std::string& name, const std::string& description,
                  std::function<std::unique_ptr<Shot>()> make);
const std::vector<ShotKind>& shotKinds();

} // namespace lab

// Registers ShotType (a lab::Shot with a default constructor) under name.
#define LAB_SHOT(name, description, ShotType)                                                       \
    static const bool registered##ShotType = lab::registerShot(                                     \
        name, description, [] { return std::unique_ptr<lab::Shot>(new ShotType()); })
