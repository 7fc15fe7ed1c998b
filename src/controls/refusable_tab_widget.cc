#include "controls/refusable_tab_widget.h"

#include <QApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMouseEvent>
#include <QShortcutEvent>
#include <QStyle>
#include <QTabBar>
#include <QWheelEvent>

namespace tav {

// The tab bar sends every change the user asks for through RequestChange.
class CXTabCtrl::TabBar final : public QTabBar {
 public:
  explicit TabBar(CXTabCtrl* tabs) : QTabBar(tabs), tabs_(tabs) {}

 protected:
  void mousePressEvent(QMouseEvent* event) override {
    const int to = tabAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && to >= 0 && to != currentIndex() &&
        isTabEnabled(to)) {
      // Refused, or allowed but sent back by the page (a host whose new
      // page will not be shown): swallowed, so that neither the press nor
      // the release selects the tab behind the host's back and asks again.
      if (!tabs_->RequestChange(to) || currentIndex() != to) {
        event->accept();
        return;
      }
    }
    QTabBar::mousePressEvent(event);
  }

  void keyPressEvent(QKeyEvent* event) override {
    const int key = event->key();
    if (key != Qt::Key_Left && key != Qt::Key_Right) {
      QTabBar::keyPressEvent(event);
      return;
    }
    const bool back = key == (isRightToLeft() ? Qt::Key_Right : Qt::Key_Left);
    const int to = tabs_->NeighbourTab(back ? -1 : 1, false);
    if (to >= 0) tabs_->RequestChange(to);
    event->accept();
  }

  void wheelEvent(QWheelEvent* event) override {
    if (!style()->styleHint(QStyle::SH_TabBar_AllowWheelScrolling, nullptr, this)) {
      QTabBar::wheelEvent(event);
      return;
    }
    const QPoint delta = event->angleDelta();
    const int d = qAbs(delta.y()) > qAbs(delta.x()) ? delta.y() : delta.x();
    if (d != 0) {
      const int to = tabs_->NeighbourTab(d > 0 ? -1 : 1, false);
      if (to >= 0) tabs_->RequestChange(to);
    }
    event->accept();
  }

  bool event(QEvent* event) override {
    if (event->type() == QEvent::Shortcut) {
      // A tab's mnemonic (Alt+letter of "&Letter").
      const QKeySequence key = static_cast<QShortcutEvent*>(event)->key();
      for (int i = 0; i < count(); ++i) {
        if (isTabEnabled(i) && isTabVisible(i) && QKeySequence::mnemonic(tabText(i)) == key) {
          if (i != currentIndex()) tabs_->RequestChange(i);
          return true;
        }
      }
    }
    return QTabBar::event(event);
  }

 private:
  CXTabCtrl* tabs_;
};

CXTabCtrl::CXTabCtrl(QWidget* parent) : QTabWidget(parent) { setTabBar(new TabBar(this)); }

CXTabCtrl::~CXTabCtrl() = default;

bool CXTabCtrl::RequestChange(int to) {
  if (to < 0 || to >= count() || !isTabEnabled(to)) return false;
  if (to == currentIndex()) return true;
  if (guard_ && !guard_(to)) return false;
  setCurrentIndex(to);
  return true;
}

int CXTabCtrl::NeighbourTab(int step, bool wrap) const {
  const int n = count();
  const int current = currentIndex();
  int index = current;
  for (int pass = 1; pass < n; ++pass) {
    index += step;
    if (index < 0 || index >= n) {
      if (!wrap) return -1;
      index = (index + n) % n;
    }
    if (index == current) return -1;
    if (isTabEnabled(index) && isTabVisible(index)) return index;
  }
  return -1;
}

void CXTabCtrl::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  const bool ctrl = event->modifiers() & Qt::ControlModifier;
  int step = 0;
  if (ctrl && (key == Qt::Key_Tab || key == Qt::Key_Backtab)) {
    step = (key == Qt::Key_Backtab || (event->modifiers() & Qt::ShiftModifier)) ? -1 : 1;
  } else if (ctrl && (key == Qt::Key_PageDown || key == Qt::Key_PageUp)) {
    step = key == Qt::Key_PageDown ? 1 : -1;
  }
  if (step == 0 || count() < 2) {
    QTabWidget::keyPressEvent(event);
    return;
  }
  const int to = NeighbourTab(step, true);
  if (to >= 0) RequestChange(to);
  if (QApplication::focusWidget() == nullptr) tabBar()->setFocus();
  event->accept();
}

}  // namespace tav
