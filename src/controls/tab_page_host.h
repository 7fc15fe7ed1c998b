// The tab-page mechanism of the administration dialogs: a dialog that shows
// one page at a time behind a tab control derives from CTabPageHost, and its
// pages implement ITabPage. A page may refuse to be shown (CanActivate) or
// to be left (CanDeactivate); then the user stays on, or is sent back to,
// the page that is current, and the tab control's selection follows.
//
// Threads: the GUI thread only. Ownership: the host neither owns its pages
// nor its owner window; GetPage hands out pages the dialog owns.
#ifndef TAV_CONTROLS_TAB_PAGE_HOST_H_
#define TAV_CONTROLS_TAB_PAGE_HOST_H_

#include <QMetaObject>
#include <QPointer>

class QWidget;

namespace tav {

class CXTabCtrl;

// A page behind a tab. Activate and Deactivate tell the page that it is
// being shown or hidden; inside a CXTabCtrl the tab widget itself shows the
// page of the current tab.
class ITabPage {
 public:
  virtual ~ITabPage() = default;
  virtual bool CanActivate() = 0;
  virtual bool CanDeactivate() = 0;
  virtual void Activate() = 0;
  virtual void Deactivate() = 0;
};

class CTabPageHost {
 public:
  // `owner`, the dialog, is frozen while pages change; it may be null.
  explicit CTabPageHost(QWidget* owner);
  virtual ~CTabPageHost();

  CTabPageHost(const CTabPageHost&) = delete;
  CTabPageHost& operator=(const CTabPageHost&) = delete;

  // The page shown, -1 before the first one.
  virtual int GetCurrentIndex() const { return current_; }

  // Shows page `index` when it agrees to be shown and the current page
  // agrees to be left; otherwise the current page (page 0 when none is
  // current yet) stays or becomes the one shown, and the tab control is set
  // to it. Nothing happens for the current index.
  virtual void SelectPage(int index);

  // Lets `tabs` ask the current page before the user leaves it and select
  // the page the user moved to. The host must outlive neither the
  // connection nor the tabs: the destructor cuts the connection.
  void ConnectTabControl(CXTabCtrl* tabs);

  // Whether the user may leave the current page (true without one).
  bool CanLeaveCurrentPage();

 protected:
  // The page behind tab `index`, or null.
  virtual ITabPage* GetPage(int index) = 0;
  // The tab control's selection.
  virtual int GetCurSel() const = 0;
  // Selects a tab without telling anyone about the change.
  virtual void SetCurSel(int index) = 0;

 private:
  QPointer<QWidget> owner_;
  int current_ = -1;
  QPointer<CXTabCtrl> tabs_;
  QMetaObject::Connection tab_changed_;
};

}  // namespace tav

#endif  // TAV_CONTROLS_TAB_PAGE_HOST_H_
