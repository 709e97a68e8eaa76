#pragma once
// The install worker (download, then unpack) and the progress monitor, both started by the main
// dialog when the game client is missing. They reach the dialog's controls only through these
// calls, which the dialog runs synchronously on its GUI thread and which do nothing once the
// dialog is gone.
#include <atomic>
#include <functional>
#include <string>

// True once no install work runs or will run.
inline std::atomic<bool> g_bInstallFinished{false};

struct InstallControls {
  std::function<void(const std::wstring& text)> setStatusText;  // hide, set text, show
  std::function<void(int lower, int upper)> setProgressRange;
  std::function<void(int position)> setProgressPos;
  std::function<void()> paintProgress;
  // A warning box with no owner; returns once the player has dismissed it.
  std::function<void(const std::wstring& text, const std::wstring& caption)> messageBox;
};

// Where the package comes from, where it is kept, and the folder it unpacks into.
struct InstallPackage {
  std::string url;
  std::string file;
  std::string gameDir;
};

// The two thread bodies: download then unpack, ending with g_bInstallFinished set; and the
// progress bar's poll, ending once the counters are equal.
void InstallThreadProc(InstallPackage package, InstallControls controls);
void ProgressThreadProc(InstallControls controls);

// Starts both threads; neither is ever stopped from outside.
void StartInstallThreads(InstallPackage package, InstallControls controls);
