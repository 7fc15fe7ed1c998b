#include "services/filelib/event_seal.h"

#include <fcntl.h>
#include <sodium.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <chrono>
#include <cstring>
#include <ctime>
#include <map>
#include <mutex>

#include "services/filelib/head_anchor.h"
#include "services/filelib/interval_seals.h"
#include "services/filelib/key_file.h"
#include "services/filelib/log_output.h"
#include "util/atomic_create.h"
#include "util/file_stamp.h"
#include "util/library_lifetime.h"
#include "util/strings.h"

namespace tav {

namespace {

// The key file: one fixed block, rewritten in place so that the old key is
// overwritten (a member of the store's group may write the file but not
// replace it in the sticky folder).
constexpr char kMagic[8] = {'T', 'A', 'V', 'S', 'K', 'E', 'Y', '1'};
constexpr size_t kBodySize = 8 + 8 + 8 + 8 + 8 + 32;
constexpr size_t kFileSize = kBodySize + 32;  // + checksum
// More steps than this at once means a clock far off; the record is then
// stored unsealed rather than spending minutes on the steps.
constexpr uint64_t kMaxSteps = 10'000'000;

void Hash(const uint8_t* key, size_t key_size, std::string_view label,
          const std::vector<std::string_view>& parts, uint8_t* out) {
  crypto_generichash_state state;
  crypto_generichash_init(&state, key, key_size, 32);
  crypto_generichash_update(&state, reinterpret_cast<const unsigned char*>(label.data()),
                            label.size());
  for (std::string_view p : parts) {
    crypto_generichash_update(&state, reinterpret_cast<const unsigned char*>(p.data()), p.size());
  }
  crypto_generichash_final(&state, out, 32);
}

std::string_view View(const uint8_t* p, size_t n) {
  return std::string_view(reinterpret_cast<const char*>(p), n);
}

std::string KeyPath(const std::string& folder) { return folder + "/" + kSealKeyFileName; }

void Encode(const SealKeyState& s, uint8_t out[kFileSize]) {
  std::memcpy(out, kMagic, 8);
  PutU64(out + 8, s.key_id);
  PutU64(out + 16, static_cast<uint64_t>(s.start));
  PutU64(out + 24, static_cast<uint64_t>(s.interval));
  PutU64(out + 32, s.epoch);
  std::memcpy(out + 40, s.key.data(), 32);
  crypto_generichash(out + kBodySize, 32, out, kBodySize, nullptr, 0);
}

StoreStatus WriteAll(int fd, const uint8_t* data, size_t size, const std::string& path) {
  size_t done = 0;
  while (done < size) {
    const ssize_t n = pwrite(fd, data + done, size - done, static_cast<off_t>(done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return KeyFileError(n < 0 ? errno : EIO, "cannot write " + path);
    done += static_cast<size_t>(n);
  }
  if (fdatasync(fd) != 0) return KeyFileError(errno, "cannot sync " + path);
  return StoreStatus::Ok();
}

// The key as last read or written by this process, with the identity of the
// file it came from, so that an append costs one stat() while the key is
// unchanged.
struct CachedKey {
  bool present = false;
  FileStamp stamp;
  SealKeyState state;
};

std::mutex& CacheMutex() {
  static std::mutex mutex;
  return mutex;
}
std::map<std::string, CachedKey>& KeyCache() {
  static UntilUnload<std::map<std::string, CachedKey>> cache;
  return cache.Get();
}

void Remember(CachedKey* c, const struct stat& st, const SealKeyState& state) {
  c->present = true;
  c->stamp = FileStamp::Of(st);
  c->state = state;
}

std::function<int64_t()>& TestClock() {
  static UntilUnload<std::function<int64_t()>> clock;
  return clock.Get();
}

// Steps the key file to `epoch`: the new key is on disk before the call
// returns, and the old one is overwritten.
StoreStatus Evolve(SqlDb& db, const std::string& folder, SealKeyState* state, uint64_t epoch) {
  const std::string path = KeyPath(folder);
  // Every interval that ended gets its seal before its key is gone.
  StoreStatus sealed = WriteIntervalSeals(db, state->key_id, state->epoch, epoch, state->key);
  if (!sealed.ok()) return sealed;
  SealKeyState next = *state;
  for (uint64_t e = state->epoch + 1; e <= epoch; ++e) next.key = NextSealKey(next.key, e);
  next.epoch = epoch;
  uint8_t block[kFileSize];
  Encode(next, block);
  const int fd = open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return KeyFileError(errno, "cannot open " + path);
  StoreStatus status = WriteAll(fd, block, sizeof block, path);
  close(fd);
  sodium_memzero(block, sizeof block);
  if (!status.ok()) return status;
  sodium_memzero(state->key.data(), state->key.size());
  *state = next;
  sodium_memzero(next.key.data(), next.key.size());
  return StoreStatus::Ok();
}

// The current key of `folder`, stepped to `now_epoch`; false when the folder
// has no usable key (a line says why when it has one that cannot be used).
bool CurrentKey(SqlDb& db, const std::string& folder, int64_t now_ms, SealKeyState* out) {
  const std::string path = KeyPath(folder);
  std::lock_guard<std::mutex> lock(CacheMutex());
  CachedKey& cached = KeyCache()[folder];
  struct stat st;
  if (stat(path.c_str(), &st) != 0) {
    cached.present = false;
    return false;
  }
  if (!cached.present || !(cached.stamp == FileStamp::Of(st))) {
    SealKeyState state;
    StoreStatus status = ReadSealKey(folder, &state);
    if (!status.ok()) {
      cached.present = false;
      LogLine("record stored unsealed: " + status.message());
      return false;
    }
    Remember(&cached, st, state);
  }
  uint64_t now_epoch = SealEpochAt(cached.state.start, cached.state.interval, now_ms);
  if (now_epoch > cached.state.epoch) {
    // Another process (a second service on the store, a test) may have
    // stepped the key within the same tick of the file's time stamp: the
    // file as it stands decides, read under the store's write lock.
    SealKeyState fresh;
    StoreStatus status = ReadSealKey(folder, &fresh);
    if (!status.ok()) {
      cached.present = false;
      LogLine("record stored unsealed: " + status.message());
      return false;
    }
    WipeSealKey(&cached.state.key);
    cached.state = fresh;
    if (stat(path.c_str(), &st) == 0) cached.stamp = FileStamp::Of(st);
    WipeSealKey(&fresh.key);
    now_epoch = SealEpochAt(cached.state.start, cached.state.interval, now_ms);
  }
  if (now_epoch > cached.state.epoch) {
    if (now_epoch - cached.state.epoch > kMaxSteps) {
      LogLine("record stored unsealed: the clock is far past the sealing key's interval");
      return false;
    }
    StoreStatus status = Evolve(db, folder, &cached.state, now_epoch);
    if (!status.ok()) {
      cached.present = false;
      LogLine("record stored unsealed: the sealing key cannot evolve: " + status.message());
      SendAuthLog(false, "sealing key of " + folder + " cannot evolve: " + status.message());
      return false;
    }
    if (stat(path.c_str(), &st) == 0) Remember(&cached, st, cached.state);
  }
  *out = cached.state;
  return true;
}

// The machine's time zone offset at `utc_ms`.
int64_t ZoneOffsetMs(int64_t utc_ms) {
  const time_t t = static_cast<time_t>(utc_ms / 1000);
  struct tm tm;
  if (localtime_r(&t, &tm) == nullptr) return 0;
  return static_cast<int64_t>(tm.tm_gmtoff) * 1000;
}

}  // namespace

std::string FormatVerificationKey(const VerificationKey& key) {
  return HexEncode(View(key.seed.data(), key.seed.size())) + "/" + std::to_string(key.start) +
         "-" + std::to_string(key.interval) +
         (key.version >= 2 ? "/" + std::to_string(key.version) : std::string());
}

bool ParseVerificationKey(std::string_view text, VerificationKey* key) {
  const size_t slash = text.find('/');
  const size_t dash = text.find('-', slash == std::string_view::npos ? 0 : slash);
  if (slash != 64 || dash == std::string_view::npos) return false;
  VerificationKey out;
  size_t bin_len = 0;
  if (sodium_hex2bin(out.seed.data(), out.seed.size(), text.data(), 64, nullptr, &bin_len,
                     nullptr) != 0 ||
      bin_len != 32) {
    return false;
  }
  auto number = [](std::string_view digits, int64_t* value) {
    if (digits.empty() || digits.size() > 18) return false;
    int64_t v = 0;
    for (char c : digits) {
      if (c < '0' || c > '9') return false;
      v = v * 10 + (c - '0');
    }
    *value = v;
    return true;
  };
  std::string_view interval = text.substr(dash + 1);
  out.version = 1;
  if (const size_t mark = interval.find('/'); mark != std::string_view::npos) {
    const std::string_view suffix = interval.substr(mark);
    if (suffix != "/2" && suffix != "/3") return false;
    out.version = suffix[1] - '0';
    interval = interval.substr(0, mark);
  }
  if (!number(text.substr(slash + 1, dash - slash - 1), &out.start) ||
      !number(interval, &out.interval) || out.interval < 1) {
    return false;
  }
  *key = out;
  return true;
}

void WipeSealKey(SealKey* key) { sodium_memzero(key->data(), key->size()); }

SealKey NextSealKey(const SealKey& key, uint64_t next_epoch) {
  uint8_t e[8];
  PutU64(e, next_epoch);
  SealKey out;
  Hash(key.data(), key.size(), "tav seal evolve", {View(e, 8)}, out.data());
  return out;
}

SealKey FirstSealKey(const VerificationKey& key) {
  if (key.version < 2) return key.seed;
  SealKey first;
  Hash(key.seed.data(), key.seed.size(), "tav seal first", {}, first.data());
  return first;
}

SealKey DeriveSealKey(const VerificationKey& key, uint64_t epoch) {
  SealKey k = FirstSealKey(key);
  for (uint64_t e = 1; e <= epoch; ++e) k = NextSealKey(k, e);
  return k;
}

uint64_t SealEpochAt(int64_t start, int64_t interval, int64_t utc_ms) {
  const int64_t seconds = utc_ms / 1000;
  if (seconds < start || interval < 1) return 0;
  return static_cast<uint64_t>((seconds - start) / interval);
}

SealKey IntervalSealTag(const SealKey& key, uint64_t epoch, std::string_view heads) {
  uint8_t e[8];
  PutU64(e, epoch);
  SealKey out;
  Hash(key.data(), key.size(), "tav seal interval", {View(e, 8), heads}, out.data());
  return out;
}

SealKey SealTag(const SealKey& key, ChainedLog log, uint64_t seq, int64_t utc_ms,
                const ChainHash& chain) {
  uint8_t numbers[16];
  PutU64(numbers, seq);
  PutU64(numbers + 8, static_cast<uint64_t>(utc_ms));
  const char* table = ChainedLogTable(log);
  SealKey out;
  Hash(key.data(), key.size(), "tav seal record",
       {std::string_view(table, std::strlen(table) + 1), View(numbers, 16),
        View(chain.data(), chain.size())},
       out.data());
  return out;
}

uint64_t SealKeyId(const SealKey& seed) {
  uint8_t id[32];
  Hash(seed.data(), seed.size(), "tav seal id", {}, id);
  return GetU64(id);
}

StoreStatus ReadSealKey(const std::string& folder, SealKeyState* state) {
  const std::string path = KeyPath(folder);
  uint8_t block[kFileSize];
  StoreStatus status = ReadKeyFile(path, block, sizeof block, "the sealing key");
  if (!status.ok()) return status;
  uint8_t sum[32];
  crypto_generichash(sum, 32, block, kBodySize, nullptr, 0);
  if (std::memcmp(block, kMagic, 8) != 0 || sodium_memcmp(sum, block + kBodySize, 32) != 0) {
    sodium_memzero(block, sizeof block);
    return StoreStatus(StoreStatus::kCorrupt, "the sealing key " + path + " is damaged");
  }
  state->key_id = GetU64(block + 8);
  state->start = static_cast<int64_t>(GetU64(block + 16));
  state->interval = static_cast<int64_t>(GetU64(block + 24));
  state->epoch = GetU64(block + 32);
  std::memcpy(state->key.data(), block + 40, 32);
  sodium_memzero(block, sizeof block);
  if (state->interval < 1) {
    return StoreStatus(StoreStatus::kCorrupt, "the sealing key " + path + " is damaged");
  }
  return StoreStatus::Ok();
}

StoreStatus CreateSealingKey(const std::string& folder, int64_t interval, bool replace,
                             VerificationKey* verification) {
  if (sodium_init() < 0) {
    return StoreStatus(StoreStatus::kIOError, "no source of randomness for a sealing key");
  }
  if (interval < 1) return StoreStatus(StoreStatus::kInvalid, "the interval must be at least 1 second");
  VerificationKey v;
  v.version = kSealKeyVersion;
  randombytes_buf(v.seed.data(), v.seed.size());
  const int64_t now = SealClockNow() / 1000;
  v.interval = interval;
  // Records stored from the next second on must carry a seal.
  v.start = now;
  SealKeyState state;
  state.key_id = SealKeyId(v.seed);
  state.start = v.start;
  state.interval = v.interval;
  state.epoch = 0;
  // The file never holds the seed: whoever reads it must not derive the
  // keys of intervals that have ended.
  state.key = FirstSealKey(v);
  uint8_t block[kFileSize];
  Encode(state, block);
  sodium_memzero(state.key.data(), state.key.size());
  StoreStatus status = CreateKeyFile(folder, kSealKeyFileName, block, sizeof block, replace);
  sodium_memzero(block, sizeof block);
  if (!status.ok()) return status;
  *verification = v;
  sodium_memzero(v.seed.data(), v.seed.size());
  return StoreStatus::Ok();
}

int64_t SealClockNow() {
  if (TestClock()) return TestClock()();
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

void SetSealClockForTesting(std::function<int64_t()> clock) { TestClock() = std::move(clock); }

StoreStatus SealRecord(SqlDb& db, ChainedLog log, uint64_t seq, const ChainHash& chain,
                       RecordSeal* seal) {
  seal->utc_ms = SealClockNow();
  seal->epoch.reset();
  SealKeyState state;
  if (!CurrentKey(db, FolderOf(db.path()), seal->utc_ms, &state)) return StoreStatus::Ok();
  seal->epoch = state.epoch;
  seal->tag = SealTag(state.key, log, seq, seal->utc_ms, chain);
  sodium_memzero(state.key.data(), state.key.size());
  return StoreStatus::Ok();
}

StoreStatus EvolveSealingKey(SqlDb& db, uint64_t* epoch) {
  const std::string folder = FolderOf(db.path());
  SealKeyState state;
  StoreStatus status = ReadSealKey(folder, &state);
  if (!status.ok()) return status;
  WipeSealKey(&state.key);
  if (!CurrentKey(db, folder, SealClockNow(), &state)) {
    return StoreStatus(StoreStatus::kIOError,
                       "the sealing key in " + folder + " cannot evolve (see the log)");
  }
  *epoch = state.epoch;
  WipeSealKey(&state.key);
  return StoreStatus::Ok();
}

namespace {

struct SealWalk {
  const VerificationKey* key;
  uint64_t current_epoch;
  SealReport* report;
  const std::function<std::string(uint64_t, std::string_view)>& name;
  bool seen_tag = false;
  uint64_t prev_epoch = 0;
  bool have_key = false;  // `running` is the key of `key_epoch`
  uint64_t key_epoch = 0;
  SealKey running{};
  int64_t latest_ms = INT64_MIN;
  uint64_t latest_seq = 0;

  void Problem(uint64_t seq, std::string text) { report->problems.push_back({seq, std::move(text)}); }

  const SealKey& KeyOf(uint64_t epoch) {
    if (!have_key || epoch < key_epoch) {
      running = DeriveSealKey(*key, epoch);
      have_key = true;
    } else {
      for (uint64_t e = key_epoch + 1; e <= epoch; ++e) running = NextSealKey(running, e);
    }
    key_epoch = epoch;
    return running;
  }

  // The local wall-clock time of the record with the latest one, and its
  // UTC time.
  int64_t latest_local = INT64_MIN, latest_local_utc = 0;
  uint64_t latest_local_seq = 0;

  void LocalTime(uint64_t seq, std::string_view record, int64_t utc, int64_t local) {
    if (latest_local_seq != 0 && local < latest_local - kClockToleranceMs) {
      const int64_t back = static_cast<int64_t>(static_cast<uint64_t>(latest_local) -
                                                static_cast<uint64_t>(local));
      const int64_t zone_back = ZoneOffsetMs(latest_local_utc) - ZoneOffsetMs(utc);
      if (back > zone_back + kClockToleranceMs) {
        Problem(seq, name(seq, record) + " has a local date " + std::to_string(back / 1000) +
                         " s before that of record " + std::to_string(latest_local_seq) +
                         ", though it was stored later: it was stored with another time zone "
                         "or clock");
      }
    }
    if (local > latest_local) {
      latest_local = local;
      latest_local_utc = utc;
      latest_local_seq = seq;
    }
  }

  void Time(uint64_t seq, std::string_view record, int64_t utc) {
    if (latest_seq != 0 && utc < latest_ms - kClockToleranceMs) {
      Problem(seq, name(seq, record) + " is dated " + FormatUtcMs(utc) + ", " +
                       std::to_string((static_cast<uint64_t>(latest_ms) - static_cast<uint64_t>(utc)) /
                                      1000) +
                       " s before record " +
                       std::to_string(latest_seq) +
                       ": the time runs backwards (a clock set back, or records moved)");
    }
    if (utc > latest_ms) {
      latest_ms = utc;
      latest_seq = seq;
    }
  }

  void Seal(ChainedLog log, uint64_t seq, std::string_view record, const ChainHash& chain,
            bool has_utc, int64_t utc, bool tagged, uint64_t epoch, std::string_view tag) {
    if (!tagged) {
      if (seen_tag) {
        Problem(seq, name(seq, record) + " is not sealed, though records before it are");
      } else if (has_utc && utc >= (key->start + 1) * 1000) {
        Problem(seq, name(seq, record) + " is not sealed, though it was stored after sealing "
                                         "began");
      } else {
        ++report->unsealed_before;
      }
      return;
    }
    // An interval that has not begun yet cannot hold a genuine seal (and
    // stepping a key that far would take for ever).
    const uint64_t latest = std::max(current_epoch, SealEpochAt(key->start, key->interval,
                                                                SealClockNow())) + 1;
    if (epoch > latest) {
      Problem(seq, name(seq, record) + " claims a seal of an interval that has not begun");
      seen_tag = true;
      return;
    }
    if (seen_tag && epoch < prev_epoch) {
      Problem(seq, name(seq, record) + " was sealed in an earlier interval than the record "
                                       "before it: records were reordered or inserted");
    }
    const SealKey expected = SealTag(KeyOf(epoch), log, seq, utc, chain);
    if (tag.size() != expected.size() ||
        sodium_memcmp(expected.data(), tag.data(), expected.size()) != 0) {
      Problem(seq, name(seq, record) +
                       " does not match its seal: it was changed after it was sealed, or "
                       "sealed with another key");
    } else if (SealEpochAt(key->start, key->interval, utc) != epoch) {
      Problem(seq, name(seq, record) + " is dated " + FormatUtcMs(utc) +
                       " but was sealed in the interval from " +
                       FormatUtcMs((key->start + static_cast<int64_t>(epoch) * key->interval) * 1000) +
                       ": it was resealed or redated");
    } else if (epoch < current_epoch) {
      report->sealed_through = seq;
      report->last_epoch = epoch;
    }
    seen_tag = true;
    prev_epoch = epoch;
  }
};

// Each log's statement, one text per log.
constexpr char kSealColumns[] =
    "SELECT count(*) FROM pragma_table_info(?1) WHERE name IN ('utc', 'epoch', 'tag')";
const char* const kSealedRows[] = {
    "SELECT seq, record, chain, utc, epoch, tag FROM system_events ORDER BY seq",
    "SELECT seq, record, chain, utc, epoch, tag FROM config_audit ORDER BY seq",
    "SELECT seq, record, chain, utc, epoch, tag FROM run_history ORDER BY seq",
};
// The lab store: with each row's chain algorithm.
const char* const kLabSealedRows[] = {
    "SELECT seq, record, chain, utc, epoch, tag, alg FROM system_events ORDER BY seq",
    "SELECT seq, record, chain, utc, epoch, tag, alg FROM config_audit ORDER BY seq",
    "SELECT seq, record, chain, utc, epoch, tag, alg FROM run_history ORDER BY seq",
};

bool HasSealColumns(SqlDb& db, ChainedLog log) {
  // The lab store's tables have them from the start.
  if (db.engine() == SqlDb::Engine::kPostgres) return true;
  StoreStatus status;
  SqlStatement stmt = db.Prepare(kSealColumns, &status);
  if (!status.ok()) return false;
  stmt.BindText(1, ChainedLogTable(log));
  return stmt.Step(&status) && stmt.ColumnInt64(0) == 3;
}

}  // namespace

StoreStatus VerifySeals(SqlDb& db, ChainedLog log, const VerificationKey* key,
                        uint64_t current_epoch, SealReport* report,
                        const std::function<std::string(uint64_t, std::string_view)>& describe,
                        const LocalTimeOf& local_time) {
  *report = SealReport();
  auto name = [&](uint64_t seq, std::string_view record) {
    return describe ? describe(seq, record) : "record " + std::to_string(seq);
  };
  std::function<std::string(uint64_t, std::string_view)> namer = name;
  if (!HasSealColumns(db, log)) {
    // A store not yet opened for writing since sealing came.
    uint64_t count = 0;
    StoreStatus s = CountChained(db, log, &count);
    if (!s.ok()) return s;
    report->count = report->unsealed_before = count;
    return StoreStatus::Ok();
  }
  StoreStatus status;
  const bool lab = db.engine() == SqlDb::Engine::kPostgres;
  SqlStatement rows =
      db.Prepare((lab ? kLabSealedRows : kSealedRows)[static_cast<int>(log)], &status);
  if (!status.ok()) return status;
  SealWalk walk{key, current_epoch, report, namer};
  while (rows.Step(&status)) {
    const auto seq = static_cast<uint64_t>(rows.ColumnInt64(0));
    const std::string_view record = rows.ColumnBlob(1);
    ++report->count;
    const bool timed = !rows.ColumnIsNull(3);
    const int64_t utc = rows.ColumnInt64(3);
    if (lab && rows.ColumnInt64(6) == kLabChainAlg) {
      // Chained by the lab store: its server gave the UTC time, and the
      // local dates are those of many workstations' clocks; nothing seals
      // it but the store's rights.
      if (timed) walk.Time(seq, record, utc);
      continue;
    }
    if (timed) {
      const size_t before = report->problems.size();
      walk.Time(seq, record, utc);
      // A UTC time that ran backwards says it already.
      if (local_time && report->problems.size() == before) {
        if (std::optional<int64_t> local = local_time(record)) walk.LocalTime(seq, record, utc, *local);
      }
    }
    if (key == nullptr) continue;
    ChainHash chain{};
    const std::string_view stored = rows.ColumnBlob(2);
    if (stored.size() == chain.size()) std::memcpy(chain.data(), stored.data(), chain.size());
    const bool tagged = timed && !rows.ColumnIsNull(4) && !rows.ColumnIsNull(5);
    walk.Seal(log, seq, record, chain, timed, utc, tagged, static_cast<uint64_t>(rows.ColumnInt64(4)),
              rows.ColumnBlob(5));
  }
  sodium_memzero(walk.running.data(), walk.running.size());
  return status;
}

}  // namespace tav
