#include "VirtualDisplay.hpp"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xcomposite.h>
extern "C" {
#include <xdo.h>
}

#include <SfmlBridge.hpp>
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
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

} // namespace

VirtualDisplay::VirtualDisplay(Desktop desktop)
    : kind(desktop)
{
    if (desktop == Desktop::Weston) {
        startWeston();
        return;
    }
    startXvfb();
    if (desktop == Desktop::Openbox)
        startOpenbox();
}

void VirtualDisplay::startXvfb()
{
    int ready[2];
    if (pipe(ready) != 0)
        throw std::runtime_error("cannot create a pipe for Xvfb");
    fcntl(ready[0], F_SETFD, FD_CLOEXEC);
    // Xvfb writes the display number it picked to the descriptor it is given, once it accepts
    // connections; the child inherits the write end under the same number. Hand-written, as
    // no library starts a server this way.
    server = std::make_unique<ChildProcess>(std::vector<std::string>{
        "/usr/bin/Xvfb", "-displayfd", std::to_string(ready[1]), "-screen", "0", "2048x1536x24", "-nolisten", "tcp",
        // reports each client that connects
        "-audit", "4"});
    close(ready[1]);

    std::string number;
    char c = 0;
    while (read(ready[0], &c, 1) == 1 && c != '\n')
        number += c;
    close(ready[0]);
    if (number.empty())
        throw std::runtime_error("Xvfb did not start: " + server->standardError());
    displayName = ":" + number;
    client();
}

void VirtualDisplay::startOpenbox()
{
    manager = std::make_unique<ChildProcess>(std::vector<std::string>{"/usr/bin/openbox", "--sm-disable"},
                                             std::map<std::string, std::string>{{"DISPLAY", displayName}});
    // Openbox announces itself on the root window early in its start, before it has read its
    // theme and fonts, and may then leave new windows unmapped for a long while; it is ready
    // once it has taken over a window of ours.
    const XID probe = createPlainWindow("openbox probe");
    const bool ready = waitUntil([&] { return managed(probe); }, 60s);
    // Gone for good only once Openbox has let it go with its frame: libxdo's window search
    // crashes on a window that vanishes under it.
    XDestroyWindow(client(), probe);
    sync();
    waitUntil([&] { return !managed(probe); }, 10s);
    if (!ready)
        throw DesktopUnavailable("openbox did not take over a window in 60 s: " + manager->standardError());
}

// Weston picks the X display number for XWayland itself and says which in its log; XWayland
// starts when the first X client connects.
void VirtualDisplay::startWeston()
{
    std::string directory = std::filesystem::temp_directory_path() / "weston-XXXXXX";
    if (mkdtemp(directory.data()) == nullptr)
        throw std::runtime_error("cannot make a runtime folder for weston");
    runtimeDirectory = directory;
    const std::string log = runtimeDirectory + "/weston.log";
    try {
        manager = std::make_unique<ChildProcess>(
            std::vector<std::string>{"/usr/bin/weston", "--backend=headless-backend.so", "--xwayland", "--width=1280",
                                     "--height=1024", "--idle-time=0", "--socket=wayland-test", "--log=" + log},
            std::map<std::string, std::string>{
                {"XDG_RUNTIME_DIR", runtimeDirectory}, {"WAYLAND_DISPLAY", ""}, {"DISPLAY", ""}});
    } catch (const std::exception& error) {
        throw DesktopUnavailable(std::string("weston cannot run: ") + error.what());
    }
    const std::string marker = "xserver listening on display ";
    std::string text;
    waitUntil(
        [&] {
            std::ifstream file(log);
            text.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
            return text.find(marker) != std::string::npos || !manager->running();
        },
        20s);
    const std::size_t at = text.find(marker);
    if (at == std::string::npos)
        throw DesktopUnavailable("weston with XWayland did not start:\n" + text + manager->standardError());
    displayName = text.substr(at + marker.size(), text.find('\n', at) - at - marker.size());
    client();
}

VirtualDisplay::~VirtualDisplay()
{
    disconnect();
    if (manager) {
        manager->signal(SIGTERM);
        manager->waitForExit(5s);
    }
    if (server) {
        server->signal(SIGTERM);
        server->waitForExit(5s);
    }
    if (!runtimeDirectory.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(runtimeDirectory, ignored);
    }
}

Display* VirtualDisplay::client()
{
    if (connection == nullptr) {
        // A server that has just lost its last client may still be resetting for a moment.
        waitUntil([&] { return (connection = XOpenDisplay(displayName.c_str())) != nullptr; }, 5s);
        if (connection == nullptr)
            throw std::runtime_error("cannot connect to " + displayName);
        XSetErrorHandler(ignoreXErrors);
    }
    return connection;
}

xdo* VirtualDisplay::automation()
{
    if (xdoContext == nullptr)
        xdoContext = xdo_new_with_opened_display(client(), displayName.c_str(), 0);
    return xdoContext;
}

void VirtualDisplay::disconnect()
{
    if (xdoContext != nullptr)
        xdo_free(xdoContext);
    xdoContext = nullptr;
    if (connection != nullptr)
        XCloseDisplay(connection);
    connection = nullptr;
}

std::size_t VirtualDisplay::clientsConnected() const
{
    const std::string log = server->standardError();
    std::size_t count = 0;
    for (std::size_t at = log.find(" connected from "); at != std::string::npos;
         at = log.find(" connected from ", at + 1))
        ++count;
    return count;
}

void VirtualDisplay::terminateServer()
{
    // Our own connection would die with the server; let it go first.
    disconnect();
    if (manager) {
        manager->signal(SIGKILL);
        manager->waitForExit(5s);
    }
    server->signal(SIGKILL);
    server->waitForExit(5s);
}

// A window manager lists the windows it has taken over on the root window; until then it
// ignores requests about them.
bool VirtualDisplay::managed(XID window)
{
    const std::vector<XID> clients = rootWindowList("_NET_CLIENT_LIST");
    return std::find(clients.begin(), clients.end(), window) != clients.end();
}

// A list of windows that the window manager keeps in a property of the root window; libxdo
// reads no such lists.
std::vector<XID> VirtualDisplay::rootWindowList(const char* property)
{
    Atom type = 0;
    int format = 0;
    unsigned long items = 0;
    unsigned long left = 0;
    unsigned char* data = nullptr;
    XGetWindowProperty(client(), DefaultRootWindow(client()), XInternAtom(client(), property, False), 0, 1024, False,
                       XA_WINDOW, &type, &format, &items, &left, &data);
    std::vector<XID> windows;
    if (data != nullptr) {
        const auto* const listed = reinterpret_cast<const Window*>(data);
        windows.assign(listed, listed + items);
        XFree(data);
    }
    return windows;
}

std::optional<XID> VirtualDisplay::findWindow(const std::string& wantedTitle, std::chrono::milliseconds timeout)
{
    const std::string pattern = "^" + wantedTitle + "$";
    xdo_search_t search{};
    search.winname = pattern.c_str();
    search.searchmask = SEARCH_NAME;
    search.only_visible = True;
    search.max_depth = -1;
    search.require = xdo_search_t::SEARCH_ALL;
    std::optional<XID> found;
    waitUntil(
        [&] {
            Window* windows = nullptr;
            unsigned int count = 0;
            xdo_search_windows(automation(), &search, &windows, &count);
            for (unsigned int i = 0; i < count && !found; ++i)
                if (kind != Desktop::Openbox || managed(windows[i]))
                    found = windows[i];
            if (windows != nullptr)
                XFree(windows);
            return found.has_value();
        },
        timeout);
    return found;
}

std::string VirtualDisplay::title(XID window)
{
    char* rawName = nullptr;
    std::string result;
    if (XFetchName(client(), window, &rawName) != 0 && rawName != nullptr) {
        result = rawName;
        XFree(rawName);
    }
    return result;
}

std::pair<int, int> VirtualDisplay::size(XID window)
{
    unsigned int width = 0;
    unsigned int height = 0;
    xdo_get_window_size(automation(), window, &width, &height);
    return {static_cast<int>(width), static_cast<int>(height)};
}

// ImageMagick's import takes the picture, as a desktop user would, and hands it over as a PNG.
// A compositor (Weston, for XWayland) places windows where it likes, partly off its output, and
// keeps each window's contents in a pixmap of its own: read from there, the picture is whole
// wherever the window stands. Nothing where the window is not redirected (a bare server).
std::optional<Image> VirtualDisplay::captureRedirected(XID window)
{
    int eventBase = 0;
    int errorBase = 0;
    XWindowAttributes attributes{};
    if (XCompositeQueryExtension(client(), &eventBase, &errorBase) == False ||
        XGetWindowAttributes(client(), window, &attributes) == 0)
        return std::nullopt;
    const Pixmap pixmap = XCompositeNameWindowPixmap(client(), window);
    XImage* const contents = XGetImage(client(), pixmap, 0, 0, static_cast<unsigned int>(attributes.width),
                                       static_cast<unsigned int>(attributes.height), AllPlanes, ZPixmap);
    XFreePixmap(client(), pixmap);
    sync();
    if (contents == nullptr)
        return std::nullopt;
    std::vector<std::uint8_t> rgba;
    for (int y = 0; y < attributes.height; ++y) {
        for (int x = 0; x < attributes.width; ++x) {
            const unsigned long pixel = XGetPixel(contents, x, y);
            rgba.insert(rgba.end(), {static_cast<std::uint8_t>(pixel >> 16), static_cast<std::uint8_t>(pixel >> 8),
                                     static_cast<std::uint8_t>(pixel), 255});
        }
    }
    XDestroyImage(contents);
    return desktop::imageFromPixels(
        sf::Vector2u(static_cast<unsigned int>(attributes.width), static_cast<unsigned int>(attributes.height)), rgba);
}

Image VirtualDisplay::capture(XID window)
{
    if (std::optional<Image> whole = captureRedirected(window))
        return *whole;
    ChildProcess import({"/usr/bin/import", "-window", std::to_string(window), "png:-"}, {{"DISPLAY", displayName}});
    const std::string png = import.waitForExit(10s) ? import.standardOutput() : "";
    Image image;
    if (!png.empty())
        static_cast<void>(image.loadFromMemory(png.data(), png.size()));
    return image;
}

void VirtualDisplay::resize(XID window, int width, int height)
{
    // Pictures can only be taken of what is on screen, so an enlarged window moves to the
    // top-left corner, as a desktop keeps a window on screen.
    xdo_move_window(automation(), window, 0, 0);
    xdo_set_window_size(automation(), window, width, height, 0);
    sync();
}

// Client messages are written out: libxdo has no call for a close request or for these
// window-manager requests.
void VirtualDisplay::sendMessage(XID window, const char* type, std::initializer_list<long> data, bool toWindowManager)
{
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(client(), type, False);
    event.xclient.format = 32;
    std::copy(data.begin(), data.end(), event.xclient.data.l);
    if (toWindowManager)
        XSendEvent(client(), DefaultRootWindow(client()), False, SubstructureRedirectMask | SubstructureNotifyMask,
                   &event);
    else
        XSendEvent(client(), window, False, NoEventMask, &event);
    sync();
}

long VirtualDisplay::atom(const char* atomName)
{
    return static_cast<long>(XInternAtom(client(), atomName, False));
}

void VirtualDisplay::requestClose(XID window)
{
    sendMessage(window, "WM_PROTOCOLS", {atom("WM_DELETE_WINDOW"), CurrentTime}, false);
}

void VirtualDisplay::closeThroughWindowManager(XID window)
{
    // Source 2: from a pager or panel, as a title bar's button is.
    sendMessage(window, "_NET_CLOSE_WINDOW", {CurrentTime, 2}, true);
}

void VirtualDisplay::changeState(XID window, bool on, const char* property)
{
    // _NET_WM_STATE_ADD or _REMOVE, the state, no second state, from an application.
    sendMessage(window, "_NET_WM_STATE", {on ? 1 : 0, atom(property), 0, 1}, true);
}

void VirtualDisplay::sendKeys(const std::vector<std::string>& keyNames, bool down)
{
    std::string chord;
    for (const std::string& keyName : keyNames)
        chord += (chord.empty() ? "" : "+") + keyName;
    if (down)
        xdo_send_keysequence_window_down(automation(), CURRENTWINDOW, chord.c_str(), 0);
    else
        xdo_send_keysequence_window_up(automation(), CURRENTWINDOW, chord.c_str(), 0);
    sync();
}

void VirtualDisplay::maximise(XID window, bool on)
{
    changeState(window, on, "_NET_WM_STATE_MAXIMIZED_VERT");
    changeState(window, on, "_NET_WM_STATE_MAXIMIZED_HORZ");
}

void VirtualDisplay::fullscreen(XID window, bool on)
{
    changeState(window, on, "_NET_WM_STATE_FULLSCREEN");
}

void VirtualDisplay::minimise(XID window)
{
    xdo_minimize_window(automation(), window);
    sync();
}

// Written out rather than xdo_activate_window(), which leaks what it reads of the desktop.
void VirtualDisplay::activate(XID window)
{
    // Source 2: from a pager or panel, which a window manager always obeys.
    sendMessage(window, "_NET_ACTIVE_WINDOW", {2, CurrentTime, 0}, true);
}

void VirtualDisplay::waitForMapState(XID window, bool viewable)
{
    xdo_wait_for_window_map_state(automation(), window, viewable ? IsViewable : IsUnmapped);
}

// Made with Xlib: libxdo makes no windows.
XID VirtualDisplay::createPlainWindow(const std::string& windowTitle)
{
    Display* const display = client();
    const Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 300, 200, 0, 0,
                                              WhitePixel(display, DefaultScreen(display)));
    XStoreName(display, window, windowTitle.c_str());
    XMapWindow(display, window);
    sync();
    return window;
}

XID VirtualDisplay::openOtherWindow(const std::string& windowTitle)
{
    const XID window = createPlainWindow(windowTitle);
    xdo_wait_for_window_map_state(automation(), window, IsViewable);
    activate(window);
    return window;
}

// Xlib's own answer rather than xdo_get_focused_window_sane(), which leaks what it reads;
// Openbox gives the focus to the program's own window, not to its frame.
XID VirtualDisplay::focusedWindow()
{
    Window focused = 0;
    int revertTo = 0;
    XGetInputFocus(client(), &focused, &revertTo);
    return focused;
}

void VirtualDisplay::sync()
{
    XSync(client(), False);
}

} // namespace harness
