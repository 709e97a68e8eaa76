#pragma once
// Whether the desktop's display can be reached. The launcher needs one and says so before
// anything else when there is none.
namespace platform {

bool DisplayAvailable();

// Makes the toolkit use the display system the launcher is built for, whatever the environment
// asks of it; the programs the launcher starts see the environment as it was given. Call before
// any other thread runs.
void SelectDisplayBackend();

}  // namespace platform
