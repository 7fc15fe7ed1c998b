#include "services/filelib/head_anchor.h"

#include <fcntl.h>
#include <sodium.h>
#include <syslog.h>
#include <unistd.h>

#include <cstring>
#include <mutex>
#include <sstream>

#include "util/library_lifetime.h"
#include "util/strings.h"

namespace tav {

namespace {

struct NotedHead {
  ChainedLog log;
  uint64_t seq;
  ChainHash hash;
};

// One slot per log. Plain data on purpose: a thread_local with a destructor
// would keep the library from ever being unloaded.
constexpr size_t kLogs = 3;
struct NotedHeads {
  NotedHead heads[kLogs];
  size_t count;
};
thread_local NotedHeads t_noted;

std::mutex& CopyMutex() {
  static std::mutex mutex;
  return mutex;
}
std::string& CopyPath() {
  static UntilUnload<std::string> path;
  return path.Get();
}

constexpr char kMarker[] = "log head ";

bool LogOfTable(std::string_view table, ChainedLog* log) {
  for (ChainedLog l : {ChainedLog::kSystemEvents, ChainedLog::kConfigAudit, ChainedLog::kRunHistory}) {
    if (table == ChainedLogTable(l)) {
      *log = l;
      return true;
    }
  }
  return false;
}

std::string HexOf(const ChainHash& h) {
  return HexEncode(ChainHashBytes(h));
}

}  // namespace

void NoteChainHead(ChainedLog log, uint64_t seq, const ChainHash& hash) {
  for (size_t i = 0; i < t_noted.count; ++i) {
    if (t_noted.heads[i].log == log) {
      t_noted.heads[i].seq = seq;
      t_noted.heads[i].hash = hash;
      return;
    }
  }
  if (t_noted.count < kLogs) t_noted.heads[t_noted.count++] = {log, seq, hash};
}

void DropNotedChainHeads() { t_noted.count = 0; }

std::string FormatChainHead(ChainedLog log, uint64_t seq, const ChainHash& hash) {
  return std::string(kMarker) + ChainedLogTable(log) + " " + std::to_string(seq) + " " +
         HexOf(hash);
}

void SendAuthLog(bool warning, const std::string& line) {
  syslog(LOG_AUTHPRIV | (warning ? LOG_WARNING : LOG_INFO), "%s", line.c_str());
}

void SendNotedChainHeads() {
  const NotedHeads heads = t_noted;
  t_noted.count = 0;
  if (heads.count == 0) return;
  std::string copy;
  for (size_t i = 0; i < heads.count; ++i) {
    const NotedHead& h = heads.heads[i];
    const std::string line = FormatChainHead(h.log, h.seq, h.hash);
    SendAuthLog(false, line);
    copy += line + "\n";
  }
  std::lock_guard<std::mutex> lock(CopyMutex());
  if (CopyPath().empty()) return;
  const int fd = open(CopyPath().c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return;
  // One write per commit: lines of concurrent processes do not interleave.
  const ssize_t n = write(fd, copy.data(), copy.size());
  (void)n;
  close(fd);
}

void SetChainHeadCopyForTesting(const std::string& path) {
  std::lock_guard<std::mutex> lock(CopyMutex());
  CopyPath() = path;
}

void ReadChainAnchors(std::istream& in, ChainAnchors* anchors) {
  std::string line;
  while (std::getline(in, line)) {
    const size_t at = line.find(kMarker);
    if (at == std::string::npos) continue;
    std::istringstream fields(line.substr(at + sizeof kMarker - 1));
    std::string table, seq_text, hex;
    if (!(fields >> table >> seq_text >> hex)) continue;
    ChainedLog log;
    if (!LogOfTable(table, &log) || hex.size() != 64 || seq_text.empty() ||
        seq_text.find_first_not_of("0123456789") != std::string::npos || seq_text.size() > 19) {
      continue;
    }
    ChainHash hash;
    size_t len = 0;
    if (sodium_hex2bin(hash.data(), hash.size(), hex.data(), hex.size(), nullptr, &len, nullptr) !=
            0 ||
        len != hash.size()) {
      continue;
    }
    anchors->heads[log][std::stoull(seq_text)] = hash;
    ++anchors->lines;
  }
}

StoreStatus CheckAnchors(SqlDb& db, ChainedLog log, const std::map<uint64_t, ChainHash>& heads,
                         std::vector<AnchorProblem>* problems,
                         const std::function<std::string(uint64_t, std::string_view)>& describe) {
  auto name = [&](uint64_t seq, std::string_view record) {
    return describe ? describe(seq, record) : "record " + std::to_string(seq);
  };
  StoreStatus status;
  // Statements are cached by the address of their text: literals only.
  static const char* const kRows[] = {
      "SELECT seq, record, chain FROM system_events ORDER BY seq",
      "SELECT seq, record, chain FROM config_audit ORDER BY seq",
      "SELECT seq, record, chain FROM run_history ORDER BY seq",
  };
  SqlStatement rows = db.Prepare(kRows[static_cast<int>(log)], &status);
  if (!status.ok()) return status;
  auto anchor = heads.begin();
  uint64_t matched = 0;  // the last anchored record that still matches
  uint64_t last = 0;
  while (anchor != heads.end() && rows.Step(&status)) {
    const auto seq = static_cast<uint64_t>(rows.ColumnInt64(0));
    if (anchor->first < seq) {
      problems->push_back({anchor->first, "record " + std::to_string(anchor->first) +
                                              ", whose head the system log kept, is gone"});
      return StoreStatus::Ok();
    }
    last = seq;
    if (anchor->first != seq) continue;
    const std::string_view chain = rows.ColumnBlob(2);
    if (chain.size() != anchor->second.size() ||
        std::memcmp(chain.data(), anchor->second.data(), chain.size()) != 0) {
      const uint64_t first = matched + 1;
      std::string text = name(seq, rows.ColumnBlob(1)) +
                         " differs from the head the system log kept for it: ";
      text += first == seq ? "it was changed, inserted or redated"
                           : "it, or a record after record " + std::to_string(matched) +
                                 ", was changed, inserted or removed";
      problems->push_back({first, text});
      return StoreStatus::Ok();
    }
    matched = seq;
    ++anchor;
  }
  if (!status.ok()) return status;
  if (anchor != heads.end()) {
    const uint64_t held = heads.rbegin()->first;
    problems->push_back(
        {last + 1, last == 0 ? "the log is empty, but the system log saw it hold " +
                                   std::to_string(held) + " records: records 1 to " +
                                   std::to_string(held) + " were removed"
                             : "the log ends at record " + std::to_string(last) +
                                   ", but the system log saw it hold " + std::to_string(held) +
                                   " records: record " + std::to_string(last + 1) +
                                   " and the ones after it were removed"});
  }
  return StoreStatus::Ok();
}

}  // namespace tav
