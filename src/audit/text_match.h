// TextMatch: finds a typed text inside cell texts without regard to the case
// of ASCII letters, as a list's filter does while the user types. Other
// bytes (the letters of UTF-8 beyond ASCII among them) match only as typed.
// No Qt.
//
// Threads: a matcher is immutable once made; any thread may use it.
#ifndef TAV_AUDIT_TEXT_MATCH_H_
#define TAV_AUDIT_TEXT_MATCH_H_

#include <string>
#include <string_view>

namespace tav {

class TextMatch {
 public:
  TextMatch() = default;
  explicit TextMatch(std::string_view needle);

  // An empty needle is found in every text.
  bool Empty() const { return needle_.empty(); }
  bool FoundIn(std::string_view text) const;
  // The needle as compared (ASCII letters in lower case).
  const std::string& Folded() const { return needle_; }

  // `text` with ASCII letters in lower case.
  static std::string Fold(std::string_view text);

 private:
  std::string needle_;
};

}  // namespace tav

#endif  // TAV_AUDIT_TEXT_MATCH_H_
