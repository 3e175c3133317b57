#pragma once

#include "ChildProcess.hpp"
#include "Image.hpp"

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

// Xlib's and libxdo's types, declared here because Xlib's macros (None, Status, Bool) clash
// with SFML's and the tests' names.
using Display = struct _XDisplay; // NOLINT(bugprone-reserved-identifier): Xlib's own name
using XID = unsigned long;
struct xdo;

namespace harness {

// The desktops a test can run a program on, all private to the test.
enum class Desktop : std::uint8_t {
    Bare,    // Xvfb alone
    Openbox, // Xvfb with the Openbox window manager
    Weston,  // Weston's headless Wayland compositor, X programs reaching it through XWayland
};

// Thrown when a desktop's components cannot start on this machine.
struct DesktopUnavailable : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// A private X server for one test, with a client connection to drive it as a desktop user
// would: find windows, look at them, resize them, ask them to close, press keys. Like a
// user's server, it resets whenever its last client leaves.
class VirtualDisplay {
public:
    explicit VirtualDisplay(Desktop desktop = Desktop::Bare);
    ~VirtualDisplay();
    VirtualDisplay(const VirtualDisplay&) = delete;
    VirtualDisplay& operator=(const VirtualDisplay&) = delete;

    const std::string& name() const { return displayName; }

    // Lets go of the test's own connection, so a program started next may be the server's
    // only client; any later call connects again.
    void disconnect();
    // How many clients have connected to the server so far (Xvfb only), the test's own among
    // them; without a connection of its own a test can still follow a program's.
    std::size_t clientsConnected() const;
    // Stops the server while clients are still connected, as when a desktop session dies.
    void terminateServer();

    // The first viewable client window with this title, waiting at most `timeout`. Under a
    // window manager it is the program's own window inside the frame.
    std::optional<XID> findWindow(const std::string& title, std::chrono::milliseconds timeout);
    std::string title(XID window);
    std::pair<int, int> size(XID window);
    Image capture(XID window);
    void resize(XID window, int width, int height);
    // The request a desktop's close button sends (WM_DELETE_WINDOW), not a forced destroy.
    void requestClose(XID window);

    // Desktop actions, asked of the window manager as a desktop's panels and title bars do.
    void closeThroughWindowManager(XID window);
    void maximise(XID window, bool on);
    void fullscreen(XID window, bool on);
    void minimise(XID window);
    void activate(XID window);
    void waitForMapState(XID window, bool viewable);
    XID focusedWindow();

    // Keys go down or up together, in one batch, so a frame is unlikely to see only some.
    void pressKeys(const std::vector<std::string>& keyNames) { sendKeys(keyNames, true); }
    void releaseKeys(const std::vector<std::string>& keyNames) { sendKeys(keyNames, false); }
    void pressKey(const std::string& keyName) { sendKeys({keyName}, true); }
    void releaseKey(const std::string& keyName) { sendKeys({keyName}, false); }
    // A key pressed and let go, as a user taps it.
    void tapKey(const std::string& keyName)
    {
        pressKey(keyName);
        releaseKey(keyName);
    }

    // A plain window of another program, mapped and given the focus.
    XID openOtherWindow(const std::string& title);

private:
    void startXvfb();
    void startOpenbox();
    void startWeston();
    std::optional<Image> captureRedirected(XID window);
    Display* client();
    xdo* automation();
    bool managed(XID window);
    XID createPlainWindow(const std::string& windowTitle);
    std::vector<XID> rootWindowList(const char* property);
    void sendMessage(XID window, const char* type, std::initializer_list<long> data, bool toWindowManager);
    long atom(const char* atomName);
    void sendKeys(const std::vector<std::string>& keyNames, bool down);
    void changeState(XID window, bool on, const char* property);
    void sync();

    Desktop kind;
    std::unique_ptr<ChildProcess> server;
    std::unique_ptr<ChildProcess> manager; // Openbox, or Weston
    std::string runtimeDirectory;
    std::string displayName;
    Display* connection = nullptr;
    xdo* xdoContext = nullptr;
};

} // namespace harness
