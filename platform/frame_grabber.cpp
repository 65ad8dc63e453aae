#include "platform/frame_grabber.h"

#include "platform/gl.h"

#include <cstring>

namespace os {
namespace {

struct BufferCalls {
    PFNGLGENBUFFERSPROC gen = nullptr;
    PFNGLDELETEBUFFERSPROC remove = nullptr;
    PFNGLBINDBUFFERPROC bind = nullptr;
    PFNGLBUFFERDATAPROC data = nullptr;
    PFNGLMAPBUFFERPROC map = nullptr;
    PFNGLUNMAPBUFFERPROC unmap = nullptr;

    bool load()
    {
        gen = reinterpret_cast<PFNGLGENBUFFERSPROC>(getProcAddress("glGenBuffers"));
        remove = reinterpret_cast<PFNGLDELETEBUFFERSPROC>(getProcAddress("glDeleteBuffers"));
        bind = reinterpret_cast<PFNGLBINDBUFFERPROC>(getProcAddress("glBindBuffer"));
        data = reinterpret_cast<PFNGLBUFFERDATAPROC>(getProcAddress("glBufferData"));
        map = reinterpret_cast<PFNGLMAPBUFFERPROC>(getProcAddress("glMapBuffer"));
        unmap = reinterpret_cast<PFNGLUNMAPBUFFERPROC>(getProcAddress("glUnmapBuffer"));
        return gen && remove && bind && data && map && unmap;
    }
};

BufferCalls calls;

} // namespace

bool FrameGrabber::start(Window* target)
{
    stop();
    window = target;
    clientSize(window, frameWidth, frameHeight);
    if (!window || frameWidth <= 0 || frameHeight <= 0)
        return false;
    const size_t bytes = size_t(frameWidth) * frameHeight * 4;
    if (calls.load()) {
        calls.gen(2, buffers);
        for (unsigned buffer : buffers) {
            calls.bind(GL_PIXEL_PACK_BUFFER, buffer);
            calls.data(GL_PIXEL_PACK_BUFFER, GLsizeiptr(bytes), nullptr, GL_STREAM_READ);
        }
        calls.bind(GL_PIXEL_PACK_BUFFER, 0);
        if (glGetError() != GL_NO_ERROR) {
            calls.remove(2, buffers);
            buffers[0] = buffers[1] = 0;
        }
    }
    if (!usesPixelBuffers())
        for (auto& frame : direct)
            frame.resize(bytes);
    grabs = 0;
    return true;
}

bool FrameGrabber::grab()
{
    if (!window)
        return false;
    const int slot = grabs % 2;
    bool read;
    if (usesPixelBuffers()) {
        calls.bind(GL_PIXEL_PACK_BUFFER, buffers[slot]);
        read = readFrameInto(window, nullptr);
        calls.bind(GL_PIXEL_PACK_BUFFER, 0);
    } else {
        read = readFrameInto(window, direct[slot].data());
    }
    if (read)
        ++grabs;
    return read;
}

bool FrameGrabber::copy(int age, std::vector<uint8_t>& rgba)
{
    if (!window || age < 0 || age > 1 || age >= grabs)
        return false;
    const int slot = (grabs - 1 - age) % 2;
    const size_t bytes = size_t(frameWidth) * frameHeight * 4;
    rgba.resize(bytes);
    if (!usesPixelBuffers()) {
        std::memcpy(rgba.data(), direct[slot].data(), bytes);
        return true;
    }
    calls.bind(GL_PIXEL_PACK_BUFFER, buffers[slot]);
    const void* mapped = calls.map(GL_PIXEL_PACK_BUFFER, GL_READ_ONLY);
    if (mapped)
        std::memcpy(rgba.data(), mapped, bytes);
    calls.unmap(GL_PIXEL_PACK_BUFFER);
    calls.bind(GL_PIXEL_PACK_BUFFER, 0);
    return mapped != nullptr;
}

void FrameGrabber::stop()
{
    if (usesPixelBuffers())
        calls.remove(2, buffers);
    buffers[0] = buffers[1] = 0;
    for (auto& frame : direct)
        frame.clear();
    grabs = 0;
    window = nullptr;
}

} // namespace os
