// Help of the configuration dialog: our own HTML pages, one per help
// context, opened in the desktop's browser. The pages are looked for in
// "help" beside the host executable, then where the library installs them;
// when a page is missing nothing happens.
//
// Threads: the GUI thread.
#ifndef TAV_CONFIG_CONFIG_HELP_H_
#define TAV_CONFIG_CONFIG_HELP_H_

#include <QString>

namespace tav {

inline constexpr int kHelpConfigDialog = 6010;
inline constexpr int kHelpIdleTimeout = 6020;
inline constexpr int kHelpAuditingTab = 6030;
inline constexpr int kHelpPermissionsTab = 6040;

// The page's file name for a context ("config-6010.html"); empty for a
// context without a page.
QString HelpPageName(int context);
// The page's full path, or empty when no page is found.
QString FindHelpPage(int context);
// Opens the page; false when there is none (nothing is shown).
bool ShowHelp(int context);

}  // namespace tav

#endif  // TAV_CONFIG_CONFIG_HELP_H_
