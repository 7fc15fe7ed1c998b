// The exported function of the compliance configuration: the 21 CFR Part 11
// Configuration dialog.
//
// It runs in the export barrier (interface/export_barrier.h) and enters the
// module first (interface/module.h).
#include "TAVSecurityUI.h"
#include "config/config_dialog.h"
#include "interface/export_barrier.h"
#include "interface/module.h"
#include "ui/message_prompter.h"

extern "C" {

int32_t TAVSecurityUI_showModal21CFR11Dialog(void) {
  return tav::ExportBarrier<int32_t>(tav::IDCANCEL, [] {
    if (!tav::EnterModule()) return tav::IDCANCEL;
    return tav::ShowConfigurationDialog();
  });
}

}  // extern "C"
