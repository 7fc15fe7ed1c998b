#include "config/config_page.h"

#include "services/config/system_configuration.h"

namespace tav {

void CConfigPage::Initialize(CSystemConfiguration& config) {
  FillControls();
  Load(config);
}

}  // namespace tav
