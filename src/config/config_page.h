// CConfigPage: a page of the 21 CFR Part 11 Configuration dialog. It fills
// its controls, loads from the configuration, and saves to it when the
// dialog's OK saves. Initialize fills, then loads from the dialog's
// configuration.
//
// Threads: the GUI thread. Ownership: a Qt widget, owned by the tab
// control it sits in.
#ifndef TAV_CONFIG_CONFIG_PAGE_H_
#define TAV_CONFIG_CONFIG_PAGE_H_

#include <QWidget>

namespace tav {

class CSystemConfiguration;

class CConfigPage : public QWidget {
  Q_OBJECT
 public:
  explicit CConfigPage(QWidget* parent = nullptr) : QWidget(parent) {}

  void Initialize(CSystemConfiguration& config);

  virtual void FillControls() {}
  virtual void Load(CSystemConfiguration& /*config*/) {}
  virtual void Hook(int /*first*/, int /*second*/) {}
  // The configuration service's result of the first write that failed, 0
  // when every write succeeded.
  virtual int Save(CSystemConfiguration& config) = 0;
};

}  // namespace tav

#endif  // TAV_CONFIG_CONFIG_PAGE_H_
