// tavsec error CODE: prints the suite's name of an error code, the way
// hosts log it ("201 (File Not Found)").
#include <cstdint>
#include <iostream>
#include <limits>
#include <memory>
#include <string>

#include "apps/tavsec/commands.h"
#include "apps/tavsec/output.h"
#include "TAVSecurityUI_CXErr.h"
#include "util/strings.h"

namespace tav::tavsec {

void AddErrorCommand(CLI::App& app, Context& context) {
  CLI::App* cmd = app.add_subcommand("error", "Print the name of an error code");
  // Taken as text: CLI11's own number conversion also accepts hexadecimal
  // and octal, while codes are always written in decimal.
  auto code_text = std::make_shared<std::string>();
  cmd->add_option("CODE", *code_text, "error code, a decimal 32-bit integer (for example -1430)")
      ->required();
  cmd->callback([code_text, &context] {
    long long code = 0;
    if (!ParseInt64(*code_text, &code) || code < std::numeric_limits<int32_t>::min() ||
        code > std::numeric_limits<int32_t>::max()) {
      PrintError("error", "'" + *code_text + "' is not a decimal 32-bit integer");
      context.exit_code = kExitUsage;
      return;
    }
    std::cout << CXErr(static_cast<int32_t>(code)).GetErrDesc() << "\n";
  });
}

}  // namespace tav::tavsec
