#pragma once
// The toolkit's start, for the launcher's main(), which keeps to no toolkit of its own.

namespace ui {

// Keeps the toolkit from choosing the locales itself when it starts; before InitToolkit.
void DisableToolkitLocale();
// Starts the toolkit on the display, taking its own options out of the command line.
void InitToolkit(int* argc, char*** argv);

}  // namespace ui
