#include "controls/combo_list.h"

#include <QHideEvent>
#include <QKeyEvent>
#include <QListWidget>
#include <QMouseEvent>
#include <QVBoxLayout>

#include "controls/combo_choices.h"

namespace tav {

CXComboList::CXComboList(QWidget* parent)
    : QFrame(parent, Qt::Popup), list_(new QListWidget(this)) {
  setObjectName(QStringLiteral("CXComboList"));
  setFrameStyle(QFrame::Box | QFrame::Plain);
  setLineWidth(1);
  setAttribute(Qt::WA_DeleteOnClose, false);
  setFont(parent->font());
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(1, 1, 1, 1);
  layout->setSpacing(0);
  layout->addWidget(list_);
  list_->setFont(parent->font());
  list_->setFrameShape(QFrame::NoFrame);
  list_->setUniformItemSizes(true);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  list_->setMouseTracking(true);
  list_->installEventFilter(this);
  list_->viewport()->installEventFilter(this);
  setFocusProxy(list_);
}

CXComboList::~CXComboList() = default;

void CXComboList::SetEntries(const QStringList& entries) {
  list_->clear();
  list_->addItems(entries);
}

int CXComboList::Count() const { return list_->count(); }

void CXComboList::SetCurrent(int index) {
  if (index < 0 || index >= list_->count()) {
    list_->setCurrentRow(-1);
    return;
  }
  list_->setCurrentRow(index);
  list_->scrollToItem(list_->item(index));
}

int CXComboList::Current() const {
  QListWidgetItem* item = list_->currentItem();
  return item != nullptr && item->isSelected() ? list_->row(item) : -1;
}

QString CXComboList::CurrentText() const {
  const int current = Current();
  return current < 0 ? QString() : list_->item(current)->text();
}

void CXComboList::Dismiss() {
  if (dismissed_) return;
  dismissed_ = true;
  hide();
  deleteLater();
}

bool CXComboList::HandleKey(int key, const QString& text) {
  if (dismissed_) return true;
  switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      emit returnPressed();
      return true;
    case Qt::Key_Escape:
      emit escapePressed();
      return true;
    default:
      break;
  }
  ComboMove move;
  switch (key) {
    case Qt::Key_Up: move = ComboMove::kUp; break;
    case Qt::Key_Down: move = ComboMove::kDown; break;
    case Qt::Key_PageUp: move = ComboMove::kPageUp; break;
    case Qt::Key_PageDown: move = ComboMove::kPageDown; break;
    case Qt::Key_Home: move = ComboMove::kHome; break;
    case Qt::Key_End: move = ComboMove::kEnd; break;
    default:
      if (key >= Qt::Key_A && key <= Qt::Key_Z) {
        QStringList entries;
        for (int i = 0; i < list_->count(); ++i) entries.push_back(list_->item(i)->text());
        const QChar letter = text.isEmpty() ? QChar(u'A' + (key - Qt::Key_A)) : text[0];
        const int next = ComboLetterIndex(entries, list_->currentRow(), letter);
        if (next >= 0) SetCurrent(next);
        emit keyMoved();
        return true;
      }
      return false;
  }
  SetCurrent(ComboMoveIndex(list_->count(), list_->currentRow(), move, page_rows_));
  emit keyMoved();
  return true;
}

bool CXComboList::eventFilter(QObject* watched, QEvent* event) {
  if (watched == list_ && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) return false;
    return HandleKey(key->key(), key->text());
  }
  if (watched == list_->viewport() && event->type() == QEvent::MouseMove) {
    // The entry under a moving mouse becomes the current one; a list that
    // opens under a resting mouse keeps its selection.
    auto* mouse = static_cast<QMouseEvent*>(event);
    if (QListWidgetItem* item = list_->itemAt(mouse->position().toPoint())) {
      if (item != list_->currentItem()) list_->setCurrentItem(item);
    }
    return false;
  }
  if (watched == list_->viewport() && event->type() == QEvent::MouseButtonRelease) {
    auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() == Qt::LeftButton && !dismissed_) {
      if (QListWidgetItem* item = list_->itemAt(mouse->position().toPoint())) {
        list_->setCurrentItem(item);
      }
      emit clicked();
      return true;
    }
  }
  return QFrame::eventFilter(watched, event);
}

void CXComboList::mousePressEvent(QMouseEvent* event) {
  // A press on the frame outside the list box commits; a press outside the
  // popup closes it (hideEvent).
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) &&
      !dismissed_) {
    emit clicked();
    return;
  }
  QFrame::mousePressEvent(event);
}

void CXComboList::hideEvent(QHideEvent* event) {
  QFrame::hideEvent(event);
  // Closed from outside (a click elsewhere, the window losing focus): as
  // Escape, so that the cell gets its old text back.
  if (!dismissed_) emit escapePressed();
}

}  // namespace tav
