#include "controls/tab_page_host.h"

#include <QWidget>

#include "controls/refusable_tab_widget.h"

namespace tav {

CTabPageHost::CTabPageHost(QWidget* owner) : owner_(owner) {}

CTabPageHost::~CTabPageHost() {
  QObject::disconnect(tab_changed_);
  if (tabs_) tabs_->SetChangeGuard(nullptr);
}

void CTabPageHost::SelectPage(int index) {
  if (index == current_) return;
  const bool frozen = owner_ && owner_->updatesEnabled();
  if (frozen) owner_->setUpdatesEnabled(false);

  ITabPage* page = GetPage(index);
  ITabPage* old_page = GetPage(current_);
  bool shown = false;
  if (page != nullptr && page->CanActivate() &&
      (old_page == nullptr || old_page->CanDeactivate())) {
    if (old_page != nullptr) old_page->Deactivate();
    current_ = index;
    page->Activate();
    shown = GetCurSel() == current_;
  }
  if (!shown) {
    const int fallback = current_ >= 0 ? current_ : 0;
    // Before any page is current a refused page 0 has nowhere to fall back
    // to: asking it again would never end.
    if (fallback != index) SelectPage(fallback);
    SetCurSel(fallback);
  }

  if (frozen) {
    owner_->setUpdatesEnabled(true);
    owner_->repaint();
  }
}

void CTabPageHost::ConnectTabControl(CXTabCtrl* tabs) {
  QObject::disconnect(tab_changed_);
  if (tabs_) tabs_->SetChangeGuard(nullptr);
  tabs_ = tabs;
  if (tabs == nullptr) return;
  tabs->SetChangeGuard([this](int) { return CanLeaveCurrentPage(); });
  tab_changed_ = QObject::connect(tabs, &QTabWidget::currentChanged, tabs,
                                  [this](int index) { SelectPage(index); });
}

bool CTabPageHost::CanLeaveCurrentPage() {
  ITabPage* page = GetPage(current_);
  return page == nullptr || page->CanDeactivate();
}

}  // namespace tav
