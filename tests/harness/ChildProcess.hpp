#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace harness {

using namespace std::chrono_literals;

// How a child process ended.
struct ExitStatus {
    bool exited = false; // ended by returning or calling exit
    int code = -1;       // exit code when `exited`
    int signal = 0;      // terminating signal otherwise
};

// A program started through Boost.Process with its standard output and standard error going
// to unnamed temporary files: a file never fills up and blocks a chatty child as a pipe would,
// and everything it wrote is there to read once it has ended.
class ChildProcess {
public:
    // `environment` entries override the parent's; an empty value removes the variable.
    explicit ChildProcess(const std::vector<std::string>& arguments,
                          const std::map<std::string, std::string>& environment = {});
    ~ChildProcess();

    int pid() const;

    // Waits at most `timeout` for the process to end.
    std::optional<ExitStatus> waitForExit(std::chrono::milliseconds timeout);
    bool running() { return !waitForExit(0ms).has_value(); }
    void signal(int signalNumber) const;

    // Resident memory as the kernel reports it, while the process runs.
    std::optional<long> residentKib() const;

    std::string standardOutput() const;
    std::string standardError() const;

    // Waits at most `timeout` until `ready` holds for the output captured so far.
    bool waitForOutput(const std::function<bool(const std::string&)>& ready, std::chrono::milliseconds timeout) const;

private:
    struct Child; // Boost.Process's child and its output files
    std::unique_ptr<Child> child;
    std::optional<ExitStatus> status;
};

// Lines of `text` that are complete (ended by a newline).
std::vector<std::string> completeLines(const std::string& text);

// Waits at most `timeout` for `condition`, checking it every few milliseconds.
bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout);

} // namespace harness
