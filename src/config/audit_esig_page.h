// CAuditESigPage (dlg1005), the "Auditing and E-Signatures" tab. The upper
// grid (ctl1003) has one row per file type with "Enable Auditing" and the
// two reason-for-change columns; the lower grid (ctl1004) lists the
// signature activities of the file type selected above, each "Optional" or
// "Required". The rows of the file types that are always audited are grey,
// with fixed boxes. The grids edit a CAuditSettingTable and a CESigSettingTable;
// the lower grid passes into its table when the selected type changes and
// at Save.
#ifndef TAV_CONFIG_AUDIT_ESIG_PAGE_H_
#define TAV_CONFIG_AUDIT_ESIG_PAGE_H_

#include <memory>
#include <vector>

#include "config/config_page.h"
#include "config/setting_tables.h"
#include "util/shown_text.h"

namespace Ui {
class AuditESigPage;
}

namespace tav {

class CXListCtrl;

inline constexpr char kAuditTabTitle[] =
    TAV_TR_NOOP("tav::Configuration", "Auditing and E-Signatures");
// The tooltip of the rows of the file types that are always audited.
inline constexpr char kAlwaysAuditedTip[] = TAV_TR_NOOP("tav::Configuration", "always audited");

class CAuditESigPage : public CConfigPage {
  Q_OBJECT
 public:
  explicit CAuditESigPage(QWidget* parent = nullptr);
  ~CAuditESigPage() override;

  void FillControls() override;
  void Load(CSystemConfiguration& config) override;
  int Save(CSystemConfiguration& config) override;

  void OnUpperTick(int row, int column, bool ticked);
  void OnLowerTick(int row, int column, bool ticked);
  void CollectUpper();
  void ShowUpper();
  void ShowLowerRows(int data_type);
  void CollectLower();
  void ShowLowerTicks();
  void SelectUpperRow(int row);
  int SelectedUpperRow() const;
  void OnSelectionChanged();
  void ClearLowerTicks();

  CXListCtrl* UpperGrid() const;
  CXListCtrl* LowerGrid() const;
  const CAuditSettingTable& AuditTable() const { return audit_; }
  const CESigSettingTable& ESigTable() const { return esig_; }
  int ShownType() const { return shown_type_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  int TypeOfRow(int row) const;
  void ApplyColumnWidths();

  std::unique_ptr<Ui::AuditESigPage> ui_;
  CAuditSettingTable audit_;
  CESigSettingTable esig_;
  std::vector<int> shown_keys_;
  int shown_type_ = -1;
};

}  // namespace tav

#endif  // TAV_CONFIG_AUDIT_ESIG_PAGE_H_
