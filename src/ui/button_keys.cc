#include "ui/button_keys.h"

#include <QKeyEvent>
#include <QObject>
#include <QPushButton>
#include <QWidget>

namespace tav {
namespace {

class EnterPressesButton final : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::KeyPress) return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) return false;
    // A modifier makes it another key (Ctrl+Return and the like); the
    // keypad's Enter comes with the keypad modifier.
    if ((key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) return false;
    auto* button = static_cast<QPushButton*>(watched);
    if (button->isEnabled() && button->isVisible()) button->click();
    return true;
  }
};

}  // namespace

void PressFocusedButtonOnEnter(QWidget* dialog) {
  auto* filter = new EnterPressesButton(dialog);
  for (QPushButton* button : dialog->findChildren<QPushButton*>()) {
    button->installEventFilter(filter);
  }
}

}  // namespace tav
