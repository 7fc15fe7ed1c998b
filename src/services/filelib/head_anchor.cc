#include "services/filelib/head_anchor.h"

#include <fcntl.h>
#include <sodium.h>
#include <syslog.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <sstream>

#include "util/library_lifetime.h"
#include "util/sqlite_db.h"
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

// A small reader of one journal object as `journalctl -o json` writes it: a
// flat object whose values are strings, numbers, null, or arrays of byte
// values (a field that is not UTF-8).
class JournalObject {
 public:
  explicit JournalObject(std::string_view text) : text_(text) {}

  // Reads the object; false when the line is not one.
  bool Parse(std::map<std::string, std::string>* fields) {
    Skip();
    if (!Take('{')) return false;
    Skip();
    if (Take('}')) return true;
    for (;;) {
      std::string key, value;
      Skip();
      if (!String(&key)) return false;
      Skip();
      if (!Take(':')) return false;
      Skip();
      if (!Value(&value)) return false;
      (*fields)[key] = std::move(value);
      Skip();
      if (Take('}')) return true;
      if (!Take(',')) return false;
    }
  }

 private:
  void Skip() {
    while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\t' || text_[at_] == '\r')) {
      ++at_;
    }
  }
  bool Take(char c) {
    if (at_ < text_.size() && text_[at_] == c) {
      ++at_;
      return true;
    }
    return false;
  }
  static void PutUtf8(uint32_t code, std::string* out) {
    if (code < 0x80) {
      out->push_back(static_cast<char>(code));
    } else if (code < 0x800) {
      out->push_back(static_cast<char>(0xC0 | (code >> 6)));
      out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
      out->push_back(static_cast<char>(0xE0 | (code >> 12)));
      out->push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
      out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
  }
  bool String(std::string* out) {
    if (!Take('"')) return false;
    while (at_ < text_.size()) {
      const char c = text_[at_++];
      if (c == '"') return true;
      if (c != '\\') {
        out->push_back(c);
        continue;
      }
      if (at_ >= text_.size()) return false;
      const char e = text_[at_++];
      switch (e) {
        case 'n': out->push_back('\n'); break;
        case 't': out->push_back('\t'); break;
        case 'r': out->push_back('\r'); break;
        case 'b': out->push_back('\b'); break;
        case 'f': out->push_back('\f'); break;
        case 'u': {
          if (at_ + 4 > text_.size()) return false;
          uint32_t code = 0;
          for (int i = 0; i < 4; ++i) {
            const char h = text_[at_++];
            code <<= 4;
            if (h >= '0' && h <= '9') code |= static_cast<uint32_t>(h - '0');
            else if (h >= 'a' && h <= 'f') code |= static_cast<uint32_t>(h - 'a' + 10);
            else if (h >= 'A' && h <= 'F') code |= static_cast<uint32_t>(h - 'A' + 10);
            else return false;
          }
          PutUtf8(code, out);
          break;
        }
        default: out->push_back(e); break;
      }
    }
    return false;
  }
  bool Value(std::string* out) {
    if (at_ < text_.size() && text_[at_] == '"') return String(out);
    if (Take('[')) {
      // Bytes of a field that is not UTF-8.
      Skip();
      if (Take(']')) return true;
      for (;;) {
        Skip();
        unsigned value = 0;
        size_t digits = 0;
        while (at_ < text_.size() && text_[at_] >= '0' && text_[at_] <= '9' && digits < 4) {
          value = value * 10 + static_cast<unsigned>(text_[at_++] - '0');
          ++digits;
        }
        if (digits == 0 || value > 255) return false;
        out->push_back(static_cast<char>(value));
        Skip();
        if (Take(']')) return true;
        if (!Take(',')) return false;
      }
    }
    // A number, null, true or false: kept as written.
    while (at_ < text_.size() && text_[at_] != ',' && text_[at_] != '}' && text_[at_] != ' ') {
      out->push_back(text_[at_++]);
    }
    return !out->empty();
  }

  std::string_view text_;
  size_t at_ = 0;
};

// A JSON string of `text`, for the test copy.
std::string JsonString(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') out.push_back('\\');
    out.push_back(c);
  }
  return out + "\"";
}

constexpr char kCreateIdentity[] =
    "CREATE TABLE IF NOT EXISTS store_identity("
    "id INTEGER PRIMARY KEY CHECK (id = 1), value TEXT NOT NULL)";
constexpr char kSelectIdentity[] = "SELECT value FROM store_identity WHERE id = 1";
constexpr char kInsertIdentity[] = "INSERT INTO store_identity(id, value) VALUES(1, ?1)";

}  // namespace

StoreStatus ReadStoreId(SqlDb& db, std::string* id) {
  id->clear();
  if (db.engine() != SqlDb::Engine::kSqlite) return StoreStatus::Ok();
  StoreStatus status;
  bool present = false;
  status = SqliteTableExists(db, "store_identity", &present);
  if (!status.ok() || !present) return status;
  SqlStatement select = db.Prepare(kSelectIdentity, &status);
  if (!status.ok()) return status;
  if (select.Step(&status)) *id = std::string(select.ColumnText(0));
  return status;
}

StoreStatus StoreIdForWriting(SqlDb& db, std::string* id) {
  StoreStatus status = ReadStoreId(db, id);
  if (!status.ok() || !id->empty() || db.engine() != SqlDb::Engine::kSqlite) return status;
  status = db.Exec(kCreateIdentity);
  if (!status.ok()) return status;
  uint8_t random[16];
  randombytes_buf(random, sizeof random);
  const std::string made = HexEncode(std::string_view(reinterpret_cast<const char*>(random), 16));
  SqlStatement insert = db.Prepare(kInsertIdentity, &status);
  if (!status.ok()) return status;
  insert.BindText(1, made);
  status = insert.Run();
  if (status.ok()) *id = made;
  return status;
}

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

std::string FormatChainHead(ChainedLog log, uint64_t seq, const ChainHash& hash,
                            const std::string& store_id) {
  return std::string(kMarker) + ChainedLogTable(log) + " " + std::to_string(seq) + " " +
         HexOf(hash) + (store_id.empty() ? "" : " store " + store_id);
}

void SendAuthLog(bool warning, const std::string& line) {
  syslog(LOG_AUTHPRIV | (warning ? LOG_WARNING : LOG_INFO), "%s", line.c_str());
}

void SendNotedChainHeads(const std::string& store_id) {
  const NotedHeads heads = t_noted;
  t_noted.count = 0;
  if (heads.count == 0) return;
  std::string copy;
  for (size_t i = 0; i < heads.count; ++i) {
    const NotedHead& h = heads.heads[i];
    const std::string line = FormatChainHead(h.log, h.seq, h.hash, store_id);
    SendAuthLog(false, line);
    copy += "{\"_UID\":\"" + std::to_string(getuid()) + "\",\"MESSAGE\":" + JsonString(line) +
            "}\n";
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

void ReadChainAnchors(std::istream& in, const AnchorSource& source, ChainAnchors* anchors) {
  std::string line;
  while (std::getline(in, line)) {
    if (line.find(kMarker) == std::string::npos) continue;
    std::map<std::string, std::string> fields;
    const bool journal = JournalObject(line).Parse(&fields);
    const std::string message = journal ? fields["MESSAGE"] : line;
    const size_t at = message.find(kMarker);
    if (at == std::string::npos) continue;
    std::istringstream parts(message.substr(at + sizeof kMarker - 1));
    std::string table, seq_text, hex, store_word, store_id;
    if (!(parts >> table >> seq_text >> hex)) continue;
    if (parts >> store_word && store_word == "store") parts >> store_id;
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
    // Who sent it, as the journal recorded it: never what the line says.
    const auto uid = fields.find("_UID");
    if (!journal || uid == fields.end()) {
      ++anchors->unattributed;
      continue;
    }
    if (uid->second != std::to_string(source.sender_uid)) {
      ++anchors->other_sender;
      continue;
    }
    if (store_id != source.store_id) {
      ++anchors->other_store;
      continue;
    }
    const uint64_t seq = std::stoull(seq_text);
    auto [it, added] = anchors->heads[log].emplace(seq, hash);
    if (!added && it->second != hash) {
      std::vector<uint64_t>& conflicts = anchors->conflicts[log];
      if (std::find(conflicts.begin(), conflicts.end(), seq) == conflicts.end()) {
        conflicts.push_back(seq);
      }
    }
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
