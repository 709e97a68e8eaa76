#include "uninst/delete-bat.h"

namespace uninst {

namespace {

// cmd.exe expands %...% in every line of a batch file, inside double quotes too: doubled, a
// percent sign of the folder's name stays one.
std::string BatchVerbatim(const std::string& text) {
  std::string out;
  for (char c : text) {
    out += c;
    if (c == '%') out += '%';
  }
  return out;
}

}  // namespace

std::string DeleteBatText(const std::optional<std::string>& desktop) {
  // Without /S on the shortcut's line: with it del would take every Corvela.lnk in the folders
  // below the desktop as well, and from an empty desktop path those of the whole drive. The
  // quotes keep blanks and & of the folder's name in one argument.
  if (desktop && !desktop->empty()) {
    return "@ echo off \r\n"
           " timeout /t 1 /nobreak \r\n"
           " \r\n"
           " del /F /S /Q  cvl \r\n"
           " rd /S /Q  cvl \r\n"
           "  del /F /S /Q  cvl_qx.exe \r\n"
           " del /F /S /Q  uninst.exe \r\n"
           " del /F /Q  \"" +
           BatchVerbatim(*desktop) +
           "\\Corvela.lnk\"\r\n"
           " del %0";
  }
  return "@ echo off \r\n"
         " timeout /t 2 /nobreak\r\n"
         " del /F /S /Q  cvl \r\n"
         " rd /S /Q  cvl \r\n"
         " del /F /S /Q  cvl_qx.exe \r\n"
         " del /F /S /Q  uninst.exe \r\n"
         " del /F /Q  \"%userprofile%\\Desktop\\Corvela.lnk\" \r\n"
         " del %0";
}

}  // namespace uninst
