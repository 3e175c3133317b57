#pragma once

#include "ChildProcess.hpp"
#include "Image.hpp"
#include "ProgramTable.hpp"
#include "VirtualDisplay.hpp"

#include <chrono>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace e2e {

using namespace std::chrono_literals;

// Generous bounds: a loaded 2-core machine renders in software, so starts can be slow.
constexpr auto startTimeout = 20s;
constexpr auto exitTimeout = 10s;

// What has become of a program, for a failure message: whether it runs, how it ended, what it
// wrote on standard error.
std::string fateOf(harness::ChildProcess& program);

// One run of a real program on its own virtual display, with the window found. A frame
// counter is preloaded into it, so a test can compare what it printed with what it showed.
class ProgramOnDisplay {
public:
    // `environment` adds to or overrides the program's environment (an empty value removes
    // a variable).
    explicit ProgramOnDisplay(const Program& entry, const std::vector<std::string>& extraArguments = {},
                              harness::Desktop desktop = harness::Desktop::Bare,
                              const std::map<std::string, std::string>& environment = {});
    ~ProgramOnDisplay();
    ProgramOnDisplay(const ProgramOnDisplay&) = delete;
    ProgramOnDisplay& operator=(const ProgramOnDisplay&) = delete;

    std::string whyNoWindow();

    // Frames the program showed in its whole run; known once it has ended normally.
    std::optional<long> framesShown() const;

    // Waits, within the start-up bound, until the window shows anything but black.
    bool waitForFirstFrame();

    std::size_t linesPrinted() const;
    // Waits, within the start-up bound, until the program has printed `count` complete lines.
    bool waitForLines(std::size_t count) const;
    bool waitForFramesAfterNow(std::size_t frames) const { return waitForLines(linesPrinted() + frames); }

    harness::Image picture() { return display.capture(window); }
    std::optional<harness::Box> square(bool (*colour)(harness::Pixel)) { return harness::boundsOf(picture(), colour); }
    std::pair<int, int> size() { return display.size(window); }
    // Resizes the window and waits until the window system reports the new size.
    bool resizeTo(std::pair<int, int> wanted);
    void savePicture(const std::string& fileName);

    const Program entry;
    harness::VirtualDisplay display;
    std::unique_ptr<harness::ChildProcess> program;
    XID window = 0;

private:
    std::string frameCountFile;
};

} // namespace e2e
