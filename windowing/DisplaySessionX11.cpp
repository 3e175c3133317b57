#include "DisplaySession.hpp"

#include <GL/glx.h>
#include <X11/Xlib.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <iostream>
#include <poll.h>
#include <signal.h>
#include <string>
#include <unistd.h>

namespace {

// Written out ahead, so that a signal handler needs nothing but write(2) to report the loss.
char displayLossMessage[256] = "";
std::size_t displayLossLength = 0;
int sessionSocket = -1;

// For the error handlers, which Xlib calls with nothing of ours.
const char* reportingName = "";
int glxRequestCode = -1;
bool probeRefused = false;

// Safe in a signal handler. Were standard error to refuse the line there would be nothing left
// to tell it with; the exit that follows says the rest.
void reportDisplayLoss()
{
    [[maybe_unused]] const ssize_t written = write(STDERR_FILENO, displayLossMessage, displayLossLength);
}

const char* const contextRefused =
    "the display refused an OpenGL context (indirect rendering is off on this X server; is this a remote display?)";

} // namespace

extern "C" {

// Exit handlers would tear down graphics contexts that can no longer reach the server.
static int onDisplayConnectionLost(Display*)
{
    reportDisplayLoss();
    _exit(1);
}

// Xlib's own handler prints a raw protocol dump and exits; an error the server reports is
// fatal here too, but said in one line. SFML sets handlers of its own around the calls whose
// errors it expects, so only the unexpected reach this one.
static int onDisplayError(Display* display, XErrorEvent* error)
{
    if (error->request_code == glxRequestCode) {
        windowing::reportCannotOpen(reportingName, contextRefused);
    } else {
        char text[160] = "";
        XGetErrorText(display, error->error_code, text, sizeof text);
        std::cerr << reportingName << ": the display reported an error (" << text << "); exiting\n";
    }
    _exit(1);
}

static int onProbeError(Display*, XErrorEvent*)
{
    probeRefused = true;
    return 0;
}

// A server that dies while we write to it raises SIGPIPE, which would end the process without
// a word. When our own connection to the server has hung up, that is the display going away;
// any other broken pipe (standard output closed by a reader) ends the process as it always has.
static void onBrokenPipe(int)
{
    pollfd session{sessionSocket, POLLOUT, 0};
    if (sessionSocket >= 0 && poll(&session, 1, 0) == 1 && (session.revents & (POLLHUP | POLLERR)) != 0) {
        reportDisplayLoss();
        _exit(1);
    }
    static_cast<void>(signal(SIGPIPE, SIG_DFL));
    static_cast<void>(raise(SIGPIPE));
}
}

namespace {

// A program started with standard output (or input, or error) closed would hand that
// descriptor to the next file it opens, here the connection to the X server, and its report
// lines would go into the protocol stream. Each closed one is held on /dev/null, opened for
// reading only, so that writes to it still fail as they would on a closed descriptor.
void holdClosedStandardDescriptors()
{
    for (int descriptor = STDIN_FILENO; descriptor <= STDERR_FILENO; ++descriptor) {
        if (fcntl(descriptor, F_GETFD) == -1 && errno == EBADF)
            static_cast<void>(open("/dev/null", O_RDONLY)); // takes the lowest free descriptor: this one
    }
}

// A server that resets as its last client leaves drops connections that arrive during the
// reset, and takes new ones again a moment later; a program started just then tries again
// for up to a second before it gives up.
Display* connectToDisplay()
{
    for (int attempt = 1;; ++attempt) {
        if (Display* const display = XOpenDisplay(nullptr))
            return display;
        if (attempt == 20)
            return nullptr;
        usleep(50000);
    }
}

// The depth of the screen's root window, which SFML's window gets too: its visual must match it.
int screenDepth(Display* display)
{
    return DefaultDepth(display, DefaultScreen(display));
}

// 24 and 32 bits take the 32 bits per pixel that SFML asks for by default, and 16 (a common
// VNC setting) takes itself. At 15 bits SFML picks a visual the server will not make a window
// with, and below that no server offers OpenGL.
bool windowsCanUseDepth(int depth)
{
    return depth >= 24 || depth == 16;
}

// Makes an OpenGL context on our own connection and lets it go, as SFML will for the window.
// A server may refuse it (a current Xorg refuses the indirect contexts of a remote display),
// and SFML would then go on with no context and crash or dump the protocol error.
bool grantsContext(Display* display)
{
    int attributes[] = {GLX_RGBA, GLX_DOUBLEBUFFER, None};
    XVisualInfo* const visual = glXChooseVisual(display, DefaultScreen(display), attributes);
    if (visual == nullptr)
        return false;
    probeRefused = false;
    const auto previous = XSetErrorHandler(onProbeError);
    const GLXContext context = glXCreateContext(display, visual, nullptr, True);
    XSync(display, False);
    XSetErrorHandler(previous);
    if (context != nullptr)
        glXDestroyContext(display, context);
    XFree(visual);
    return context != nullptr && !probeRefused;
}

// What stands in the way of an OpenGL window on this display, or nothing.
std::string whyNoOpenGlWindow(Display* display)
{
    // Checked first: servers leave GLX out at depths it cannot serve.
    if (!windowsCanUseDepth(screenDepth(display)))
        return "the display offers no colour depth an OpenGL window can use (" + std::to_string(screenDepth(display)) +
               " bits)";
    int firstEvent = 0;
    int firstError = 0;
    if (XQueryExtension(display, "GLX", &glxRequestCode, &firstEvent, &firstError) == False)
        return "the display has no OpenGL (GLX) support";
    if (!grantsContext(display))
        return contextRefused;
    return {};
}

} // namespace

namespace windowing {

struct DisplaySession::Connection {
    explicit Connection(Display* display)
        : display(display)
    {
    }
    ~Connection() { XCloseDisplay(display); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    Display* const display;
};

DisplaySession::DisplaySession(const char* programName)
{
    holdClosedStandardDescriptors();
    const char* const name = std::getenv("DISPLAY");
    if (name == nullptr || *name == '\0') {
        reportCannotOpen(programName, "no display available (is DISPLAY set?)");
        return;
    }
    // Installed first, so a server that dies or objects while the window is being made is
    // reported too.
    reportingName = programName;
    // snprintf, which a fortified build checks against the buffer's size, cuts a longer
    // message short rather than write past it.
    const int length = std::snprintf(displayLossMessage, sizeof displayLossMessage,
                                     "%s: lost the connection to the display; exiting\n", programName);
    displayLossLength = std::min(static_cast<std::size_t>(std::max(length, 0)), sizeof displayLossMessage - 1);
    XSetIOErrorHandler(onDisplayConnectionLost);
    XSetErrorHandler(onDisplayError);
    Display* const display = connectToDisplay();
    if (display == nullptr) {
        reportCannotOpen(programName, std::string("cannot connect to display \"") + name + "\"");
        return;
    }
    auto held = std::make_unique<Connection>(display);
    const std::string cause = whyNoOpenGlWindow(display);
    if (!cause.empty()) {
        reportCannotOpen(programName, cause);
        return;
    }
    depth = screenDepth(display) >= 24 ? 32 : static_cast<unsigned int>(screenDepth(display));
    connection = std::move(held);
    sessionSocket = ConnectionNumber(display);
    static_cast<void>(signal(SIGPIPE, onBrokenPipe));
}

DisplaySession::~DisplaySession()
{
    connection.reset();
    sessionSocket = -1;
}

bool DisplaySession::canOpenWindows() const
{
    return connection != nullptr;
}

} // namespace windowing
