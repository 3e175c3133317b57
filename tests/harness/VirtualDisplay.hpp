#pragma once

#include "ChildProcess.hpp"
#include "Image.hpp"

#include <memory>
#include <string>
#include <vector>

// Xlib's types, declared here because its header's macros (None, Status, Bool) clash with
// SFML's and the tests' names.
using Display = struct _XDisplay; // NOLINT(bugprone-reserved-identifier): Xlib's own name
using XID = unsigned long;

namespace harness {

// A private X server (Xvfb) for one test, with a client connection to drive it as a desktop
// user would: find windows, look at them, resize them, ask them to close, press keys.
class VirtualDisplay {
public:
    VirtualDisplay();
    ~VirtualDisplay();
    VirtualDisplay(const VirtualDisplay&) = delete;
    VirtualDisplay& operator=(const VirtualDisplay&) = delete;

    const std::string& name() const { return displayName; }

    // Stops the server while clients are still connected, as when a desktop session dies.
    void terminateServer();

    // The first viewable top-level window with this title, waiting at most `timeout`.
    std::optional<XID> findWindow(const std::string& title, std::chrono::milliseconds timeout);
    std::string title(XID window);
    std::pair<int, int> size(XID window);
    Image capture(XID window);
    void resize(XID window, int width, int height);
    // The request a desktop's close button sends (WM_DELETE_WINDOW), not a forced destroy.
    void requestClose(XID window);

    // Keys go down or up together, in one batch, so a frame is unlikely to see only some.
    void pressKeys(const std::vector<std::string>& keyNames) { sendKeys(keyNames, true); }
    void releaseKeys(const std::vector<std::string>& keyNames) { sendKeys(keyNames, false); }
    void pressKey(const std::string& keyName) { sendKeys({keyName}, true); }
    void releaseKey(const std::string& keyName) { sendKeys({keyName}, false); }

private:
    void sendKeys(const std::vector<std::string>& keyNames, bool down);
    void sync();

    std::unique_ptr<ChildProcess> server;
    std::string displayName;
    Display* connection = nullptr;
};

} // namespace harness
