#include "apps/tavsec/export_commands.h"

#include <ctime>
#include <iostream>

#include "apps/tavsec/output.h"
#include "util/file.h"
#include "util/strings.h"
#include "util/time_stamp.h"

namespace tav::tavsec {
namespace {

struct VerifyExportArgs {
  std::string file;
  std::string signature;
  std::string public_key;
  std::string tsa_ca;
};

VerifyExportArgs& Args() {
  static VerifyExportArgs args;
  return args;
}

void VerifyExportCommand(Context& context) {
  const VerifyExportArgs& args = Args();
  SigningPublicKey key;
  if (!ParseSigningPublicKey(args.public_key, &key)) {
    PrintError("--public-key", "not a key as setup-keys prints it (ed25519:<64 hex digits>)");
    context.exit_code = kExitUsage;
    return;
  }
  std::string document;
  std::string signature;
  try {
    document = ReadWholeFile(args.file);
    signature = ReadWholeFile(args.signature);
  } catch (const CFileException& e) {
    PrintError(e.what());
    context.exit_code = kExitFailed;
    return;
  }
  ExportCheck check;
  const StoreStatus status = VerifyExport(document, signature, key, &check);
  if (!status.ok()) {
    std::cout << args.file << ": " << status.message() << "\nVERIFICATION FAILED\n";
    context.exit_code = kExitFailed;
    return;
  }
  const ExportStatement& s = check.statement;
  std::cout << args.file << ": signed by " << args.public_key << "\n"
            << "  " << s.log << ", " << s.format << ", records " << s.first << " to " << s.last
            << " (" << s.count << "), store " << (s.store_id.empty() ? "(no id)" : s.store_id)
            << "\n  signed " << FormatUtcMs(s.signed_utc_ms) << " (by the service's clock)\n";
  if (check.time_stamp.empty()) {
    std::cout << "  not time-stamped\n";
    return;
  }
  if (args.tsa_ca.empty()) {
    std::cout << "  time-stamped; the time-stamp was not checked (--tsa-ca names the "
                 "authority's roots)\n";
    return;
  }
  TimeStampInfo info;
  const StoreStatus stamped =
      VerifyTimeStamp(check.time_stamp, TimeStampedBytes(signature), args.tsa_ca, &info);
  if (!stamped.ok()) {
    std::cout << "  time-stamp: " << stamped.message() << "\nVERIFICATION FAILED\n";
    context.exit_code = kExitFailed;
    return;
  }
  std::cout << "  time-stamped " << FormatUtcMs(info.gen_time_utc_ms) << " by " << info.tsa_name
            << " (serial " << info.serial_hex << ")\n";
}

}  // namespace

void WriteSignedExport(ExportedLog log, TableFormat format, const std::string& path,
                       Context& context) {
  WrittenExport written;
  const StoreStatus status = tav::WriteSignedExport(log, format, path, &written);
  if (!status.ok()) {
    PrintError("the export was not written", status.message());
    context.exit_code = kExitFailed;
    return;
  }
  std::cout << written.count << (written.count == 1 ? " record" : " records") << " of the "
            << ExportedLogName(log) << " written to " << path << "\n";
  if (written.is_signed) std::cout << "Signature: " << path << ".sig\n";
  if (!written.warning.empty()) PrintError(written.warning);
}

void AddVerifyExportCommand(CLI::App& app, Context& context) {
  VerifyExportArgs& args = Args();
  CLI::App* verify = app.add_subcommand(
      "verify-export", "Check an export against its signature, with no store needed");
  verify->add_option("FILE", args.file, "the exported file")->required();
  verify->add_option("SIGNATURE", args.signature, "its signature (FILE.sig)")->required();
  verify->add_option("--public-key", args.public_key,
                     "the public key that tavsec events setup-keys printed")
      ->required();
  verify->add_option("--tsa-ca", args.tsa_ca,
                     "PEM file with the time-stamping authority's roots, to check the "
                     "time-stamp too");
  verify->callback([&context] { VerifyExportCommand(context); });
}

}  // namespace tav::tavsec
