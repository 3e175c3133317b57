#include "VirtualDisplay.hpp"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <stdexcept>
#include <unistd.h>

namespace harness {

namespace {

// Xlib's default error handler exits the whole test run; a window that vanished between two
// requests is an ordinary event here.
int ignoreXErrors(Display*, XErrorEvent*)
{
    return 0;
}

unsigned int lowestSetBit(unsigned long mask)
{
    unsigned int shift = 0;
    while (mask != 0 && (mask & 1UL) == 0) {
        mask >>= 1;
        ++shift;
    }
    return shift;
}

} // namespace

VirtualDisplay::VirtualDisplay()
{
    int ready[2];
    if (pipe(ready) != 0)
        throw std::runtime_error("cannot create a pipe for Xvfb");
    fcntl(ready[0], F_SETFD, FD_CLOEXEC);
    // Xvfb writes the display number it picked to the descriptor it is given, once it accepts
    // connections; the child inherits the write end under the same number.
    server = std::make_unique<ChildProcess>(std::vector<std::string>{"/usr/bin/Xvfb", "-displayfd",
                                                                     std::to_string(ready[1]), "-screen", "0",
                                                                     "2048x1536x24", "-nolisten", "tcp", "-noreset"});
    close(ready[1]);

    std::string number;
    char c = 0;
    while (read(ready[0], &c, 1) == 1 && c != '\n')
        number += c;
    close(ready[0]);
    if (number.empty())
        throw std::runtime_error("Xvfb did not start: " + server->standardError());

    displayName = ":" + number;
    connection = XOpenDisplay(displayName.c_str());
    if (connection == nullptr)
        throw std::runtime_error("cannot connect to " + displayName);
    XSetErrorHandler(ignoreXErrors);
}

VirtualDisplay::~VirtualDisplay()
{
    if (connection != nullptr)
        XCloseDisplay(connection);
    server->signal(SIGTERM);
    server->waitForExit(5s);
}

void VirtualDisplay::terminateServer()
{
    // Our own connection would die with the server; let it go first.
    XCloseDisplay(connection);
    connection = nullptr;
    server->signal(SIGKILL);
    server->waitForExit(5s);
}

std::optional<XID> VirtualDisplay::findWindow(const std::string& wantedTitle, std::chrono::milliseconds timeout)
{
    std::optional<XID> found;
    waitUntil(
        [&] {
            Window root = 0;
            Window parent = 0;
            Window* children = nullptr;
            unsigned int count = 0;
            if (XQueryTree(connection, DefaultRootWindow(connection), &root, &parent, &children, &count) == 0)
                return false;
            for (unsigned int i = 0; i < count && !found; ++i) {
                XWindowAttributes attributes;
                if (XGetWindowAttributes(connection, children[i], &attributes) != 0 &&
                    attributes.map_state == IsViewable && title(children[i]) == wantedTitle)
                    found = children[i];
            }
            if (children != nullptr)
                XFree(children);
            return found.has_value();
        },
        timeout);
    return found;
}

std::string VirtualDisplay::title(XID window)
{
    char* rawName = nullptr;
    std::string result;
    if (XFetchName(connection, window, &rawName) != 0 && rawName != nullptr) {
        result = rawName;
        XFree(rawName);
    }
    return result;
}

std::pair<int, int> VirtualDisplay::size(XID window)
{
    XWindowAttributes attributes{};
    XGetWindowAttributes(connection, window, &attributes);
    return {attributes.width, attributes.height};
}

Image VirtualDisplay::capture(XID window)
{
    const auto [width, height] = size(window);
    Image image;
    XImage* const shot = XGetImage(connection, window, 0, 0, static_cast<unsigned int>(width),
                                   static_cast<unsigned int>(height), AllPlanes, ZPixmap);
    if (shot == nullptr)
        return image;
    image.width = width;
    image.height = height;
    image.rgb.reserve(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3);
    const unsigned int redShift = lowestSetBit(shot->red_mask);
    const unsigned int greenShift = lowestSetBit(shot->green_mask);
    const unsigned int blueShift = lowestSetBit(shot->blue_mask);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const unsigned long pixel = XGetPixel(shot, x, y);
            image.rgb.push_back(static_cast<std::uint8_t>((pixel & shot->red_mask) >> redShift));
            image.rgb.push_back(static_cast<std::uint8_t>((pixel & shot->green_mask) >> greenShift));
            image.rgb.push_back(static_cast<std::uint8_t>((pixel & shot->blue_mask) >> blueShift));
        }
    }
    XDestroyImage(shot);
    return image;
}

void VirtualDisplay::resize(XID window, int width, int height)
{
    // Pictures can only be taken of what is on screen, so an enlarged window moves to the
    // top-left corner, as a desktop keeps a window on screen.
    XMoveResizeWindow(connection, window, 0, 0, static_cast<unsigned int>(width), static_cast<unsigned int>(height));
    sync();
}

void VirtualDisplay::requestClose(XID window)
{
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(connection, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(connection, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(connection, window, False, NoEventMask, &event);
    sync();
}

void VirtualDisplay::sendKeys(const std::vector<std::string>& keyNames, bool down)
{
    for (const std::string& keyName : keyNames) {
        const KeyCode code = XKeysymToKeycode(connection, XStringToKeysym(keyName.c_str()));
        XTestFakeKeyEvent(connection, code, down ? True : False, CurrentTime);
    }
    sync();
}

void VirtualDisplay::sync()
{
    XSync(connection, False);
}

} // namespace harness
