#pragma once

namespace velmora {

// The program: makes the user-interface thread, creates the main window,
// runs the event loop until the window is gone, and returns 0.
int runApplication(int argc, char *argv[]);

} // namespace velmora
