// tavsec stealth on|off|status: switches or shows the machine-wide stealth
// mode that silences the suite's message boxes.
#include <iostream>
#include <memory>
#include <string>

#include "apps/tavsec/commands.h"
#include "apps/tavsec/output.h"
#include "util/stealth.h"

namespace tav::tavsec {

void AddStealthCommands(CLI::App& app, Context& context) {
  auto action = std::make_shared<std::string>();
  CLI::App* cmd = app.add_subcommand("stealth", "Switch or show stealth mode");
  cmd->add_option("ACTION", *action, "on, off or status")
      ->required()
      ->check(CLI::IsMember({"on", "off", "status"}));
  cmd->callback([action, &context] {
    const std::string problem = StealthModeProblem();
    if (*action != "status" && !SetStealthMode(*action == "on")) {
      PrintError("cannot switch stealth mode",
                 problem.empty() ? "the shared flag " + StealthFlag::DefaultName() +
                                       " cannot be opened for writing"
                                 : problem);
      context.exit_code = 1;
      return;
    }
    if (!problem.empty()) PrintError(problem);
    std::cout << "stealth mode " << (IsStealthMode() ? "on" : "off") << "\n";
  });
}

}  // namespace tav::tavsec
