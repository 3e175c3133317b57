// Preloaded into a program to keep the frames it shows, without changing it: of its first
// FRAME_GRAB_COUNT frames, the first and then every FRAME_GRAB_EVERY-th (1: all) is read back from
// the back buffer just before it is shown and appended to the file FRAME_GRAB_FILE names, as the
// window's RGBA bytes, bottom row first (OpenGL's order). The window's size is the viewport's,
// which the program sets to all of it.

#include "SwapHook.hpp"

#include <GL/gl.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <vector>

namespace {

long setting(const char* name, long fallback)
{
    const char* const text = std::getenv(name);
    return text != nullptr ? std::strtol(text, nullptr, 10) : fallback;
}

// Whether the frame about to be shown is one to keep.
bool wanted()
{
    static const long count = setting("FRAME_GRAB_COUNT", 0);
    static const long every = std::max(setting("FRAME_GRAB_EVERY", 1), 1L);
    static long shown = 0;
    const long frame = shown++;
    return frame < count && frame % every == 0;
}

} // namespace

void beforeBufferSwap()
{
    const char* const path = std::getenv("FRAME_GRAB_FILE");
    if (path == nullptr || !wanted())
        return;
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    std::vector<char> rgba(static_cast<std::size_t>(viewport[2]) * static_cast<std::size_t>(viewport[3]) * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, viewport[2], viewport[3], GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    std::ofstream(path, std::ios::binary | std::ios::app).write(rgba.data(), static_cast<std::streamsize>(rgba.size()));
}

void onBufferSwap() { }
