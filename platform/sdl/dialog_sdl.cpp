// Modal dialogs on SDL2: a small window of its own, drawn with SDL's software renderer in the
// classic grey look (bevelled push buttons, round radio buttons, sunken check boxes, a dotted
// focus rectangle), labels rendered with FreeType in the sans face fontconfig picks for the
// template's font. Input goes to dialog_model, which owns the behaviour; this file only draws
// and translates events.
//
// The software renderer is deliberate: the dialog is tiny, it draws pixel-exact bevels, and it
// keeps the dialog clear of the OpenGL context the demo's window creates right after it.
#include "platform/backend.h"
#include "platform/sdl/sdl_keys.h"
#include "platform/sdl/dialog_model.h"
#include "platform/os.h"

#include <SDL.h>
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace os {
namespace {

using detail::PixelRect;

struct Colour {
    Uint8 r, g, b;
};

// The classic three-dimensional colour scheme.
constexpr Colour faceColour{192, 192, 192};
constexpr Colour highlightColour{255, 255, 255};
constexpr Colour lightColour{223, 223, 223};
constexpr Colour shadowColour{128, 128, 128};
constexpr Colour darkShadowColour{0, 0, 0};
constexpr Colour windowColour{255, 255, 255}; // inside check boxes and radio buttons
constexpr Colour textColour{0, 0, 0};

// 8 points at 96 dots per inch.
constexpr int labelPixelHeight = 11;
constexpr int checkBoxSize = 13;
constexpr int radioSize = 12;
constexpr int labelGap = 4;            // between the box or circle and its label
constexpr int pushButtonFocusInset = 4;
constexpr Uint32 waitSliceMs = 250;

// The radio button's circle: 'o' outer ring, 'i' inner ring, 'w' inside, 'x' the dot when
// checked, '.' face. Rings are shadowed on their upper-left half and lit on the lower-right.
constexpr const char* radioPattern[radioSize] = {
    "....oooo....",
    "..ooiiiioo..",
    ".oiiwwwwiio.",
    ".oiwwwwwwio.",
    "oiwwwxxwwwio",
    "oiwwxxxxwwio",
    "oiwwxxxxwwio",
    "oiwwwxxwwwio",
    ".oiwwwwwwio.",
    ".oiiwwwwiio.",
    "..ooiiiioo..",
    "....oooo....",
};

// The check mark, placed 3 pixels into the check box.
constexpr int checkMarkSize = 7;
constexpr const char* checkMarkPattern[checkMarkSize] = {
    "......x",
    ".....xx",
    "x...xxx",
    "xx.xxx.",
    "xxxxx..",
    ".xxx...",
    "..x....",
};

// The face fontconfig picks for a family name ("MS Sans Serif" becomes the system's sans),
// rendered at one pixel size into black-on-transparent textures.
class LabelFont {
public:
    ~LabelFont() {
        if (face_) FT_Done_Face(face_);
        if (library_) FT_Done_FreeType(library_);
    }

    bool open(const char* family, int pixelHeight) {
        const std::string path = findFontFile(family);
        if (path.empty() || FT_Init_FreeType(&library_) != 0) return false;
        if (FT_New_Face(library_, path.c_str(), 0, &face_) != 0) {
            face_ = nullptr;
            return false;
        }
        if (FT_Set_Pixel_Sizes(face_, 0, pixelHeight) != 0) return false;
        ascenderPixels_ = static_cast<int>(face_->size->metrics.ascender >> 6);
        heightPixels_ = ascenderPixels_ - static_cast<int>(face_->size->metrics.descender >> 6);
        return true;
    }

    // Null for empty text or when no face could be opened.
    SDL_Texture* render(SDL_Renderer* renderer, const char* text, int& width, int& height) {
        width = height = 0;
        if (!face_ || !text || !*text) return nullptr;
        for (const char* c = text; *c; ++c) {
            if (loadGlyph(*c)) width += static_cast<int>(face_->glyph->advance.x >> 6);
        }
        height = heightPixels_;
        SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormat(0, width, height, 32,
                                                              SDL_PIXELFORMAT_ARGB8888);
        if (!surface) return nullptr;
        SDL_FillRect(surface, nullptr, 0);
        int penX = 0;
        for (const char* c = text; *c; ++c) {
            if (!loadGlyph(*c)) continue;
            const FT_GlyphSlot glyph = face_->glyph;
            blit(surface, glyph->bitmap, penX + glyph->bitmap_left, ascenderPixels_ - glyph->bitmap_top);
            penX += static_cast<int>(glyph->advance.x >> 6);
        }
        SDL_Texture* texture = SDL_CreateTextureFromSurface(renderer, surface);
        SDL_FreeSurface(surface);
        if (texture) SDL_SetTextureBlendMode(texture, SDL_BLENDMODE_BLEND);
        return texture;
    }

private:
    // A configuration of our own rather than fontconfig's process-wide one, so the look-up
    // leaves nothing allocated behind it.
    static std::string findFontFile(const char* family) {
        std::string path;
        FcConfig* config = FcInitLoadConfigAndFonts();
        FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(family));
        if (config && pattern) {
            FcConfigSubstitute(config, pattern, FcMatchPattern);
            FcDefaultSubstitute(pattern);
            FcResult result = FcResultNoMatch;
            if (FcPattern* match = FcFontMatch(config, pattern, &result)) {
                FcChar8* file = nullptr;
                if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
                    path = reinterpret_cast<const char*>(file);
                }
                FcPatternDestroy(match);
            }
        }
        if (pattern) FcPatternDestroy(pattern);
        if (config) FcConfigDestroy(config);
        return path;
    }

    // Hinted, unsmoothed glyphs: crisp one-pixel stems, the way dialog text looked.
    bool loadGlyph(char c) {
        return FT_Load_Char(face_, static_cast<unsigned char>(c),
                            FT_LOAD_RENDER | FT_LOAD_TARGET_MONO | FT_LOAD_MONOCHROME) == 0;
    }

    static void blit(SDL_Surface* surface, const FT_Bitmap& bitmap, int left, int top) {
        auto* pixels = static_cast<Uint32*>(surface->pixels);
        const int pitch = surface->pitch / 4;
        for (unsigned row = 0; row < bitmap.rows; ++row) {
            const int y = top + static_cast<int>(row);
            if (y < 0 || y >= surface->h) continue;
            const unsigned char* source = bitmap.buffer + static_cast<int>(row) * bitmap.pitch;
            for (unsigned column = 0; column < bitmap.width; ++column) {
                const int x = left + static_cast<int>(column);
                if (x < 0 || x >= surface->w) continue;
                const unsigned coverage = bitmap.pixel_mode == FT_PIXEL_MODE_MONO
                    ? ((source[column / 8] >> (7 - column % 8)) & 1) * 255
                    : source[column];
                if (coverage == 0) continue;
                const Uint32 colour = (textColour.r << 16) | (textColour.g << 8) | textColour.b;
                pixels[y * pitch + x] = (coverage << 24) | colour;
            }
        }
    }

    FT_Library library_ = nullptr;
    FT_Face face_ = nullptr;
    int ascenderPixels_ = 0;
    int heightPixels_ = 0;
};

struct Label {
    SDL_Texture* texture = nullptr;
    int width = 0, height = 0;
};

// The dialog's window, renderer and the textures drawn from its template.
class DialogWindow {
public:
    ~DialogWindow() {
        for (Label& label : labels_) {
            if (label.texture) SDL_DestroyTexture(label.texture);
        }
        if (bitmap_) SDL_DestroyTexture(bitmap_);
        if (renderer_) SDL_DestroyRenderer(renderer_);
        if (window_) SDL_DestroyWindow(window_);
    }

    bool open(const DialogTemplate& dialogTemplate) {
        const PixelRect rect = detail::dialogRect(dialogTemplate);
        window_ = SDL_CreateWindow(dialogTemplate.caption ? dialogTemplate.caption : "", rect.x,
                                   rect.y, rect.width, rect.height, SDL_WINDOW_SHOWN);
        if (!window_) return false;
        renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
        if (!renderer_) return false;
        font_.open(dialogTemplate.fontName ? dialogTemplate.fontName : "sans", labelPixelHeight);
        for (const DialogControl& control : dialogTemplate.controls) {
            Label label;
            label.texture = font_.render(renderer_, control.text, label.width, label.height);
            labels_.push_back(label);
            if (control.kind == ControlKind::Bitmap && !bitmap_) loadBitmap(control);
        }
        SDL_RaiseWindow(window_);
        return true;
    }

    Uint32 id() const { return SDL_GetWindowID(window_); }

    void draw(const Dialog& dialog) {
        setColour(faceColour);
        SDL_RenderClear(renderer_);
        const auto& controls = dialog.dialogTemplate.controls;
        for (std::size_t i = 0; i < controls.size(); ++i) {
            const int index = static_cast<int>(i);
            const bool focused = dialog.focusIndex == index;
            const bool pushed = dialog.pressedIndex == index && dialog.pressedInside;
            const PixelRect rect = detail::controlRect(controls[i]);
            switch (controls[i].kind) {
            case ControlKind::Bitmap: drawBitmap(rect); break;
            case ControlKind::PushButton: drawPushButton(rect, labels_[i], focused, pushed); break;
            case ControlKind::RadioButton:
            case ControlKind::CheckBox:
                drawStateButton(controls[i].kind, rect, labels_[i], dialog.checkStates[i] == BST_CHECKED,
                                focused, pushed);
                break;
            }
        }
        SDL_RenderPresent(renderer_);
    }

private:
    void loadBitmap(const DialogControl& control) {
        if (!control.bitmap || control.bitmapSize == 0) return;
        SDL_RWops* stream = SDL_RWFromConstMem(control.bitmap, static_cast<int>(control.bitmapSize));
        SDL_Surface* surface = stream ? SDL_LoadBMP_RW(stream, 1) : nullptr;
        if (!surface) return;
        bitmap_ = SDL_CreateTextureFromSurface(renderer_, surface);
        bitmapWidth_ = surface->w;
        bitmapHeight_ = surface->h;
        SDL_FreeSurface(surface);
    }

    void setColour(Colour colour) { SDL_SetRenderDrawColor(renderer_, colour.r, colour.g, colour.b, 255); }

    void fill(int x, int y, int width, int height, Colour colour) {
        setColour(colour);
        const SDL_Rect rect{x, y, width, height};
        SDL_RenderFillRect(renderer_, &rect);
    }

    // A one-pixel frame: upper and left edges in one colour, lower and right in another.
    void frame(const PixelRect& r, Colour upperLeft, Colour lowerRight) {
        fill(r.x, r.y, r.width - 1, 1, upperLeft);
        fill(r.x, r.y, 1, r.height - 1, upperLeft);
        fill(r.x, r.y + r.height - 1, r.width, 1, lowerRight);
        fill(r.x + r.width - 1, r.y, 1, r.height, lowerRight);
    }

    static PixelRect inset(const PixelRect& r, int pixels) {
        return {r.x + pixels, r.y + pixels, r.width - 2 * pixels, r.height - 2 * pixels};
    }

    // Every other pixel along the rectangle's edge.
    void focusFrame(const PixelRect& r) {
        setColour(textColour);
        for (int x = 0; x < r.width; x += 2) {
            SDL_RenderDrawPoint(renderer_, r.x + x, r.y);
            SDL_RenderDrawPoint(renderer_, r.x + x, r.y + r.height - 1);
        }
        for (int y = 0; y < r.height; y += 2) {
            SDL_RenderDrawPoint(renderer_, r.x, r.y + y);
            SDL_RenderDrawPoint(renderer_, r.x + r.width - 1, r.y + y);
        }
    }

    void drawLabel(const Label& label, int x, int y) {
        if (!label.texture) return;
        const SDL_Rect target{x, y, label.width, label.height};
        SDL_RenderCopy(renderer_, label.texture, nullptr, &target);
    }

    void drawBitmap(const PixelRect& rect) {
        if (!bitmap_) return;
        // A picture control takes its bitmap's own size, placed at the control's corner.
        const SDL_Rect target{rect.x, rect.y, bitmapWidth_, bitmapHeight_};
        SDL_RenderCopy(renderer_, bitmap_, nullptr, &target);
    }

    // The focused push button is the default one: it gets a black outline around its bevel.
    void drawPushButton(const PixelRect& rect, const Label& label, bool focused, bool pushed) {
        PixelRect body = rect;
        if (focused) {
            frame(body, darkShadowColour, darkShadowColour);
            body = inset(body, 1);
        }
        if (pushed) {
            frame(body, shadowColour, shadowColour);
        } else {
            frame(body, highlightColour, darkShadowColour);
            frame(inset(body, 1), lightColour, shadowColour);
        }
        const int shift = pushed ? 1 : 0;
        drawLabel(label, rect.x + (rect.width - label.width) / 2 + shift,
                  rect.y + (rect.height - label.height) / 2 + shift);
        if (focused) focusFrame(inset(rect, pushButtonFocusInset));
    }

    void drawStateButton(ControlKind kind, const PixelRect& rect, const Label& label, bool checked,
                         bool focused, bool pushed) {
        const int boxSize = kind == ControlKind::CheckBox ? checkBoxSize : radioSize;
        const int boxX = rect.x;
        const int boxY = rect.y + (rect.height - boxSize) / 2;
        // Held down with the mouse, the inside turns face-grey until the button is released.
        const Colour inside = pushed ? faceColour : windowColour;
        if (kind == ControlKind::CheckBox) {
            const PixelRect box{boxX, boxY, boxSize, boxSize};
            frame(box, shadowColour, highlightColour);
            frame(inset(box, 1), darkShadowColour, lightColour);
            const PixelRect interior = inset(box, 2);
            fill(interior.x, interior.y, interior.width, interior.height, inside);
            if (checked) drawPattern(checkMarkPattern, checkMarkSize, boxX + 3, boxY + 3, true, inside);
        } else {
            drawPattern(radioPattern, radioSize, boxX, boxY, checked, inside);
        }
        const int textX = rect.x + boxSize + labelGap;
        const int textY = rect.y + (rect.height - label.height) / 2;
        drawLabel(label, textX, textY);
        if (focused && label.texture) {
            focusFrame({textX - 1, textY, label.width + 2, label.height});
        }
    }

    void drawPattern(const char* const* rows, int size, int left, int top, bool withMark, Colour inside) {
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                const bool upperLeft = x + y < size - 1;
                switch (rows[y][x]) {
                case 'o': setColour(upperLeft ? shadowColour : highlightColour); break;
                case 'i': setColour(upperLeft ? darkShadowColour : lightColour); break;
                case 'w': setColour(inside); break;
                case 'x': setColour(withMark ? textColour : inside); break;
                default: continue;
                }
                SDL_RenderDrawPoint(renderer_, left + x, top + y);
            }
        }
    }

    SDL_Window* window_ = nullptr;
    SDL_Renderer* renderer_ = nullptr;
    SDL_Texture* bitmap_ = nullptr;
    int bitmapWidth_ = 0, bitmapHeight_ = 0;
    LabelFont font_;
    std::vector<Label> labels_; // one per control, in template order
};

bool displayNamed() {
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 && *x11) || (wayland && *wayland);
}

// Windows virtual-key code of the keys a dialog answers to, 0 for the rest.
class DialogSession {
public:
    DialogSession(Dialog* dialog, DialogWindow& window) : dialog_(dialog), window_(window) {}

    void handle(const SDL_Event& event) {
        switch (event.type) {
        case SDL_WINDOWEVENT:
            if (event.window.windowID == window_.id() && event.window.event == SDL_WINDOWEVENT_CLOSE) {
                closeSeen_ = true;
                detail::closeBox(dialog_);
            }
            break;
        case SDL_QUIT:
            // Closing the last window also posts a quit, which must not close the dialog twice;
            // a quit on its own (an interrupt from the terminal) counts as the close box.
            if (!closeSeen_) detail::closeBox(dialog_);
            break;
        case SDL_MOUSEBUTTONDOWN:
            if (event.button.windowID == window_.id() && event.button.button == SDL_BUTTON_LEFT) {
                detail::mouseDown(dialog_, event.button.x, event.button.y);
            }
            break;
        case SDL_MOUSEMOTION:
            if (event.motion.windowID == window_.id()) {
                detail::mouseMove(dialog_, event.motion.x, event.motion.y);
            }
            break;
        case SDL_MOUSEBUTTONUP:
            if (event.button.windowID == window_.id() && event.button.button == SDL_BUTTON_LEFT) {
                detail::mouseUp(dialog_, event.button.x, event.button.y);
            }
            break;
        case SDL_KEYDOWN: {
            if (event.key.windowID != window_.id()) break;
            const uint32_t vk = detail::virtualKeyOfSdlKey(event.key.keysym.sym);
            // Held keys repeat for moving the focus only, so a held Enter clicks once.
            const bool moves = vk == VK_TAB || (vk >= VK_LEFT && vk <= VK_DOWN);
            if (!event.key.repeat || moves) {
                detail::pressKey(dialog_, vk, (event.key.keysym.mod & KMOD_SHIFT) != 0);
            }
            break;
        }
        default:
            break;
        }
    }

private:
    Dialog* dialog_;
    DialogWindow& window_;
    bool closeSeen_ = false;
};

} // namespace

// The key that ended the dialog (Enter on OK) is usually still held when the demo window opens,
// and the window would take it for a fresh press that ends the show at once. Wait (briefly)
// until every key is up.
// Video stays up once started: the demo window opens right after the dialog, and taking the
// X connection down and up again in between sometimes leaves the new window unmapped.
static bool startVideo() {
    if (SDL_WasInit(SDL_INIT_VIDEO)) return true;
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return false;
    std::atexit(SDL_Quit);
    return true;
}

static void waitForKeysReleased() {
    constexpr Uint32 longestWaitMs = 1000;
    const Uint32 deadline = SDL_GetTicks() + longestWaitMs;
    for (;;) {
        SDL_PumpEvents();
        int count = 0;
        const Uint8* keys = SDL_GetKeyboardState(&count);
        bool held = false;
        for (int i = 0; i < count && !held; ++i) held = keys[i] != 0;
        if (!held || SDL_TICKS_PASSED(SDL_GetTicks(), deadline)) break;
        SDL_Delay(5);
    }
    SDL_FlushEvents(SDL_KEYDOWN, SDL_KEYUP);
}

bool displayAvailable() {
    if (!displayNamed()) return false;
    if (SDL_WasInit(SDL_INIT_VIDEO)) return true;
    return startVideo();
}

intptr_t dialogBox(const DialogTemplate& dialogTemplate, DialogProc proc) {
    if (!displayNamed()) return -1;
    if (!startVideo()) return -1;
    intptr_t result = -1;
    {
        DialogWindow window;
        if (window.open(dialogTemplate)) {
            Dialog* dialog = detail::createDialog(dialogTemplate, proc);
            DialogSession session(dialog, window);
            while (!detail::ended(dialog)) {
                window.draw(*dialog);
                SDL_Event event;
                if (!SDL_WaitEventTimeout(&event, waitSliceMs)) continue;
                do {
                    session.handle(event);
                } while (!detail::ended(dialog) && SDL_PollEvent(&event));
            }
            waitForKeysReleased();
            // The result is taken before WM_DESTROY, whose handler may end the dialog again.
            result = detail::result(dialog);
            detail::destroyDialog(dialog);
        }
    }
    return result;
}

} // namespace os
