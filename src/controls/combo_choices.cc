#include "controls/combo_choices.h"

#include <algorithm>

namespace tav {

QStringList ComboEntries(const QStringList& choices) {
  QStringList entries;
  entries.reserve(choices.size());
  for (const QString& choice : choices) {
    if (!choice.isEmpty()) entries.push_back(choice);
  }
  return entries;
}

int ComboInitialIndex(const QStringList& entries, const QString& cell_text) {
  if (entries.isEmpty()) return -1;
  if (cell_text.isEmpty()) return 0;
  for (qsizetype i = 0; i < entries.size(); ++i) {
    if (entries[i].compare(cell_text, Qt::CaseInsensitive) == 0) return static_cast<int>(i);
  }
  return 0;
}

int ComboMoveIndex(int count, int current, ComboMove move, int page) {
  if (count <= 0) return -1;
  const int step = std::max(page - 1, 1);
  int next = current;
  switch (move) {
    case ComboMove::kUp: next = current - 1; break;
    case ComboMove::kDown: next = current + 1; break;
    case ComboMove::kPageUp: next = current - step; break;
    case ComboMove::kPageDown: next = current + step; break;
    case ComboMove::kHome: next = 0; break;
    case ComboMove::kEnd: next = count - 1; break;
  }
  return std::clamp(next, 0, count - 1);
}

int ComboLetterIndex(const QStringList& entries, int current, QChar letter) {
  const int count = static_cast<int>(entries.size());
  if (count == 0) return -1;
  const QChar wanted = letter.toUpper();
  const int start = current < 0 || current >= count ? 0 : current + 1;
  for (int k = 0; k < count; ++k) {
    const int i = (start + k) % count;
    if (!entries[i].isEmpty() && entries[i][0].toUpper() == wanted) return i;
  }
  return -1;
}

}  // namespace tav
