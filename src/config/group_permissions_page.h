// CGroupPermissionsPage (dlg1004), the "User Group Permissions" tab: a grid
// (ctl1025) with one row per controlled activity and one check-box column
// per user group. The grid edits a CActivityRightsMatrix that Save merges
// into the stored rights.
#ifndef TAV_CONFIG_GROUP_PERMISSIONS_PAGE_H_
#define TAV_CONFIG_GROUP_PERMISSIONS_PAGE_H_

#include <memory>

#include "config/activity_rights_matrix.h"
#include "config/config_page.h"
#include "util/shown_text.h"

namespace Ui {
class GroupPermissionsPage;
}

namespace tav {

class CXListCtrl;

inline constexpr char kPermissionsTabTitle[] =
    TAV_TR_NOOP("tav::Configuration", "User Group Permissions");

class CGroupPermissionsPage : public CConfigPage {
  Q_OBJECT
 public:
  explicit CGroupPermissionsPage(QWidget* parent = nullptr);
  ~CGroupPermissionsPage() override;

  void FillControls() override;
  void Load(CSystemConfiguration& config) override;
  int Save(CSystemConfiguration& config) override;
  void CollectGrid();
  void ShowMatrix();

  CXListCtrl* Grid() const;
  const CActivityRightsMatrix& Matrix() const { return matrix_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ApplyColumnWidths();

  std::unique_ptr<Ui::GroupPermissionsPage> ui_;
  CActivityRightsMatrix matrix_;
};

}  // namespace tav

#endif  // TAV_CONFIG_GROUP_PERMISSIONS_PAGE_H_
