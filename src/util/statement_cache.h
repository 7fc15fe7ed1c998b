// StatementCache: a connection's prepared statements, found by their SQL
// text. Two texts that are equal share one statement wherever they live; two
// that differ never do, even when one buffer held both in turn (a string
// freed and its memory reused, SQL built at run time).
//
// Finding a statement hashes its text. Most callers pass the same string
// literal on every call, so a small table of recently used addresses is
// looked at first; an entry there is used only after its text has been
// compared with the caller's, so an address whose text has changed falls
// through to the lookup by text.
//
// Thread safety: none; used by one connection's thread at a time.
// Ownership: the cache owns the cursors and its copies of the texts.
#ifndef TAV_UTIL_STATEMENT_CACHE_H_
#define TAV_UTIL_STATEMENT_CACHE_H_

#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>

namespace tav {

template <typename Cursor>
class StatementCache {
 public:
  StatementCache() = default;
  StatementCache(const StatementCache&) = delete;
  StatementCache& operator=(const StatementCache&) = delete;

  // The cursor cached for the text `sql`, or nullptr.
  // REQUIRES: sql is a NUL-terminated string.
  Cursor* Find(const char* sql) {
    Recent& recent = recent_[Slot(sql)];
    if (recent.address == sql && std::strcmp(recent.entry->text.c_str(), sql) == 0) {
      return recent.entry->cursor.get();
    }
    auto it = by_text_.find(std::string_view(sql));
    if (it == by_text_.end()) return nullptr;
    recent = Recent{sql, it->second.get()};
    return it->second->cursor.get();
  }

  // Caches `cursor` for the text `sql` and returns it.
  // REQUIRES: Find(sql) == nullptr.
  Cursor* Insert(const char* sql, std::unique_ptr<Cursor> cursor) {
    auto entry = std::make_unique<Entry>();
    entry->text = sql;
    entry->cursor = std::move(cursor);
    Entry* e = entry.get();
    // The key views the entry's own copy, which does not move.
    by_text_.emplace(std::string_view(e->text), std::move(entry));
    recent_[Slot(sql)] = Recent{sql, e};
    return e->cursor.get();
  }

  size_t size() const { return by_text_.size(); }

  // Destroys every cursor (before the connection that they belong to).
  void Clear() {
    recent_.fill(Recent{});
    by_text_.clear();
  }

 private:
  struct Entry {
    std::string text;
    std::unique_ptr<Cursor> cursor;
  };
  struct Recent {
    const char* address = nullptr;
    Entry* entry = nullptr;
  };
  static constexpr int kRecentBits = 6;

  static size_t Slot(const char* sql) {
    // Fibonacci hashing: literals sit a few bytes apart, so use the high bits.
    const uint64_t a = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(sql));
    return static_cast<size_t>((a * 0x9E3779B97F4A7C15ull) >> (64 - kRecentBits));
  }

  std::unordered_map<std::string_view, std::unique_ptr<Entry>> by_text_;
  std::array<Recent, size_t{1} << kRecentBits> recent_{};
};

}  // namespace tav

#endif  // TAV_UTIL_STATEMENT_CACHE_H_
