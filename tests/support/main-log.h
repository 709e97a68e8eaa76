#pragma once
// The real "Main" logger, writing into a test's folder, and the texts of the records it wrote.
#include <filesystem>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "support/files.h"
#include "util/cvlog/main-logger.h"

namespace testing_log {

namespace fs = std::filesystem;

// Configures "Main" as the launcher does, but into `folder` and without console output, and
// starts the writer. Once per process: the logger is a process-wide singleton.
inline void StartMainLog(const fs::path& folder) {
  const std::string text = "[Main]\npath = " + folder.string() + "/\nname=log\nfileline = 0\ndisplay = false\n";
  cvlog::ILogManager* manager = cvlog::Instance();
  manager->ConfigFromText(text.c_str());
  cvlog::g_nLogId = manager->LookupLogger("Main");
  manager->Start();
}

// The text of every LOG_INFO record (the launcher's own lines; the logging module announces itself
// at other levels) in the log files of `folder`, files in name order, without the date, time,
// thread and level that begin each record and the line end that closes it.
inline std::vector<std::string> LogTexts(const fs::path& folder) {
  std::set<fs::path> files;
  if (fs::exists(folder)) {
    for (const auto& entry : fs::directory_iterator(folder)) files.insert(entry.path());
  }
  static const std::regex header(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} \[\d+\] (LOG_\w+) )");
  std::vector<std::string> texts;
  for (const fs::path& file : files) {
    const std::string content = testing_support::ReadFile(file);
    std::size_t textBegin = std::string::npos;
    bool keep = false;
    const auto take = [&](std::size_t textEnd) {
      if (keep) texts.push_back(content.substr(textBegin, textEnd - 2 - textBegin));
    };
    for (std::sregex_iterator it(content.begin(), content.end(), header), end; it != end; ++it) {
      take(static_cast<std::size_t>(it->position()));
      textBegin = static_cast<std::size_t>(it->position() + it->length());
      keep = (*it)[1] == "LOG_INFO";
    }
    take(content.size());
  }
  return texts;
}

}  // namespace testing_log
