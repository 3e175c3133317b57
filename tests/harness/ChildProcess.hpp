#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <sys/types.h>

namespace harness {

using namespace std::chrono_literals;

// How a child process ended.
struct ExitStatus {
    bool exited = false; // ended by returning or calling exit
    int code = -1;       // exit code when `exited`
    int signal = 0;      // terminating signal otherwise
};

// A program started with its standard output and standard error captured. Both streams are
// drained by background threads so a chatty child never blocks on a full pipe.
class ChildProcess {
public:
    // `environment` entries override the parent's; an empty value removes the variable.
    explicit ChildProcess(const std::vector<std::string>& arguments,
                          const std::map<std::string, std::string>& environment = {});
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return processId; }

    // Waits at most `timeout` for the process to end and for all it wrote to be read.
    std::optional<ExitStatus> waitForExit(std::chrono::milliseconds timeout);
    bool running();
    void signal(int signalNumber) const;

    // Resident memory as the kernel reports it, while the process runs.
    std::optional<long> residentKib() const;

    std::string standardOutput() const;
    std::string standardError() const;

    // Waits at most `timeout` until `ready` holds for the output captured so far.
    bool waitForOutput(const std::function<bool(const std::string&)>& ready, std::chrono::milliseconds timeout) const;

private:
    void drain(int descriptor, std::string& into);

    pid_t processId = -1;
    std::optional<ExitStatus> status;
    mutable std::mutex mutex;
    mutable std::condition_variable outputArrived;
    std::string outBuffer;
    std::string errBuffer;
    int streamsOpen = 2;
    std::thread outReader;
    std::thread errReader;
};

// Lines of `text` that are complete (ended by a newline).
std::vector<std::string> completeLines(const std::string& text);

// Waits at most `timeout` for `condition`, checking it every few milliseconds.
bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout);

} // namespace harness
