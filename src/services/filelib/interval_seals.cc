#include "services/filelib/interval_seals.h"

#include <sodium.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <optional>

#include "services/filelib/key_file.h"
#include "util/sqlite_db.h"

namespace tav {
namespace {

constexpr ChainedLog kLogs[] = {ChainedLog::kSystemEvents, ChainedLog::kConfigAudit,
                                ChainedLog::kRunHistory};
constexpr size_t kHeadBytes = 8 + 32;
constexpr size_t kHeadsBytes = kHeadBytes * 3;

constexpr char kCreateTable[] =
    "CREATE TABLE IF NOT EXISTS interval_seals(key_id INTEGER NOT NULL, epoch INTEGER NOT NULL, "
    "heads BLOB NOT NULL, tag BLOB NOT NULL, PRIMARY KEY (key_id, epoch))";
constexpr char kHead[] = "SELECT seq, chain FROM chain_heads WHERE log = ?1";
constexpr char kInsert[] =
    "INSERT INTO interval_seals(key_id, epoch, heads, tag) VALUES(?4, ?1, ?2, ?3)";
constexpr char kAny[] =
    "SELECT count(*) FROM interval_seals WHERE key_id = ?3 AND epoch >= ?1 AND epoch < ?2";
constexpr char kAll[] =
    "SELECT epoch, heads, tag FROM interval_seals WHERE key_id = ?1 ORDER BY epoch";
const char* const kEpochs[] = {
    "SELECT seq, epoch FROM system_events WHERE epoch IS NOT NULL ORDER BY seq",
    "SELECT seq, epoch FROM config_audit WHERE epoch IS NOT NULL ORDER BY seq",
    "SELECT seq, epoch FROM run_history WHERE epoch IS NOT NULL ORDER BY seq",
};
const char* const kLastUpTo[] = {
    "SELECT max(seq) FROM system_events WHERE seq <= ?1",
    "SELECT max(seq) FROM config_audit WHERE seq <= ?1",
    "SELECT max(seq) FROM run_history WHERE seq <= ?1",
};
const char* const kChainAt[] = {
    "SELECT chain FROM system_events WHERE seq = ?1",
    "SELECT chain FROM config_audit WHERE seq = ?1",
    "SELECT chain FROM run_history WHERE seq = ?1",
};

StoreStatus Count(SqlDb& db, const char* sql, int64_t a, int64_t b, int64_t* out,
                  std::optional<int64_t> key_id = std::nullopt) {
  StoreStatus status;
  SqlStatement stmt = db.Prepare(sql, &status);
  if (!status.ok()) return status;
  if (a >= 0) stmt.BindInt64(1, a);
  if (b >= 0) stmt.BindInt64(2, b);
  if (key_id) stmt.BindInt64(3, *key_id);
  *out = stmt.Step(&status) ? stmt.ColumnInt64(0) : 0;
  return status;
}

// The three logs' heads as they stand, encoded.
StoreStatus CurrentHeads(SqlDb& db, std::string* heads) {
  heads->assign(kHeadsBytes, '\0');
  for (size_t i = 0; i < 3; ++i) {
    StoreStatus status;
    SqlStatement head = db.Prepare(kHead, &status);
    if (!status.ok()) return status;
    head.BindText(1, ChainedLogTable(kLogs[i]));
    if (head.Step(&status)) {
      const std::string_view chain = head.ColumnBlob(1);
      if (chain.size() != 32) {
        return StoreStatus(StoreStatus::kCorrupt, db.path() + ": the recorded end of the " +
                                                      ChainedLogTitle(kLogs[i]) + " is damaged");
      }
      PutU64(heads->data() + i * kHeadBytes, static_cast<uint64_t>(head.ColumnInt64(0)));
      std::memcpy(heads->data() + i * kHeadBytes + 8, chain.data(), 32);
    }
    if (!status.ok()) return status;
  }
  return StoreStatus::Ok();
}

struct IntervalSeal {
  uint64_t epoch;
  std::string heads;
  std::string tag;
};

size_t LogIndex(ChainedLog log) {
  for (size_t i = 0; i < 3; ++i) {
    if (kLogs[i] == log) return i;
  }
  return 0;
}

// Checks the seals' own tags and order; the seals that hold, by interval.
void CheckTags(const std::vector<IntervalSeal>& seals, const VerificationKey& key,
               uint64_t reached, bool reached_is_key, size_t index, std::map<uint64_t, const IntervalSeal*>* good,
               std::vector<SealProblem>* problems) {
  SealKey running = FirstSealKey(key);
  uint64_t running_epoch = 0;
  for (const IntervalSeal& seal : seals) {
    const uint64_t named =
        seal.heads.size() == kHeadsBytes ? GetU64(seal.heads.data() + index * kHeadBytes) : 0;
    const uint64_t seq = named == 0 ? 1 : named;
    // A seal of an interval that has not begun cannot be genuine (and
    // stepping a key that far would take for ever).
    const uint64_t now = SealEpochAt(key.start, key.interval, SealClockNow());
    if (!reached_is_key && seal.epoch > std::max(reached, now)) {
      problems->push_back({seq, "interval " + std::to_string(seal.epoch) +
                                    " is sealed, though it has not begun: the seal is forged"});
      continue;
    }
    if (reached_is_key && seal.epoch >= reached) {
      problems->push_back({seq, "interval " + std::to_string(seal.epoch) +
                                    " is sealed, though the key has reached only interval " +
                                    std::to_string(reached) +
                                    ": the key file was put back to an older copy, or the seal "
                                    "is forged"});
      continue;
    }
    for (uint64_t e = running_epoch + 1; e <= seal.epoch; ++e) running = NextSealKey(running, e);
    running_epoch = seal.epoch;
    const SealKey expected = IntervalSealTag(running, seal.epoch, seal.heads);
    if (seal.heads.size() != kHeadsBytes || seal.tag.size() != expected.size() ||
        sodium_memcmp(expected.data(), seal.tag.data(), expected.size()) != 0) {
      problems->push_back({seq, "the seal of interval " + std::to_string(seal.epoch) +
                                    " does not match: it was changed, or made with another key"});
      continue;
    }
    (*good)[seal.epoch] = &seal;
  }
  sodium_memzero(running.data(), running.size());
}

// "the system event log ends at interval N, the key has reached M: ...",
// for the first interval `missing` that lacks its seal.
std::string EndsText(const std::string& title, uint64_t missing, uint64_t reached) {
  return "the " + title +
         (missing == 0 ? std::string(" has no sealed interval")
                       : " ends at interval " + std::to_string(missing - 1)) +
         ", the key has reached " + std::to_string(reached) + ": records may have been removed";
}

}  // namespace

StoreStatus WriteIntervalSeals(SqlDb& db, uint64_t key_id, uint64_t from, uint64_t to,
                               const SealKey& from_key) {
  if (db.engine() == SqlDb::Engine::kPostgres || from >= to) return StoreStatus::Ok();
  StoreStatus status = db.Exec(kCreateTable);
  if (!status.ok()) return status;
  int64_t taken = 0;
  status = Count(db, kAny, static_cast<int64_t>(from), static_cast<int64_t>(to), &taken,
                 static_cast<int64_t>(key_id));
  if (!status.ok()) return status;
  if (taken != 0) {
    return StoreStatus(StoreStatus::kTampered,
                       db.path() + ": intervals from " + std::to_string(from) +
                           " on are sealed already: the sealing key was put back to an older "
                           "copy");
  }
  std::string heads;
  status = CurrentHeads(db, &heads);
  if (!status.ok()) return status;
  SealKey key = from_key;
  for (uint64_t epoch = from; epoch < to && status.ok(); ++epoch) {
    if (epoch > from) key = NextSealKey(key, epoch);
    const SealKey tag = IntervalSealTag(key, epoch, heads);
    SqlStatement insert = db.Prepare(kInsert, &status);
    if (!status.ok()) break;
    insert.BindInt64(1, static_cast<int64_t>(epoch));
    insert.BindBlob(2, heads);
    insert.BindBlob(3, std::string_view(reinterpret_cast<const char*>(tag.data()), tag.size()));
    insert.BindInt64(4, static_cast<int64_t>(key_id));
    status = insert.Run();
  }
  sodium_memzero(key.data(), key.size());
  return status;
}

StoreStatus CheckIntervalSeals(SqlDb& db, ChainedLog log, const VerificationKey& key,
                               uint64_t reached, bool reached_is_key,
                               std::vector<SealProblem>* problems, std::vector<std::string>* notes) {
  if (db.engine() == SqlDb::Engine::kPostgres) return StoreStatus::Ok();
  const std::string title = ChainedLogTitle(log);
  bool has_table = false;
  StoreStatus status = SqliteTableExists(db, "interval_seals", &has_table);
  if (!status.ok()) return status;
  std::vector<IntervalSeal> seals;
  if (has_table) {
    SqlStatement all = db.Prepare(kAll, &status);
    if (!status.ok()) return status;
    all.BindInt64(1, static_cast<int64_t>(SealKeyId(key.seed)));
    while (all.Step(&status)) {
      seals.push_back({static_cast<uint64_t>(all.ColumnInt64(0)), std::string(all.ColumnBlob(1)),
                       std::string(all.ColumnBlob(2))});
    }
    if (!status.ok()) return status;
  }
  const size_t index = LogIndex(log);
  std::map<uint64_t, const IntervalSeal*> good;
  CheckTags(seals, key, reached, reached_is_key, index, &good, problems);

  // Continuity: from the key's first interval (a key made before intervals
  // were sealed: from the first one sealed) to the last that has ended.
  uint64_t expected = 0;
  if (key.version < 2) {
    if (seals.empty()) {
      notes->push_back("this verification key was made before intervals were sealed, and no "
                       "interval is: a log cut short at an interval's end cannot be found "
                       "(tavsec events setup-keys --force makes a key that seals them)");
      return StoreStatus::Ok();
    }
    expected = seals.front().epoch;
    if (expected > 0) {
      notes->push_back("this verification key was made before intervals were sealed: the " +
                       title + " is checked for a cut from interval " + std::to_string(expected) +
                       " on");
    }
  }
  uint64_t previous_seq = 0;  // the log's last record that a seal before named
  bool reported_gap = false;
  for (const auto& [epoch, seal] : good) {
    if (epoch > expected && !reported_gap) {
      problems->push_back({previous_seq + 1, EndsText(title, expected, reached)});
      reported_gap = true;
    }
    expected = std::max(expected, epoch + 1);
    const char* head = seal->heads.data() + index * kHeadBytes;
    const uint64_t seq = GetU64(head);
    if (seq < previous_seq) {
      problems->push_back({seq + 1, "interval " + std::to_string(epoch) + " sealed record " +
                                        std::to_string(seq) + " as the end of the " + title +
                                        ", before that of an earlier interval (" +
                                        std::to_string(previous_seq) + "): records were removed"});
    }
    if (seq != 0 && seq != previous_seq) {
      SqlStatement at = db.Prepare(kChainAt[index], &status);
      if (!status.ok()) return status;
      at.BindInt64(1, static_cast<int64_t>(seq));
      const bool present = at.Step(&status);
      if (!status.ok()) return status;
      if (!present) {
        // The first record gone is the one after the last still there.
        int64_t last_there = 0;
        status = Count(db, kLastUpTo[index], static_cast<int64_t>(seq), -1, &last_there);
        if (!status.ok()) return status;
        const uint64_t first_gone =
            std::max(previous_seq, static_cast<uint64_t>(std::max<int64_t>(last_there, 0))) + 1;
        problems->push_back({first_gone, "record " + std::to_string(seq) + " of the " + title +
                                      ", sealed as its end when interval " +
                                      std::to_string(epoch) +
                                      " ended, is not in the log: records were removed"});
      } else if (at.ColumnBlob(0) != std::string_view(head + 8, 32)) {
        problems->push_back({seq, "record " + std::to_string(seq) + " of the " + title +
                                      " is not the record that was sealed as its end when "
                                      "interval " + std::to_string(epoch) +
                                      " ended: records were removed or replaced"});
      }
    }
    previous_seq = std::max(previous_seq, seq);
  }
  // Each record was appended in the interval whose seal first names it as
  // part of the log (or, after the last seal, later): a record sealed in
  // another interval was put where removed ones were. `ends` holds (last
  // seq, interval); an interval whose predecessor has no seal (the first
  // one sealed under an old key, or after a gap already reported) may hold
  // records of earlier intervals too.
  std::vector<std::pair<uint64_t, uint64_t>> ends;
  for (const auto& [epoch, seal] : good) {
    ends.emplace_back(GetU64(seal->heads.data() + index * kHeadBytes), epoch);
  }
  auto exact = [&good](uint64_t epoch) { return epoch == 0 || good.count(epoch - 1) != 0; };
  if (!ends.empty()) {
    SqlStatement rows = db.Prepare(kEpochs[index], &status);
    if (!status.ok()) return status;
    while (rows.Step(&status)) {
      const auto seq = static_cast<uint64_t>(rows.ColumnInt64(0));
      const auto epoch = static_cast<uint64_t>(rows.ColumnInt64(1));
      auto it = std::lower_bound(ends.begin(), ends.end(), std::make_pair(seq, uint64_t{0}));
      const bool after_all = it == ends.end();
      if (after_all ? epoch > ends.back().second
                    : epoch == it->second || (!exact(it->second) && epoch < it->second)) {
        continue;
      }
      problems->push_back(
          {seq, "record " + std::to_string(seq) + " of the " + title + " was sealed in interval " +
                    std::to_string(epoch) + ", but the interval seals place it in " +
                    (after_all ? "an interval after " + std::to_string(ends.back().second)
                               : "interval " + std::to_string(it->second)) +
                    ": it took the place of records that were removed, or was moved"});
      break;  // the first one says it; the rest follow from it
    }
    if (!status.ok()) return status;
  }
  if (expected < reached && !reported_gap) {
    problems->push_back({previous_seq + 1, EndsText(title, expected, reached)});
  }
  return StoreStatus::Ok();
}

}  // namespace tav
