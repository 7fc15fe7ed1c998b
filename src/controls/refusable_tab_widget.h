// CXTabCtrl: a tab widget whose current page may refuse to be left. Before
// the user's choice of another tab takes effect (a click on it, the arrow
// keys on the tab bar, the mouse wheel over it, its mnemonic, Ctrl+Tab,
// Ctrl+Shift+Tab, Ctrl+PgDown, Ctrl+PgUp) the change guard is asked; when it
// answers false nothing changes: neither the tab bar, nor the page shown, nor
// a currentChanged signal. Changes made by the program (setCurrentIndex) are
// not asked about.
//
// Threads: the GUI thread only. Ownership: a Qt widget; it owns its tab bar
// and, as QTabWidget does, its pages.
#ifndef TAV_CONTROLS_REFUSABLE_TAB_WIDGET_H_
#define TAV_CONTROLS_REFUSABLE_TAB_WIDGET_H_

#include <QTabWidget>

#include <functional>

namespace tav {

class CXTabCtrl : public QTabWidget {
  Q_OBJECT

 public:
  // Answers whether the current tab may give way to tab `to`.
  using ChangeGuard = std::function<bool(int to)>;

  explicit CXTabCtrl(QWidget* parent = nullptr);
  ~CXTabCtrl() override;

  // Replaces the guard; an empty guard allows every change.
  void SetChangeGuard(ChangeGuard guard) { guard_ = std::move(guard); }

  // The user's move to tab `to`: asks the guard and, when it allows, makes
  // `to` current. False when refused or when `to` is not an enabled tab.
  bool RequestChange(int to);

  // The enabled, visible tab `step` tabs (+1 or -1) away from the current
  // one, wrapping around or not; -1 when there is none.
  int NeighbourTab(int step, bool wrap) const;

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  class TabBar;

  ChangeGuard guard_;
};

}  // namespace tav

#endif  // TAV_CONTROLS_REFUSABLE_TAB_WIDGET_H_
