// AccountStore::Open: the account store's SQLite file. Everything SQLite's
// own lives here (the file's creation and mode, the connection's settings,
// the schema and its version); the store's statements, in
// account_store.cc, run on any SqlDb.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "services/security/account_store.h"
#include "util/atomic_create.h"
#include "util/sqlite_db.h"

namespace tav {
namespace {

using Mode = AccountStore::Mode;
using Status = AccountStore::Status;

constexpr int64_t kSchemaVersion = 2;
constexpr std::chrono::milliseconds kBusyTimeout{5000};

// The tables version 2 added.
constexpr char kVersion2Tables[] = R"sql(
CREATE TABLE password_history(
  id INTEGER PRIMARY KEY,
  user_id INTEGER NOT NULL REFERENCES users(id),
  hash TEXT NOT NULL
);
CREATE INDEX password_history_user ON password_history(user_id);
CREATE TABLE system_uids(
  name TEXT PRIMARY KEY,
  uid INTEGER NOT NULL,
  first_seen INTEGER NOT NULL,
  refused_uid INTEGER
);
PRAGMA user_version = 2;
)sql";

constexpr char kSchema[] = R"sql(
CREATE TABLE users(
  id INTEGER PRIMARY KEY,
  name TEXT NOT NULL UNIQUE COLLATE NOCASE,
  full_name TEXT NOT NULL DEFAULT '',
  description TEXT NOT NULL DEFAULT '',
  password_hash TEXT NOT NULL,
  is_admin INTEGER NOT NULL DEFAULT 0,
  disabled INTEGER NOT NULL DEFAULT 0,
  removed_at INTEGER,
  must_change INTEGER NOT NULL DEFAULT 0,
  password_set_at INTEGER NOT NULL DEFAULT 0
);
CREATE TABLE user_groups(
  user_id INTEGER NOT NULL REFERENCES users(id) ON DELETE CASCADE,
  position INTEGER NOT NULL,
  name TEXT NOT NULL,
  PRIMARY KEY(user_id, position)
);
)sql";

// Version 1 to 2: accounts are retired instead of deleted, passwords age
// and keep a history, and the pam backend's uids are remembered. The
// passwords that exist count as set at the upgrade, so that they do not all
// expire at once.
constexpr char kUpgradeTo2[] = R"sql(
ALTER TABLE users ADD COLUMN removed_at INTEGER;
ALTER TABLE users ADD COLUMN must_change INTEGER NOT NULL DEFAULT 0;
ALTER TABLE users ADD COLUMN password_set_at INTEGER NOT NULL DEFAULT 0;
UPDATE users SET password_set_at = CAST(strftime('%s', 'now') AS INTEGER);
)sql";
constexpr char kReadVersion[] = "PRAGMA user_version";

// Which file a path named when it was checked.
struct FileId {
  dev_t device = 0;
  ino_t inode = 0;
  bool operator==(const FileId&) const = default;
};

// Narrows a file of ours that is open wider than a new one would be (0600,
// or 0640 in a group's shared store) before it is written. SQLite gives its
// journal the mode of the database.
bool PrepareDbFile(const std::string& path, FileId* id, std::string* error) {
  int fd = open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) {
    *error = "cannot open " + path + ": " + std::strerror(errno);
    return false;
  }
  const mode_t allowed = StoreFileMode(FolderOf(path), false);
  struct stat st;
  bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  if (!ok) {
    *error = path + " is not a regular file";
  } else if ((st.st_mode & 0777 & ~allowed) != 0 && st.st_uid == geteuid() &&
             fchmod(fd, st.st_mode & 0777 & allowed) != 0) {
    *error = "cannot restrict " + path + ": " + std::strerror(errno);
    ok = false;
  }
  if (ok) *id = FileId{st.st_dev, st.st_ino};
  close(fd);
  return ok;
}

// The file at `path` itself, never a symbolic link's target (SQLite would
// follow one). Only looked at, not opened: closing a handle of our own would
// drop the locks that other connections of this process hold on the file.
bool IdentifyDbFile(const std::string& path, FileId* id, std::string* error) {
  struct stat st;
  if (lstat(path.c_str(), &st) != 0) {
    *error = "cannot open " + path + ": " + std::strerror(errno);
    return false;
  }
  if (!S_ISREG(st.st_mode)) {
    *error = path + " is not a regular file";
    return false;
  }
  *id = FileId{st.st_dev, st.st_ino};
  return true;
}

// Makes a new database at `path` with the schema, whole or not at all: a
// full disk must not leave an empty file that later opens take for a
// damaged database.
bool CreateDbFile(const std::string& path, std::string* error) {
  StoreStatus status = CreateFileAtomically(
      path, StoreFileMode(FolderOf(path), false), [](const std::string& temp) {
        std::unique_ptr<SqliteDb> db;
        StoreStatus made = SqliteDb::Open(temp, SqliteDb::Options(), &db);
        if (made.ok()) made = db->BeginWrite();
        if (made.ok()) made = db->Exec(kSchema);
        if (made.ok()) made = db->Exec(kVersion2Tables);
        if (made.ok()) made = db->Commit();
        return made;
      });
  if (status.ok() || status.code() == StoreStatus::kExists) return true;
  *error = "cannot create " + path + ": " + status.message();
  return false;
}

bool ReadSchemaVersion(SqliteDb& db, int64_t* version, std::string* error) {
  StoreStatus status;
  SqlStatement statement = db.Prepare(kReadVersion, &status);
  if (statement.valid() && statement.Step(&status)) {
    *version = statement.ColumnInt64(0);
    return true;
  }
  *error = status.ok() ? db.path() + ": no schema version" : "cannot read: " + status.message();
  return false;
}

// Gives an empty database the schema, or an older one the upgrade. Another
// process may have done so since the first look, so the version is read
// again under the write lock.
bool CreateSchema(SqliteDb& db, int64_t* version, std::string* error) {
  StoreStatus status = db.BeginWrite();
  if (!status.ok()) {
    *error = "database error: " + status.message();
    return false;
  }
  if (!ReadSchemaVersion(db, version, error)) {
    db.Rollback();
    return false;
  }
  if (*version == 0) {
    status = db.Exec(kSchema);
    if (status.ok()) status = db.Exec(kVersion2Tables);
    *version = kSchemaVersion;
  } else if (*version == 1) {
    status = db.Exec(kUpgradeTo2);
    if (status.ok()) status = db.Exec(kVersion2Tables);
    *version = kSchemaVersion;
  }
  if (status.ok()) status = db.Commit();  // rolls back when it fails
  if (!status.ok()) {
    db.Rollback();
    *error = "database error: " + status.message();
  }
  return status.ok();
}

// Opens (and in kCreate makes) the file at `path` and checks that it is an
// account database of our version.
Status OpenFile(const std::string& path, Mode mode, std::unique_ptr<SqliteDb>* out,
                std::string* error) {
  struct stat st;
  if (mode != Mode::kCreate && stat(path.c_str(), &st) != 0 && errno == ENOENT) {
    *error = path + " does not exist";
    return Status::kMissing;
  }
  if (mode == Mode::kCreate && lstat(path.c_str(), &st) != 0 && errno == ENOENT &&
      !CreateDbFile(path, error)) {
    return Status::kFailed;
  }
  const bool read_only = mode == Mode::kReadOnly;
  FileId checked;
  if (!(read_only ? IdentifyDbFile(path, &checked, error)
                  : PrepareDbFile(path, &checked, error))) {
    return Status::kFailed;
  }

  SqliteDb::Options options;
  options.busy_timeout = kBusyTimeout;
  options.read_only = read_only;
  options.private_files = true;
  std::unique_ptr<SqliteDb> db;
  if (StoreStatus status = SqliteDb::Open(path, options, &db); !status.ok()) {
    *error = status.message();
    return Status::kFailed;
  }
  // The connection must have opened the file just checked: not one put in
  // its place (or a link to another), nor an empty one it made itself
  // because the file went away meanwhile.
  FileId opened;
  std::string ignored;
  if (!IdentifyDbFile(path, &opened, &ignored) || !(opened == checked)) {
    *error = path + " was replaced while it was being opened";
    return Status::kFailed;
  }
  if (StoreStatus status = db->Exec("PRAGMA foreign_keys = ON"); !status.ok()) {
    *error = "database error: " + status.message();
    return Status::kFailed;
  }

  int64_t version = 0;
  if (!ReadSchemaVersion(*db, &version, error)) return Status::kFailed;
  if (version == 1 && read_only) {
    // An older database that a reader meets first is upgraded through a
    // writing connection of its own; a reader that may not write it fails.
    db.reset();
    std::unique_ptr<SqliteDb> writer;
    if (Status status = OpenFile(path, Mode::kReadWrite, &writer, error); status != Status::kOk) {
      *error = path + " needs an upgrade that this process cannot make: " + *error;
      return status;
    }
    writer.reset();
    return OpenFile(path, mode, out, error);
  }
  if ((version == 0 || version == 1) && !read_only && !CreateSchema(*db, &version, error)) {
    return Status::kFailed;
  }
  if (version != kSchemaVersion) {
    *error = path + ": not an account database of a known version";
    return Status::kFailed;
  }
  *out = std::move(db);
  return Status::kOk;
}

}  // namespace

Status AccountStore::Open(const std::string& path, Mode mode,
                          std::unique_ptr<AccountStore>* store, std::string* error) {
  std::unique_ptr<SqliteDb> db;
  if (Status status = OpenFile(path, mode, &db, error); status != Status::kOk) return status;
  return FromConnection(std::move(db), store, error);
}

}  // namespace tav
