// Dialogs that fit the screen. On a small screen, or one scaled up (a
// 1920 x 1080 screen at 200% leaves about 960 x 510 logical pixels to
// windows), a dialog may be taller or wider than the room there is, and its
// buttons would lie off the screen. A dialog given to KeepOnScreen shrinks
// to the screen's available area when it is shown; when its contents cannot
// become that small they move into a scroll area, so that every control,
// the buttons included, can still be reached. The dialog is then placed
// inside the available area. A dialog that fits is left as it is.
//
// Threads: the GUI thread.
#ifndef TAV_UI_SCREEN_FIT_H_
#define TAV_UI_SCREEN_FIT_H_

#include <QSize>

class QDialog;

namespace tav {

// What a dialog of `wanted` size whose contents need at least `minimum`
// becomes on a screen with `available` room (window frame excluded).
struct ScreenFit {
  QSize size;           // the dialog's size
  bool scroll = false;  // whether its contents go into a scroll area
};
ScreenFit PlanScreenFit(const QSize& wanted, const QSize& minimum, const QSize& available);

// Fits `dialog` to its screen when it is next shown (call it any time
// before). Its screen is the one of its parent's window, or its own without
// a parent. The dialog's own layout holds its contents; their widgets keep
// their object names when they move into the scroll area.
void KeepOnScreen(QDialog* dialog);

}  // namespace tav

#endif  // TAV_UI_SCREEN_FIT_H_
