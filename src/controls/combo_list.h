// CXComboList: the drop-down list that the report list opens below a
// drop-down cell. A bordered popup holding a list box; it tells the list what
// the user does and leaves the cell to the list:
//   Return                          -> returnPressed()
//   Escape, or closed from outside  -> escapePressed()
//   Up, Down, Page Up/Down, Home, End, a letter A to Z
//                                   -> moves the selection, keyMoved()
//   a left-button release on an entry, or a press on the frame outside the
//   list box                        -> clicked()
// The entry under a moving mouse becomes the current one.
//
// Threads: the GUI thread. Owned by the list that opens it (a Qt child); the
// list closes it with Dismiss(), after which it reports nothing more.
#ifndef TAV_CONTROLS_COMBO_LIST_H_
#define TAV_CONTROLS_COMBO_LIST_H_

#include <QFrame>
#include <QStringList>

class QListWidget;

namespace tav {

class CXComboList : public QFrame {
  Q_OBJECT

 public:
  // `parent` is the list control; the popup is a window of its own.
  explicit CXComboList(QWidget* parent);
  ~CXComboList() override;

  void SetEntries(const QStringList& entries);
  int Count() const;
  void SetCurrent(int index);
  int Current() const;  // -1 for none
  QString CurrentText() const;
  // Rows of the list a page key moves by.
  void SetPageRows(int rows) { page_rows_ = rows; }

  // Stops reporting, hides and deletes the popup later: safe from inside
  // one of its own signals.
  void Dismiss();

  QListWidget* listBox() const { return list_; }

 signals:
  void returnPressed();
  void escapePressed();
  void keyMoved();
  void clicked();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  bool HandleKey(int key, const QString& text);

  QListWidget* list_;
  int page_rows_ = 10;
  bool dismissed_ = false;
};

}  // namespace tav

#endif  // TAV_CONTROLS_COMBO_LIST_H_
