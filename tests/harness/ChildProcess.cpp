#include "ChildProcess.hpp"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace harness {

namespace {

std::vector<std::string> mergedEnvironment(const std::map<std::string, std::string>& overrides)
{
    std::vector<std::string> result;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text(*entry);
        const std::string name = text.substr(0, text.find('='));
        if (overrides.count(name) == 0)
            result.push_back(text);
    }
    for (const auto& [name, value] : overrides)
        if (!value.empty())
            result.push_back(std::string(name).append("=").append(value));
    return result;
}

std::vector<char*> pointersTo(std::vector<std::string>& strings)
{
    std::vector<char*> pointers;
    pointers.reserve(strings.size() + 1);
    // exec takes non-const pointers. operator[] rather than data(): cppcheck takes data() for
    // const and would ask for a const reference here.
    std::transform(strings.begin(), strings.end(), std::back_inserter(pointers),
                   [](std::string& text) { return &text[0]; });
    pointers.push_back(nullptr);
    return pointers;
}

ExitStatus decode(int waitStatus)
{
    ExitStatus result;
    if (WIFEXITED(waitStatus)) {
        result.exited = true;
        result.code = WEXITSTATUS(waitStatus);
    } else if (WIFSIGNALED(waitStatus)) {
        result.signal = WTERMSIG(waitStatus);
    }
    return result;
}

} // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& arguments,
                           const std::map<std::string, std::string>& environment)
{
    int outPipe[2];
    int errPipe[2];
    if (pipe2(outPipe, O_CLOEXEC) != 0 || pipe2(errPipe, O_CLOEXEC) != 0)
        throw std::runtime_error("cannot create pipes");

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, outPipe[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, errPipe[1], STDERR_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);

    std::vector<std::string> argumentCopy = arguments;
    std::vector<std::string> environmentCopy = mergedEnvironment(environment);
    const int error = posix_spawn(&processId, argumentCopy.at(0).c_str(), &actions, nullptr,
                                  pointersTo(argumentCopy).data(), pointersTo(environmentCopy).data());
    posix_spawn_file_actions_destroy(&actions);
    close(outPipe[1]);
    close(errPipe[1]);
    if (error != 0) {
        close(outPipe[0]);
        close(errPipe[0]);
        throw std::runtime_error("cannot start " + arguments.at(0) + ": " + std::strerror(error));
    }
    outReader = std::thread([this, fd = outPipe[0]] { drain(fd, outBuffer); });
    errReader = std::thread([this, fd = errPipe[0]] { drain(fd, errBuffer); });
}

ChildProcess::~ChildProcess()
{
    if (running()) {
        signal(SIGKILL);
        waitForExit(5s);
    }
    outReader.join();
    errReader.join();
}

void ChildProcess::drain(int descriptor, std::string& into)
{
    char chunk[4096];
    for (;;) {
        const ssize_t count = read(descriptor, chunk, sizeof chunk);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            break;
        {
            const std::lock_guard<std::mutex> lock(mutex);
            into.append(chunk, static_cast<std::size_t>(count));
        }
        outputArrived.notify_all();
    }
    close(descriptor);
    {
        const std::lock_guard<std::mutex> lock(mutex);
        --streamsOpen;
    }
    outputArrived.notify_all();
}

std::optional<ExitStatus> ChildProcess::waitForExit(std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    waitUntil(
        [this] {
            if (status)
                return true;
            int waitStatus = 0;
            if (waitpid(processId, &waitStatus, WNOHANG) == processId)
                status = decode(waitStatus);
            return status.has_value();
        },
        timeout);
    if (status) {
        std::unique_lock<std::mutex> lock(mutex);
        outputArrived.wait_until(lock, std::max(deadline, std::chrono::steady_clock::now() + 1s),
                                 [this] { return streamsOpen == 0; });
    }
    return status;
}

bool ChildProcess::running()
{
    return !waitForExit(0ms).has_value();
}

void ChildProcess::signal(int signalNumber) const
{
    kill(processId, signalNumber);
}

std::optional<long> ChildProcess::residentKib() const
{
    std::ifstream statusFile("/proc/" + std::to_string(processId) + "/status");
    for (std::string line; std::getline(statusFile, line);)
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    return std::nullopt;
}

std::string ChildProcess::standardOutput() const
{
    const std::lock_guard<std::mutex> lock(mutex);
    return outBuffer;
}

std::string ChildProcess::standardError() const
{
    const std::lock_guard<std::mutex> lock(mutex);
    return errBuffer;
}

bool ChildProcess::waitForOutput(const std::function<bool(const std::string&)>& ready,
                                 std::chrono::milliseconds timeout) const
{
    std::unique_lock<std::mutex> lock(mutex);
    return outputArrived.wait_for(lock, timeout, [&] { return ready(outBuffer); });
}

std::vector<std::string> completeLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end = text.find('\n'); end != std::string::npos; end = text.find('\n', start)) {
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (condition())
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(10ms);
    }
}

} // namespace harness
