#include "tools/demo/record.h"

#include <cstdio>
#include <iomanip>
#include <stdexcept>

using nlohmann::ordered_json;

namespace demo {

Record::Record(const std::filesystem::path& path) : file_(path, std::ios::app | std::ios::binary) {
  if (!file_) throw std::runtime_error("cannot open the record file " + path.string());
}

void Record::Append(const ordered_json& fields) {
  ordered_json line;
  line["kind"] = fields["kind"];
  line["t_ms"] = std::chrono::duration_cast<std::chrono::milliseconds>(
                     std::chrono::steady_clock::now() - start_)
                     .count();
  for (auto& [key, value] : fields.items()) {
    if (key != "kind") line[key] = value;
  }
  // Posted bodies may hold any bytes; replacing invalid UTF-8 keeps every line valid JSON.
  file_ << line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
  file_.flush();
}

void Record::Request(std::string_view method, std::string_view target, int status,
                     std::string_view host) {
  std::lock_guard lock(mutex_);
  Append({{"kind", "request"},
          {"method", method},
          {"target", target},
          {"status", status},
          {"host", host}});
}

int Record::Event(const ReportCheck& r, std::string_view body) {
  std::lock_guard lock(mutex_);
  ++events_;
  Append({{"kind", "event"},
          {"seq", events_},
          {"type", r.type},
          {"signature_valid", r.signature_valid},
          {"well_formed", r.well_formed},
          {"problem", r.problem},
          {"udid", r.udid},
          {"sign", r.sign},
          {"os_name", r.os_name},
          {"mac_addr", r.mac_addr},
          {"body", body}});
  return events_;
}

void Record::Download(std::string_view target, std::uint64_t bytes, std::uint64_t size,
                      bool complete, double ms) {
  std::lock_guard lock(mutex_);
  Append({{"kind", "download"},
          {"target", target},
          {"bytes", bytes},
          {"size", size},
          {"complete", complete},
          {"ms", ms}});
}

void Record::LoginAnswer(std::string_view user, std::string_view answer) {
  std::lock_guard lock(mutex_);
  Append({{"kind", "login_answer"}, {"user", user}, {"answer", answer}});
}

void Record::PageLoad(std::string_view host, std::string_view page) {
  std::lock_guard lock(mutex_);
  Append({{"kind", "page_load"}, {"host", host}, {"page", page}});
}

bool Summarize(const std::filesystem::path& path, std::ostream& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::vector<ordered_json> events, downloads;
  int unreadable = 0;
  for (std::string text; std::getline(in, text);) {
    ordered_json line = ordered_json::parse(text, nullptr, false);
    if (line.is_discarded() || !line.is_object()) {
      ++unreadable;
      continue;
    }
    std::string kind = line.value("kind", "");
    if (kind == "event") events.push_back(std::move(line));
    if (kind == "download") downloads.push_back(std::move(line));
  }

  int valid = 0;
  out << "Events received, in order (" << events.size() << "):\n";
  for (const auto& e : events) {
    bool ok = e.value("signature_valid", false) && e.value("well_formed", false);
    valid += ok;
    out << "  " << std::setw(2) << e.value("seq", 0) << ". " << std::left << std::setw(16)
        << e.value("type", "") << std::right
        << (ok ? "signature valid" : "INVALID: " + e.value("problem", "")) << '\n';
  }
  out << "  " << valid << " of " << events.size() << " with a valid signature and form\n";

  out << "Package transfers (" << downloads.size() << "):\n";
  for (const auto& d : downloads) {
    double bytes = d.value("bytes", 0.0);
    double ms = d.value("ms", 0.0);
    char speed[64];
    std::snprintf(speed, sizeof speed, "%.2f MB/s", ms > 0 ? bytes / 1e6 / (ms / 1000) : 0.0);
    out << "  " << d.value("target", "") << ": " << d.value("bytes", 0) << " of "
        << d.value("size", 0) << " bytes in " << std::fixed << std::setprecision(0) << ms
        << " ms (" << speed << ")" << (d.value("complete", false) ? "" : ", INCOMPLETE") << '\n';
  }
  if (unreadable > 0) out << "  (" << unreadable << " unreadable record lines)\n";
  return true;
}

}  // namespace demo
