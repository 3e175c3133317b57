#include "DisplaySession.hpp"

namespace windowing {

// Windows and macOS always have a desktop for a program started from it: nothing is held open.
struct DisplaySession::Connection { };

DisplaySession::DisplaySession(const char*) { }

DisplaySession::~DisplaySession() = default;

bool DisplaySession::canOpenWindows() const
{
    return true;
}

} // namespace windowing
