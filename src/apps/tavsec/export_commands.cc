#include "apps/tavsec/export_commands.h"

#include <ctime>
#include <fstream>
#include <iostream>
#include <sstream>

#include "apps/tavsec/output.h"
#include "client/event_log_proxy.h"
#include "client/service_client.h"
#include "util/file.h"
#include "util/time_stamp.h"

namespace tav::tavsec {
namespace {

// The signature of the rendered document, from the service when this
// process reaches the store through it, else from the keys beside the store.
StoreStatus Sign(ExportedLog log, TableFormat format, const ExportDocument& document,
                 std::string* signature, std::string* note) {
  const Sha256 sha256 = Sha256Of(document.bytes);
  if (UsesComplianceService()) {
    protocol::SignExportRequest request;
    request.log = static_cast<int64_t>(log);
    request.format = format == TableFormat::kCsv ? 0 : 1;
    request.through = static_cast<int64_t>(document.range.last);
    request.sha256.assign(reinterpret_cast<const char*>(sha256.data()), sha256.size());
    return client::SignExportThroughService(request, signature, note);
  }
  return SignLogExport(log, format, document.range.last, sha256, signature, note);
}

std::string UtcText(int64_t ms) {
  const time_t t = static_cast<time_t>(ms / 1000);
  struct tm tm;
  gmtime_r(&t, &tm);
  char buf[40];
  strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S UTC", &tm);
  return buf;
}

bool ReadWhole(const std::string& path, std::string* out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream bytes;
  bytes << in.rdbuf();
  *out = std::move(bytes).str();
  return !in.bad();
}

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
  if (!ReadWhole(args.file, &document) || !ReadWhole(args.signature, &signature)) {
    PrintError("cannot read " + (document.empty() ? args.file : args.signature));
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
            << "\n  signed " << UtcText(s.signed_utc_ms) << " (by the service's clock)\n";
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
  std::cout << "  time-stamped " << UtcText(info.gen_time_utc_ms) << " by " << info.tsa_name
            << " (serial " << info.serial_hex << ")\n";
}

}  // namespace

void WriteSignedExport(ExportedLog log, TableFormat format, const std::string& path,
                       Context& context) {
  ExportDocument document;
  StoreStatus status = RenderLogExport(log, format, kWholeLog, &document);
  std::string signature;
  std::string note;
  if (status.ok()) status = Sign(log, format, document, &signature, &note);
  const bool unsigned_export = status.code() == StoreStatus::kNotFound;
  if (!status.ok() && !unsigned_export) {
    PrintError("the export was not written", status.message());
    context.exit_code = kExitFailed;
    return;
  }
  try {
    WriteFileAtomically(path, document.bytes, 0644);
    if (!unsigned_export) WriteFileAtomically(path + ".sig", signature, 0644);
  } catch (const CFileException& e) {
    PrintError("the export was not written", e.what());
    context.exit_code = kExitFailed;
    return;
  }
  std::cout << document.range.count << (document.range.count == 1 ? " record" : " records")
            << " of the " << ExportedLogName(log)
            << " written to " << path << "\n";
  if (unsigned_export) {
    PrintError("the export is not signed", status.message());
  } else {
    std::cout << "Signature: " << path << ".sig\n";
  }
  if (!note.empty()) PrintError(note);
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
