#pragma once
// The application object: runs start-up and shutdown and holds what start-up produces for the
// rest of the program (launch parameters and download configuration), which others only read.
#include <cstdint>
#include <string>

class CKRNLaunchApp {
 public:
  // Launch parameters, written once by ParseCmdLine.
  std::int32_t m_nWinId = 0;
  std::string m_strToken;
  std::string m_strFrom;

  // Download configuration, written once by CheckDownloadConfig.
  std::string m_strGameDir;
  std::string m_strPackageUrl;
  std::string m_strPackageFile;

  // The command line after the program, as the raw-command-line rule joins the arguments.
  std::wstring m_lpCmdLine;

  void ParseCmdLine();
  void CheckDownloadConfig();
  bool DeployFiles();
  bool CreateDesktopShortcut();
};

extern CKRNLaunchApp theApp;
