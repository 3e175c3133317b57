#include "ChildProcess.hpp"

#include <boost/process/args.hpp>
#include <boost/process/env.hpp>
#include <boost/process/exe.hpp>
#include <boost/process/io.hpp>

#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>

namespace harness {

namespace process = boost::process;

ChildProcess::File ChildProcess::temporaryFile()
{
    File file(std::tmpfile(), &std::fclose);
    if (!file)
        throw std::runtime_error("cannot create a temporary file for a child's output");
    // Only the child it is made for may inherit it.
    fcntl(fileno(file.get()), F_SETFD, FD_CLOEXEC);
    return file;
}

// Read through a fresh description of the file, whose offset the child does not share.
std::string ChildProcess::contentsOf(std::FILE* file)
{
    std::ifstream stream("/proc/self/fd/" + std::to_string(fileno(file)), std::ios::binary);
    return {std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
}

ChildProcess::ChildProcess(const std::vector<std::string>& arguments,
                           const std::map<std::string, std::string>& environment)
    : outFile(temporaryFile())
    , errFile(temporaryFile())
{
    process::environment variables = boost::this_process::environment();
    for (const auto& [name, value] : environment)
        if (value.empty())
            variables.erase(name);
        else
            variables[name] = value;
    const std::vector<std::string> rest(arguments.begin() + 1, arguments.end());
    child =
        process::child(process::exe = arguments.at(0), process::args = rest, variables, process::std_in = process::null,
                       process::std_out = outFile.get(), process::std_err = errFile.get());
}

std::optional<ExitStatus> ChildProcess::waitForExit(std::chrono::milliseconds timeout)
{
    waitUntil(
        [this] {
            if (!status && !child.running()) {
                const int waitStatus = child.native_exit_code();
                status = WIFEXITED(waitStatus) ? ExitStatus{true, WEXITSTATUS(waitStatus), 0}
                                               : ExitStatus{false, -1, WTERMSIG(waitStatus)};
            }
            return status.has_value();
        },
        timeout);
    return status;
}

void ChildProcess::signal(int signalNumber) const
{
    kill(child.id(), signalNumber);
}

std::optional<long> ChildProcess::residentKib() const
{
    std::ifstream statusFile("/proc/" + std::to_string(child.id()) + "/status");
    for (std::string line; std::getline(statusFile, line);)
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    return std::nullopt;
}

bool ChildProcess::waitForOutput(const std::function<bool(const std::string&)>& ready,
                                 std::chrono::milliseconds timeout) const
{
    return waitUntil([&] { return ready(standardOutput()); }, timeout);
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
