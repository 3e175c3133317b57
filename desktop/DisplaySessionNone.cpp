#include "Desktop.hpp"

namespace desktop {

// Windows and macOS always have a desktop for a program started from it.
const bool DisplaySession::needsConnection = false;

DisplaySession::DisplaySession(const char*) { }

DisplaySession::~DisplaySession() = default;

} // namespace desktop
