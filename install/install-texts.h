#pragma once
// What the player reads while the game is installed, in the dialog's status line and in its
// boxes, whichever of the dialog and the install worker shows it. UTF-8.
namespace install {

inline constexpr char kStatusDownloading[] = "下载中";
inline constexpr char kStatusInstalling[] = "正在安装...";
inline constexpr char kStatusFinished[] = "下载完成";
// The box of a failed download or unpack: only a new start installs again.
inline constexpr char kInstallFailedText[] = "下载出错请重新打开";
// The box of a close button pressed while the install runs.
inline constexpr char kCloseGuardText[] = "游戏正在下载，请稍后关闭";
inline constexpr char kBoxCaption[] = "提示";

}  // namespace install
