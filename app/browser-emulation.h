#pragma once
// The document mode that the web page control of a process named "cvl_qx.exe" uses, kept where
// the Windows build reads it; start-up writes it before the dialog opens.
#include <cstdint>

inline constexpr char kBrowserEmulationKey[] =
    "SOFTWARE\\Microsoft\\Internet Explorer\\MAIN\\FeatureControl\\FEATURE_BROWSER_EMULATION";
// A fixed text, not the running module's name.
inline constexpr char kBrowserEmulationValueName[] = "cvl_qx.exe";
// Internet Explorer 10 mode.
inline constexpr std::uint32_t kBrowserEmulationMode = 10000;

// Opens the key under HKEY_LOCAL_MACHINE, creating it when missing, and writes the value over
// whatever it held. False when the value could not be written; start-up goes on regardless.
bool WriteBrowserEmulationValue();
