#include "config/config_page.h"

#include "services/config/system_configuration.h"

namespace tav {

void CConfigPage::Initialize() {
  FillControls();
  Load(theSystemConfig);
}

}  // namespace tav
