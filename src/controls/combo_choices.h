// The choice rules of the report list's drop-down list (CXComboList),
// without a window: which entries it offers, which one it selects when it
// opens, and where the navigation keys and letters move the selection.
//
// Threads: any; pure functions.
#ifndef TAV_CONTROLS_COMBO_CHOICES_H_
#define TAV_CONTROLS_COMBO_CHOICES_H_

#include <QString>
#include <QStringList>

namespace tav {

// The entries of the list: the non-empty choices, in order.
QStringList ComboEntries(const QStringList& choices);

// The entry selected when the list opens over a cell holding `cell_text`:
// the first one when the text is empty or matches none, else the one equal
// to the text regardless of case. -1 when there are no entries.
int ComboInitialIndex(const QStringList& entries, const QString& cell_text);

// Keys that move the selection.
enum class ComboMove { kUp, kDown, kPageUp, kPageDown, kHome, kEnd };

// The entry a navigation key selects from `current` (-1 for none) in a list
// of `count` entries showing `page` rows, clamped to the list; -1 when the
// list is empty.
int ComboMoveIndex(int count, int current, ComboMove move, int page);

// The next entry after `current` that begins with `letter` (either case),
// going round past the end and ending at `current` itself; -1 when none
// does.
int ComboLetterIndex(const QStringList& entries, int current, QChar letter);

}  // namespace tav

#endif  // TAV_CONTROLS_COMBO_CHOICES_H_
