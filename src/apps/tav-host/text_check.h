// The text check: finds the texts of a window that show less than their
// whole text, and, under the pseudo-locale (pseudo_locale.h), the texts that
// never went through translation.
//
// A text is cut when it needs more room than its widget gives it, measured
// with the widget's own font metrics against the width (and height) the
// widget shows it in: labels (each line, or the wrapped height), buttons
// and check boxes (their style's contents rectangle), group box titles,
// tabs (the tab's rectangle, and the tab bar's width), header sections of
// lists (each line of a heading), the cells of lists (what their delegate
// asks for) and the shown item of drop-down lists. Only widgets that are
// shown are looked at; line edits and text boxes hold what users type.
//
// A widget whose text is data rather than a text of ours (a user name, a
// file name) carries the dynamic property "tavData" = true: it must fit,
// but needs no marks. Cells and drop-down items are data; window titles,
// labels, buttons, titles, tabs and headings are ours.
//
// Threads: the GUI thread.
#ifndef TAV_APPS_TAV_HOST_TEXT_CHECK_H_
#define TAV_APPS_TAV_HOST_TEXT_CHECK_H_

#include <QString>
#include <vector>

class QWidget;

namespace tav::host {

struct TextProblem {
  enum Kind { kCut, kUntranslated };
  Kind kind;
  QString where;      // "dlg102/ctl1025 header 0": the window's and widget's names
  QString text;       // the text as shown
  int needed = 0;     // pixels the text needs (kCut)
  int available = 0;  // pixels it has (kCut)

  QString ToString() const;
};

// The problems of `window` and its shown children. With `require_marks`
// the texts of ours must carry the pseudo-locale's marks.
std::vector<TextProblem> CheckTexts(QWidget* window, bool require_marks);

}  // namespace tav::host

#endif  // TAV_APPS_TAV_HOST_TEXT_CHECK_H_
