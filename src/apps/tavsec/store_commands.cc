// tavsec store ...: the store that keeps this workstation's compliance data
// (docs/lab-store.md).
//
// status names the engine and the store (the embedded database's path, or
// the lab store's connection without any password) and tells whether it can
// be used: exit 0 when it can, 1 with the reason when not.
// init makes the lab store that store.conf names (or brings an existing one
// to this version's functions) and grants the workstation role its rights.
// migrate moves a workstation's embedded database into the lab store
// (store_migrate.h) and reports what went where.
#include <sys/stat.h>

#include <cerrno>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "apps/tavsec/commands.h"
#include "apps/tavsec/output.h"
#include "apps/tavsec/store_migrate.h"
#include "services/filelib/compliance_db.h"
#include "services/filelib/lab_store_schema.h"
#include "services/filelib/store_config.h"
#include "util/data_dir.h"
#include "util/pg_db.h"

namespace tav::tavsec {
namespace {

// The data directory and its store.conf; prints why not on failure.
bool LoadConfig(const char* what, DataDirChoice* dir, StoreConfig* config) {
  StoreStatus status = LocateDataDir(dir);
  if (status.ok()) status = MayOpenStoreFiles(*dir);
  if (status.ok()) status = LoadStoreConfig(dir->path, config);
  if (!status.ok()) PrintError(what, status.message());
  return status.ok();
}

// A lab store connection made as store.conf says, without the process's
// shared cache: these commands run as the store's owner.
// --- status ---------------------------------------------------------------

struct StoreState {
  StoreConfig config;
  std::string store;     // the database's path, or the lab store's name
  std::string state;     // one line for a person
  StoreStatus problem;   // not ok: the store cannot be used
  std::vector<std::string> roles;  // the lab store's roles and their rights
};

void ReadSqliteState(const DataDirChoice& dir, StoreState* state) {
  state->store = dir.path + "/" + kComplianceDbFileName;
  struct stat st;
  if (!dir.machine_wide && lstat(state->store.c_str(), &st) != 0 && errno == ENOENT) {
    state->state = "not made yet (made on first use)";
    return;
  }
  std::shared_ptr<ComplianceDb> db;
  state->problem = ComplianceDb::GetAt(state->store, &db, ComplianceDb::IfMissing::kFail);
  if (state->problem.ok()) state->state = "usable";
}

void ReadLabState(StoreState* state) {
  std::unique_ptr<PgDb> db;
  state->problem = ConnectLabStore(state->config, &db);
  if (!state->problem.ok()) {
    // Not the connection string itself: it may hold the password that
    // made the connection fail. libpq's reason names the server.
    state->store = "as store.conf names it (schema " + state->config.schema + ")";
    return;
  }
  state->store = db->path();
  state->problem = CheckLabStore(*db);
  if (state->problem.ok()) {
    state->state = "usable (lab store version " + std::to_string(kLabStoreSchemaVersion) + ")";
    // Who may do what: a reader without the rights to look sees no roles.
    if (!DescribeLabStoreRoles(*db, &state->roles).ok()) state->roles.clear();
  }
}

void PrintState(const StoreState& state, bool json) {
  const char* engine = StoreEngineName(state.config.engine);
  const bool usable = state.problem.ok();
  if (json) {
    JsonWriter out;
    out.BeginObject().Key("engine").Str(engine).Key("store").Str(state.store);
    if (state.config.engine == StoreConfig::Engine::kPostgres) {
      out.Key("schema").Str(state.config.schema);
    }
    out.Key("usable").Bool(usable).Key("state").Str(usable ? state.state : state.problem.message());
    if (!state.roles.empty()) {
      out.Key("roles").BeginArray();
      for (const std::string& role : state.roles) out.Str(role);
      out.EndArray();
    }
    std::cout << out.EndObject().Finish();
    return;
  }
  const bool lab = state.config.engine == StoreConfig::Engine::kPostgres;
  std::cout << "engine: " << engine << "\n"
            << (lab ? "lab store: " : "database: ") << state.store << "\n"
            << "state: " << (usable ? state.state : "NOT USABLE") << "\n";
  for (const std::string& role : state.roles) std::cout << "role " << role << "\n";
}

void Status(Context& context, bool json) {
  DataDirChoice dir;
  StoreState state;
  if (!LoadConfig("store status", &dir, &state.config)) {
    context.exit_code = kExitFailed;
    return;
  }
  if (state.config.engine == StoreConfig::Engine::kPostgres) {
    ReadLabState(&state);
  } else {
    ReadSqliteState(dir, &state);
  }
  PrintState(state, json);
  if (!state.problem.ok()) {
    PrintError("store status", state.problem.message());
    context.exit_code = kExitFailed;
  }
}

// --- init and migrate -----------------------------------------------------

// The lab store's configuration; prints why not when this data directory
// keeps its data in the embedded store.
bool LoadLabConfig(const char* what, StoreConfig* config) {
  DataDirChoice dir;
  if (!LoadConfig(what, &dir, config)) return false;
  if (config->engine != StoreConfig::Engine::kPostgres) {
    PrintError(what, dir.path + "/" + kStoreConfigFile +
                         " names no lab store (engine = postgresql): this data directory keeps "
                         "its data in the embedded store");
    return false;
  }
  return true;
}

void Init(Context& context, const std::string& role) {
  StoreConfig config;
  std::unique_ptr<PgDb> db;
  if (!LoadLabConfig("store init", &config)) {
    context.exit_code = kExitFailed;
    return;
  }
  StoreStatus status = ConnectLabStore(config, &db);
  bool existed = false;
  if (status.ok()) {
    existed = CheckLabStore(*db).ok();
    LabStoreRoles roles;
    roles.workstation = role;
    status = InitLabStore(*db, roles);
  }
  if (!status.ok()) {
    PrintError("store init", status.message());
    context.exit_code = kExitFailed;
    return;
  }
  std::cout << (existed ? "lab store already there, functions renewed: " : "lab store made: ")
            << db->path() << "\n";
  if (!role.empty()) std::cout << "workstation role " << role << ": rights granted\n";
}

std::string Seqs(const MigratedLog& log) {
  if (log.source_count == 0) return "";
  return " (records " + std::to_string(log.first_seq) + " to " + std::to_string(log.last_seq) +
         " of " + std::to_string(log.lab_count) + ")";
}

void PrintMigration(const std::string& source, const std::string& lab,
                    const MigrationSummary& summary) {
  std::cout << "source: " << source << " (chains verified)\n"
            << "lab store: " << lab << "\n";
  for (const MigratedLog& log : summary.logs) {
    std::cout << ChainedLogTitle(log.log) << ": ";
    if (log.source_count == 0) {
      std::cout << "nothing to copy\n";
    } else if (log.verbatim) {
      std::cout << log.source_count << " records copied with their own chain" << Seqs(log)
                << "\n";
    } else {
      std::cout << log.source_count << " records appended to the lab's chain" << Seqs(log)
                << ": their bytes are unchanged, their chain is the lab's\n";
    }
  }
  std::cout << "settings: " << summary.settings_added << " added, " << summary.settings_same
            << " already the same";
  if (!summary.settings_kept.empty()) {
    std::cout << ", " << summary.settings_kept.size()
              << " differ and were kept as the lab has them:";
    for (const std::string& name : summary.settings_kept) std::cout << " " << name;
  }
  std::cout << "\nrun list: " << summary.runs_added << " paths added, " << summary.runs_listed
            << " listed already\n";
}

void Migrate(Context& context, const std::string& from) {
  constexpr char kScheme[] = "sqlite:";
  if (from.rfind(kScheme, 0) != 0 || from.size() == sizeof kScheme - 1) {
    PrintError("store migrate", "--from takes sqlite:PATH (a workstation's compliance.db)");
    context.exit_code = kExitUsage;
    return;
  }
  const std::string path = from.substr(sizeof kScheme - 1);
  StoreConfig config;
  if (!LoadLabConfig("store migrate", &config)) {
    context.exit_code = kExitFailed;
    return;
  }
  std::shared_ptr<ComplianceDb> lab;
  MigrationSummary summary;
  StoreStatus status = ComplianceDb::GetLab(config, &lab);
  if (status.ok()) status = MigrateToLab(path, *lab, &summary);
  // Read back once committed: the chains as any client now sees them.
  if (status.ok()) {
    status = lab->Read([&summary](SqlDb& c) {
      for (const MigratedLog& log : summary.logs) {
        ChainReport report;
        StoreStatus s = VerifyChain(c, log.log, &report);
        if (!s.ok()) return s;
        if (!report.ok()) {
          return StoreStatus(StoreStatus::kCorrupt, c.path() + ": the " + ChainedLogTitle(log.log) +
                                                        " does not verify after the migration: " +
                                                        report.problems[0].text);
        }
      }
      return StoreStatus::Ok();
    });
  }
  if (!status.ok()) {
    PrintError("store migrate", status.message());
    context.exit_code = kExitFailed;
    return;
  }
  PrintMigration(path, lab->path(), summary);
  std::cout << "verified: the lab's chains are intact and hold every source record in order\n";
}

}  // namespace

void AddStoreCommands(CLI::App& app, Context& context) {
  CLI::App* store = app.add_subcommand(
      "store", "Show, make and fill the store of the compliance data (embedded or lab store)");
  store->require_subcommand(1);

  auto format = std::make_shared<FormatOption>();
  auto json = std::make_shared<bool>(false);
  CLI::App* status = store->add_subcommand(
      "status", "Show which store is in use and whether it can be used");
  AddFormatOption(status, format.get());
  status->add_flag("--json", *json, "the same as --format json");
  status->callback([&context, format, json] { Status(context, *json || format->json()); });

  auto role = std::make_shared<std::string>();
  CLI::App* init = store->add_subcommand(
      "init", "Make the lab store named by store.conf (or renew its functions), as its owner");
  init->add_option("--workstation-role", *role,
                   "grant this PostgreSQL role the rights of a workstation");
  init->callback([&context, role] { Init(context, *role); });

  auto from = std::make_shared<std::string>();
  CLI::App* migrate = store->add_subcommand(
      "migrate", "Copy a workstation's embedded database into the lab store, verified");
  migrate->add_option("--from", *from, "sqlite:PATH of the compliance.db to copy")->required();
  migrate->callback([&context, from] { Migrate(context, *from); });
}

}  // namespace tav::tavsec
