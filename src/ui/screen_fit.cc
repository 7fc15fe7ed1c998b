#include "ui/screen_fit.h"

#include <QDialog>
#include <QEvent>
#include <QGuiApplication>
#include <QLayout>
#include <QPointer>
#include <QScreen>
#include <QScrollArea>
#include <QVBoxLayout>

#include <algorithm>

namespace tav {

ScreenFit PlanScreenFit(const QSize& wanted, const QSize& minimum, const QSize& available) {
  ScreenFit fit;
  fit.size = wanted.boundedTo(available);
  fit.scroll = minimum.width() > available.width() || minimum.height() > available.height();
  return fit;
}

namespace {

// The contents of `dialog`'s layout move into a scroll area that becomes
// the dialog's only child in a new layout. The layout takes its widgets
// along (QWidget::setLayout takes a layout off the widget it was on).
void ScrollContents(QDialog* dialog) {
  QLayout* layout = dialog->layout();
  if (layout == nullptr) return;
  auto* content = new QWidget();
  content->setObjectName(QStringLiteral("screenFitContent"));
  content->setLayout(layout);
  auto* scroll = new QScrollArea(dialog);
  scroll->setObjectName(QStringLiteral("screenFitScroll"));
  scroll->setFrameShape(QFrame::NoFrame);
  scroll->setWidgetResizable(true);
  scroll->setWidget(content);
  // The old layout had made its minimum the dialog's; the new one sets its
  // own when it is activated.
  dialog->setMinimumSize(0, 0);
  auto* outer = new QVBoxLayout(dialog);
  outer->setContentsMargins(0, 0, 0, 0);
  outer->addWidget(scroll);
  scroll->show();
}

class ScreenFitter final : public QObject {
 public:
  explicit ScreenFitter(QDialog* dialog) : QObject(dialog), watched_(dialog), dialog_(dialog) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    // The filter sees the show event before QDialog does, so the dialog
    // centres itself with the size it gets here.
    // Compared as plain objects: the filter also sees the events of the
    // dialog's destruction, when it is no longer a QDialog.
    if (event->type() == QEvent::Show && !event->spontaneous() && watched == watched_) Fit();
    return false;
  }

 private:
  void Fit() {
    const QWidget* anchor = dialog_->parentWidget() != nullptr ? dialog_->parentWidget()->window()
                                                               : dialog_.data();
    const QScreen* screen = anchor->screen();
    if (screen == nullptr) screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) return;
    const QRect area = screen->availableGeometry();
    // The frame is known once the window has been on the screen.
    const QSize frame = dialog_->frameGeometry().size() - dialog_->geometry().size();
    const QSize room = (area.size() - frame).expandedTo(QSize(1, 1));
    if (QLayout* layout = dialog_->layout()) layout->activate();
    const QSize minimum = dialog_->minimumSizeHint().expandedTo(dialog_->minimumSize());
    const ScreenFit fit = PlanScreenFit(dialog_->size(), minimum, room);
    if (fit.scroll) ScrollContents(dialog_);
    if (fit.size != dialog_->size()) dialog_->resize(fit.size);
    // A dialog placed by its caller is not centred by QDialog: it is moved
    // inside the area here.
    if (dialog_->testAttribute(Qt::WA_Moved)) {
      const QSize outer = fit.size + frame;
      const int x = std::clamp(dialog_->x(), area.left(),
                               std::max(area.left(), area.right() + 1 - outer.width()));
      const int y = std::clamp(dialog_->y(), area.top(),
                               std::max(area.top(), area.bottom() + 1 - outer.height()));
      dialog_->move(x, y);
    }
  }

  const QObject* watched_;
  QPointer<QDialog> dialog_;
};

}  // namespace

void KeepOnScreen(QDialog* dialog) {
  if (dialog == nullptr) return;
  dialog->installEventFilter(new ScreenFitter(dialog));
}

}  // namespace tav
