#include "ChildProcess.hpp"

// Boost 1.88 moved this interface, Boost.Process's first, under v1/.
#if __has_include(<boost/process/v1/child.hpp>)
#include <boost/process/v1/args.hpp>
#include <boost/process/v1/child.hpp>
#include <boost/process/v1/env.hpp>
#include <boost/process/v1/exe.hpp>
#include <boost/process/v1/io.hpp>
namespace boost_process = boost::process::v1;
#else
#include <boost/process/args.hpp>
#include <boost/process/child.hpp>
#include <boost/process/env.hpp>
#include <boost/process/exe.hpp>
#include <boost/process/io.hpp>
namespace boost_process = boost::process;
#endif

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>

namespace harness {

namespace process = boost_process;

namespace {

using File = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

File temporaryFile()
{
    File file(std::tmpfile(), &std::fclose);
    if (!file)
        throw std::runtime_error("cannot create a temporary file for a child's output");
    // Only the child it is made for may inherit it.
    fcntl(fileno(file.get()), F_SETFD, FD_CLOEXEC);
    return file;
}

// Read through a fresh description of the file, whose offset the child does not share.
std::string contentsOf(const File& file)
{
    std::ifstream stream("/proc/self/fd/" + std::to_string(fileno(file.get())), std::ios::binary);
    return {std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
}

process::environment withOverrides(const std::map<std::string, std::string>& overrides)
{
    process::environment variables = boost::this_process::environment();
    for (const auto& [name, value] : overrides)
        if (value.empty())
            variables.erase(name);
        else
            variables[name] = value;
    return variables;
}

} // namespace

struct ChildProcess::Child {
    File out = temporaryFile();
    File err = temporaryFile();
    process::child process; // last, so it ends (killed if still running) before its files close
};

ChildProcess::ChildProcess(const std::vector<std::string>& arguments,
                           const std::map<std::string, std::string>& environment)
    : child(std::make_unique<Child>())
{
    const std::vector<std::string> rest(arguments.begin() + 1, arguments.end());
    child->process = process::child(process::exe = arguments.at(0), process::args = rest, withOverrides(environment),
                                    process::std_in = process::null, process::std_out = child->out.get(),
                                    process::std_err = child->err.get());
}

ChildProcess::~ChildProcess() = default;

int ChildProcess::pid() const
{
    return child->process.id();
}

std::string ChildProcess::standardOutput() const
{
    return contentsOf(child->out);
}

std::string ChildProcess::standardError() const
{
    return contentsOf(child->err);
}

std::optional<ExitStatus> ChildProcess::waitForExit(std::chrono::milliseconds timeout)
{
    waitUntil(
        [this] {
            if (!status && !child->process.running()) {
                const int waitStatus = child->process.native_exit_code();
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
    kill(pid(), signalNumber);
}

// From the kernel's own report: Boost.Process gives no memory figures.
std::optional<long> ChildProcess::residentKib() const
{
    std::ifstream statusFile("/proc/" + std::to_string(pid()) + "/status");
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
