// TextureFeedback: image-space motion trails built on two Copy2Textures.
//
// A trail frame: setPersistence, beginCapture, draw the scene into the 512 x 512 capture square,
// endCapture (the scene becomes `capture`'s texture, the buffers are cleared), feedbackStep (the
// trail texture becomes persistence x old trail + (1 - persistence) x new scene, and that picture
// fills the window), and later drawResult, which adds the trail once more with the overlay's
// brightening blend. Moving objects leave trails that fade by the persistence every frame.
//
// The blend runs in one quad through the texture-combine set-ups of units 0 and 1; on a driver
// without the multitexture entry points it is drawn in two blended passes to the same result.
// The trail starts black and transparent and lasts across frames and scenes until overwritten.
// Window thread only, with the context current. beginCapture sets the capture viewport and
// endCapture does what Copy2Texture::grab does to the state; feedbackStep and drawResult leave
// the OpenGL state as they found it, the active texture unit included.
#pragma once

#include "effects/copy2texture.h"

#include <array>
#include <memory>

class TextureFeedback {
public:
    // Creates the capture, the trail and five spare textures (each logs its banner).
    TextureFeedback();

    void setPersistence(double value) { persistence = float(value); }
    float currentPersistence() const { return persistence; }

    // The capture square's viewport, its part outside the window cleared.
    void beginCapture();
    // The drawn square becomes the capture texture; buffers cleared, full-window viewport back.
    void endCapture();
    // Blends the capture into the trail, keeps the result as the new trail and shows it over the
    // whole window; the buffers are cleared before it is shown.
    void feedbackStep();
    // Lays the trail over the frame with the (GL_ONE, GL_DST_COLOR) blend.
    void drawResult();

    const Copy2Texture& captureTexture() const { return *capture; }
    const Copy2Texture& feedbackTexture() const { return *feedback; }

private:
    // The combine set-up of the active unit; unit 0 modulates, unit 1 interpolates.
    void setBlendCombine(GLint rgbCombine, GLint rgbSource2);
    void drawBlendQuad();
    // The same blend without multitexture: the old trail at persistence, the capture added at
    // 1 - persistence.
    void drawBlendInTwoPasses();

    std::unique_ptr<Copy2Texture> capture;  // the freshly drawn scene
    std::unique_ptr<Copy2Texture> feedback; // the persistent trail image
    float persistence = 0.5f;               // weight of the old trail in the blend
    float offset = 0.0f;                    // texture-coordinate overscan of the trail lookup
    std::array<std::unique_ptr<Copy2Texture>, 5> spares; // made with the object, never drawn
};
