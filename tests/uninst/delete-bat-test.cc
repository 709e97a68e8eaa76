#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "uninst/delete-bat.h"

namespace {

// The lines of text A around its shortcut line, and the text B that cmd.exe completes itself.
constexpr char kTextAHead[] =
    "@ echo off \r\n"
    " timeout /t 1 /nobreak \r\n"
    " \r\n"
    " del /F /S /Q  cvl \r\n"
    " rd /S /Q  cvl \r\n"
    "  del /F /S /Q  cvl_qx.exe \r\n"
    " del /F /S /Q  uninst.exe \r\n";
constexpr char kTextATail[] = "\r\n del %0";
constexpr char kTextB[] =
    "@ echo off \r\n"
    " timeout /t 2 /nobreak\r\n"
    " del /F /S /Q  cvl \r\n"
    " rd /S /Q  cvl \r\n"
    " del /F /S /Q  cvl_qx.exe \r\n"
    " del /F /S /Q  uninst.exe \r\n"
    " del /F /Q  \"%userprofile%\\Desktop\\Corvela.lnk\" \r\n"
    " del %0";

TEST(DeleteBatText, BothTextsByteForByte) {
  const struct {
    std::optional<std::string> desktop;
    std::string shortcutLine;  // empty: text B
  } kCases[] = {
      {"C:\\Users\\p\\Desktop", R"( del /F /Q  "C:\Users\p\Desktop\Corvela.lnk")"},
      // Blanks and & stay inside the quotes, bytes of the code page pass as they are.
      {"D:\\Jo & Ann\\Schreibtisch \xC4", " del /F /Q  \"D:\\Jo & Ann\\Schreibtisch \xC4\\Corvela.lnk\""},
      // cmd.exe would expand these; doubled they name the folder as it is.
      {"C:\\100%\\%TEMP%", R"( del /F /Q  "C:\100%%\%%TEMP%%\Corvela.lnk")"},
      // An empty path would make the line name the drive's root.
      {"", ""},
      {std::nullopt, ""},
  };
  for (const auto& c : kCases) {
    const std::string expected =
        c.shortcutLine.empty() ? std::string(kTextB) : kTextAHead + c.shortcutLine + kTextATail;
    EXPECT_EQ(uninst::DeleteBatText(c.desktop), expected) << c.desktop.value_or("(none)");
  }
}

}  // namespace
