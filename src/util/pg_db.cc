#include "util/pg_db.h"

#include <libpq-fe.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <vector>

namespace tav {

namespace {

// Type numbers of the integer columns the stores read (pg_type.oid).
constexpr Oid kBoolOid = 16;
constexpr Oid kInt8Oid = 20;
constexpr Oid kInt2Oid = 21;
constexpr Oid kInt4Oid = 23;
constexpr Oid kOidOid = 26;

// A statement that runs this long has lost its server or its way; the stores'
// largest reads take a few seconds.
constexpr int kStatementTimeoutMs = 60000;
// After a failed attempt to connect again, how long callers are answered
// with that failure at once.
constexpr std::chrono::seconds kReconnectPause{5};
// A client that died inside a transaction must not hold the writer lock.
constexpr int kIdleInTransactionTimeoutMs = 60000;

int64_t BigEndian(const char* p, int n) {
  uint64_t v = 0;
  for (int i = 0; i < n; ++i) v = (v << 8) | static_cast<unsigned char>(p[i]);
  // Sign-extend the shorter integers.
  if (n < 8 && n > 0 && (static_cast<unsigned char>(p[0]) & 0x80) != 0) {
    v |= ~uint64_t{0} << (8 * n);
  }
  return static_cast<int64_t>(v);
}

std::string Trimmed(const char* text) {
  std::string s = text == nullptr ? std::string() : std::string(text);
  while (!s.empty() && (s.back() == '\n' || s.back() == ' ')) s.pop_back();
  return s;
}

}  // namespace

// ------------------------------------------------------------------ PgCursor

class PgCursor final : public SqlCursor {
 public:
  PgCursor(PgDb* db, std::string name, std::string sql, int params)
      : db_(db), name_(std::move(name)), sql_(std::move(sql)), params_(params) {
    values_.resize(static_cast<size_t>(params));
    formats_.assign(static_cast<size_t>(params), 0);
    is_null_.assign(static_cast<size_t>(params), true);
  }
  ~PgCursor() override { Reset(); }

  StoreStatus PrepareOnServer() {
    PGresult* r = PQprepare(db_->conn_, name_.c_str(), sql_.c_str(), 0, nullptr);
    StoreStatus status;
    if (PQresultStatus(r) != PGRES_COMMAND_OK) status = db_->Error(r, "cannot prepare a statement");
    PQclear(r);
    if (status.ok()) generation_ = db_->generation_;
    return status;
  }

  void BindInt64(int index, int64_t value) override {
    Set(index, std::to_string(value), 0);
  }
  void BindText(int index, std::string_view text) override { Set(index, std::string(text), 1); }
  void BindBlob(int index, std::string_view bytes) override { Set(index, std::string(bytes), 1); }
  void BindNull(int index) override {
    if (index < 1 || index > params_) return;
    is_null_[static_cast<size_t>(index - 1)] = true;
  }

  bool Step(StoreStatus* status) override {
    ClearRow();
    // As in SQLite, stepping a finished statement runs it again.
    if (state_ == State::kDone) Reset(false);
    if (state_ == State::kIdle) {
      StoreStatus s = Start();
      if (!s.ok()) {
        *status = s;
        state_ = State::kDone;
        return false;
      }
    }
    if (state_ == State::kDone) {
      *status = StoreStatus::Ok();
      return false;
    }
    PGresult* r = NextResult();
    if (r == nullptr) {
      state_ = State::kDone;
      *status = failure_.ok() ? StoreStatus::Ok() : failure_;
      return false;
    }
    switch (PQresultStatus(r)) {
      case PGRES_SINGLE_TUPLE:
        row_ = r;
        return true;
      case PGRES_TUPLES_OK:
      case PGRES_COMMAND_OK:
        PQclear(r);
        Finish();
        *status = failure_.ok() ? StoreStatus::Ok() : failure_;
        return false;
      default:
        failure_ = db_->Error(r, "a statement failed");
        PQclear(r);
        Finish();
        *status = failure_;
        return false;
    }
  }

  int64_t ColumnInt64(int index) const override {
    if (row_ == nullptr || PQgetisnull(row_, 0, index)) return 0;
    const char* p = PQgetvalue(row_, 0, index);
    const int n = PQgetlength(row_, 0, index);
    switch (PQftype(row_, index)) {
      case kInt8Oid:
      case kInt4Oid:
      case kInt2Oid:
      case kOidOid:
      case kBoolOid:
        return BigEndian(p, n);
      default:
        return 0;
    }
  }
  std::string_view ColumnText(int index) const override { return ColumnBlob(index); }
  std::string_view ColumnBlob(int index) const override {
    if (row_ == nullptr || PQgetisnull(row_, 0, index)) return std::string_view();
    return std::string_view(PQgetvalue(row_, 0, index),
                            static_cast<size_t>(PQgetlength(row_, 0, index)));
  }
  bool ColumnIsNull(int index) const override {
    return row_ == nullptr || PQgetisnull(row_, 0, index) != 0;
  }

  void Reset() override { Reset(true); }

  void Reset(bool clear_bindings) {
    ClearRow();
    if (state_ == State::kRunning) {
      // The rest of the rows are not wanted; they must still be read off
      // the connection before it can run anything else.
      while (PGresult* r = PQgetResult(db_->conn_)) PQclear(r);
    }
    for (PGresult* r : buffered_) PQclear(r);
    buffered_.clear();
    if (db_->running_ == this) db_->running_ = nullptr;
    state_ = State::kIdle;
    failure_ = StoreStatus::Ok();
    if (clear_bindings) std::fill(is_null_.begin(), is_null_.end(), true);
  }

  // Reads the rest of this statement's results off the connection.
  void BufferRest() {
    if (state_ != State::kRunning) return;
    while (PGresult* r = PQgetResult(db_->conn_)) buffered_.push_back(r);
    state_ = State::kBuffered;
    if (db_->running_ == this) db_->running_ = nullptr;
  }

 private:
  enum class State { kIdle, kRunning, kBuffered, kDone };

  void Set(int index, std::string value, int format) {
    if (index < 1 || index > params_) return;
    const auto i = static_cast<size_t>(index - 1);
    values_[i] = std::move(value);
    formats_[i] = format;
    is_null_[i] = false;
  }

  StoreStatus Start() {
    db_->MakeWayFor(this);
    if (!db_->in_transaction_) {
      StoreStatus s = db_->EnsureConnected();
      if (!s.ok()) return s;
    }
    if (generation_ != db_->generation_) {
      StoreStatus s = PrepareOnServer();
      if (!s.ok()) return s;
    }
    std::vector<const char*> values(static_cast<size_t>(params_));
    std::vector<int> lengths(static_cast<size_t>(params_));
    for (size_t i = 0; i < values.size(); ++i) {
      values[i] = is_null_[i] ? nullptr : values_[i].data();
      lengths[i] = static_cast<int>(values_[i].size());
    }
    if (PQsendQueryPrepared(db_->conn_, name_.c_str(), params_, values.data(), lengths.data(),
                            formats_.data(), 1) != 1) {
      return db_->Error(nullptr, "cannot send a statement");
    }
    PQsetSingleRowMode(db_->conn_);
    state_ = State::kRunning;
    db_->running_ = this;
    return StoreStatus::Ok();
  }

  PGresult* NextResult() {
    if (!buffered_.empty()) {
      PGresult* r = buffered_.front();
      buffered_.pop_front();
      return r;
    }
    if (state_ != State::kRunning) return nullptr;
    PGresult* r = PQgetResult(db_->conn_);
    if (r == nullptr) {
      state_ = State::kDone;
      if (db_->running_ == this) db_->running_ = nullptr;
    }
    return r;
  }

  // The statement's last result was read: take the connection's end marker.
  void Finish() {
    // A statement outside a transaction commits after its last row: a
    // failed commit (or a lost connection) is reported after the rows.
    auto take = [this](PGresult* r) {
      if (failure_.ok() && PQresultStatus(r) == PGRES_FATAL_ERROR) {
        failure_ = db_->Error(r, "a statement failed");
      }
      PQclear(r);
    };
    for (PGresult* r : buffered_) take(r);
    buffered_.clear();
    if (state_ == State::kRunning) {
      while (PGresult* r = PQgetResult(db_->conn_)) take(r);
      if (db_->running_ == this) db_->running_ = nullptr;
    }
    state_ = State::kDone;
  }

  void ClearRow() {
    if (row_ != nullptr) PQclear(row_);
    row_ = nullptr;
  }

  PgDb* db_;
  std::string name_;
  std::string sql_;
  int params_;
  int generation_ = -1;
  std::vector<std::string> values_;
  std::vector<int> formats_;
  std::vector<bool> is_null_;
  State state_ = State::kIdle;
  PGresult* row_ = nullptr;
  std::deque<PGresult*> buffered_;
  StoreStatus failure_;
};

// ---------------------------------------------------------------------- PgDb

std::string PgDb::RenumberParameters(const char* sql) {
  std::string out;
  char quote = 0;
  for (const char* p = sql; *p != '\0'; ++p) {
    const char c = *p;
    if (quote != 0) {
      out += c;
      if (c == quote) quote = 0;
      continue;
    }
    if (c == '\'' || c == '"') {
      quote = c;
      out += c;
    } else if (c == '?') {
      out += '$';
      if (!(p[1] >= '0' && p[1] <= '9')) out += '1';  // a lone ? is the first parameter
    } else {
      out += c;
    }
  }
  return out;
}

namespace {

int CountParameters(const std::string& sql) {
  int most = 0;
  char quote = 0;
  for (size_t i = 0; i < sql.size(); ++i) {
    const char c = sql[i];
    if (quote != 0) {
      if (c == quote) quote = 0;
      continue;
    }
    if (c == '\'' || c == '"') {
      quote = c;
    } else if (c == '$' && i + 1 < sql.size() && sql[i + 1] >= '0' && sql[i + 1] <= '9') {
      int n = 0;
      size_t j = i + 1;
      while (j < sql.size() && sql[j] >= '0' && sql[j] <= '9') n = n * 10 + (sql[j++] - '0');
      most = std::max(most, n);
    }
  }
  return most;
}

}  // namespace

StoreStatus PgDb::Open(const std::string& conninfo, const Options& options,
                       std::unique_ptr<PgDb>* out) {
  // A password belongs in ~/.pgpass, $PGPASSFILE or a service file: one in
  // the connection string would sit in a configuration file and in messages.
  char* parse_error = nullptr;
  PQconninfoOption* parsed =
      PQconninfoParse(conninfo.empty() ? "" : conninfo.c_str(), &parse_error);
  if (parsed == nullptr) {
    std::string why = Trimmed(parse_error);
    PQfreemem(parse_error);
    return StoreStatus(StoreStatus::kInvalid,
                       "the lab store's connection string does not read: " + why);
  }
  bool has_password = false;
  for (PQconninfoOption* o = parsed; o->keyword != nullptr; ++o) {
    if (std::strcmp(o->keyword, "password") == 0 && o->val != nullptr && *o->val != '\0') {
      has_password = true;
    }
  }
  PQconninfoFree(parsed);
  if (has_password) {
    return StoreStatus(StoreStatus::kInvalid,
                       "the lab store's connection string holds a password: put it in ~/.pgpass, "
                       "$PGPASSFILE or a service file instead");
  }
  std::unique_ptr<PgDb> db(new PgDb(conninfo, options));
  StoreStatus status = db->Connect();
  if (!status.ok()) return status;
  *out = std::move(db);
  return StoreStatus::Ok();
}

PgDb::PgDb(std::string conninfo, const Options& options)
    : conninfo_(std::move(conninfo)), options_(options) {}

PgDb::~PgDb() {
  statements_.Clear();
  if (conn_ != nullptr) PQfinish(conn_);
}

StoreStatus PgDb::Connect() {
  const std::string timeout = std::to_string(options_.connect_timeout.count());
  // Earlier entries are defaults: what the connection string says wins.
  const char* keys[] = {"connect_timeout", "application_name", "tcp_user_timeout",
                        "keepalives_idle", "keepalives_interval", "keepalives_count",
                        "dbname", nullptr};
  const std::string user_timeout = std::to_string(options_.connect_timeout.count() * 1000 * 2);
  const char* values[] = {timeout.c_str(), "tavsecurity", user_timeout.c_str(), "5", "2", "3",
                          conninfo_.c_str(), nullptr};
  conn_ = PQconnectdbParams(keys, values, 1);
  if (conn_ == nullptr || PQstatus(conn_) != CONNECTION_OK) {
    std::string why = conn_ != nullptr ? Trimmed(PQerrorMessage(conn_)) : "out of memory";
    if (conn_ != nullptr) PQfinish(conn_);
    conn_ = nullptr;
    return StoreStatus(StoreStatus::kUnavailable, "the lab store cannot be reached: " + why);
  }
  StoreStatus transport = CheckTransport();
  if (!transport.ok()) {
    PQfinish(conn_);
    conn_ = nullptr;
    return transport;
  }
  return Configure();
}

StoreStatus PgDb::CheckTransport() const {
  // A server on this machine is reached through its socket or loopback.
  const std::string host = PQhost(conn_) != nullptr ? PQhost(conn_) : "";
  if (host.empty() || host[0] == '/' || host[0] == '@' || host == "localhost" ||
      host == "127.0.0.1" || host == "::1") {
    return StoreStatus::Ok();
  }
  std::string sslmode;
  PQconninfoOption* options = PQconninfo(conn_);
  for (PQconninfoOption* o = options; o != nullptr && o->keyword != nullptr; ++o) {
    if (std::strcmp(o->keyword, "sslmode") == 0 && o->val != nullptr) sslmode = o->val;
  }
  PQconninfoFree(options);
  if (PQsslInUse(conn_) == 1 && sslmode == "verify-full") return StoreStatus::Ok();
  return StoreStatus(StoreStatus::kUnavailable,
                     "the lab store at " + host + " is reached without TLS that checks the "
                     "server's certificate and name (sslmode=verify-full, now \"" + sslmode +
                     "\"): the workstation's credentials and the lab's records go only to a "
                     "server it has checked");
}

StoreStatus PgDb::Configure() {
  name_ = std::string("postgresql://") + PQuser(conn_) + "@" +
          (PQhost(conn_) != nullptr ? PQhost(conn_) : "") + ":" + PQport(conn_) + "/" +
          PQdb(conn_) + " (schema " + options_.schema + ")";
  char* schema = PQescapeIdentifier(conn_, options_.schema.data(), options_.schema.size());
  if (schema == nullptr) return Error(nullptr, "cannot name the schema");
  const std::string setup =
      std::string("SET search_path = ") + schema + ", pg_catalog; SET lock_timeout = " +
      std::to_string(options_.busy_timeout.count()) +
      "; SET statement_timeout = " + std::to_string(kStatementTimeoutMs) +
      "; SET idle_in_transaction_session_timeout = " +
      std::to_string(kIdleInTransactionTimeoutMs) + "; SET client_min_messages = warning";
  PQfreemem(schema);
  StoreStatus status = ExecText(setup);
  if (!status.ok()) return status;
  // The key of the writer lock: one per schema, so that several stores in
  // one database do not wait for each other.
  char* literal = PQescapeLiteral(conn_, options_.schema.data(), options_.schema.size());
  if (literal == nullptr) return Error(nullptr, "cannot name the schema");
  const std::string key_sql = std::string("SELECT hashtext(") + literal + " || '/writer')";
  PQfreemem(literal);
  PGresult* r = PQexec(conn_, key_sql.c_str());
  if (PQresultStatus(r) != PGRES_TUPLES_OK || PQntuples(r) != 1) {
    status = Error(r, "cannot set up the connection");
  } else {
    writer_lock_key_ = std::atoi(PQgetvalue(r, 0, 0));
  }
  PQclear(r);
  ++generation_;
  return status;
}

StoreStatus PgDb::EnsureConnected() {
  if (PQstatus(conn_) == CONNECTION_OK) return StoreStatus::Ok();
  const auto now = std::chrono::steady_clock::now();
  if (!reconnect_failure_.ok() && now - reconnect_failed_at_ < kReconnectPause) {
    return reconnect_failure_;
  }
  MakeWayFor(nullptr);
  PQreset(conn_);
  if (PQstatus(conn_) != CONNECTION_OK) {
    reconnect_failed_at_ = std::chrono::steady_clock::now();
    reconnect_failure_ = StoreStatus(StoreStatus::kUnavailable,
                                     name_ + ": the lab store cannot be reached: " +
                                         Trimmed(PQerrorMessage(conn_)));
    return reconnect_failure_;
  }
  reconnect_failure_ = StoreStatus::Ok();
  in_transaction_ = false;
  return Configure();
}

StoreStatus PgDb::Error(const void* result, std::string_view what) const {
  const auto* r = static_cast<const PGresult*>(result);
  const char* state = r != nullptr ? PQresultErrorField(r, PG_DIAG_SQLSTATE) : nullptr;
  const std::string sqlstate = state != nullptr ? state : "";
  std::string detail;
  if (r != nullptr) detail = Trimmed(PQresultErrorField(r, PG_DIAG_MESSAGE_PRIMARY));
  if (detail.empty()) detail = Trimmed(PQerrorMessage(conn_));
  std::string message = name_ + ": " + std::string(what) + ": " + detail;
  StoreStatus::Code code = StoreStatus::kIOError;
  if (conn_ == nullptr || PQstatus(conn_) != CONNECTION_OK || sqlstate.rfind("08", 0) == 0 ||
      sqlstate.rfind("57P", 0) == 0) {
    code = StoreStatus::kUnavailable;
    message = name_ + ": " + std::string(what) + ": the lab store cannot be reached (" + detail +
              ")";
  } else if (sqlstate == "55P03" || sqlstate == "40001" || sqlstate == "40P01" ||
             sqlstate == "57014") {
    code = StoreStatus::kBusy;
    message = name_ + ": " + std::string(what) + ": the lab store stayed locked by another " +
              "client for more than " + std::to_string(options_.busy_timeout.count()) + " ms (" +
              detail + ")";
  } else if (sqlstate == "42501") {
    code = StoreStatus::kReadOnly;
  } else if (sqlstate == "22023") {
    // The store's functions refuse a value that is not what they take
    // (a record that does not read as one of its log).
    code = StoreStatus::kInvalid;
  } else if (sqlstate == "53100") {
    code = StoreStatus::kFull;
  } else if (sqlstate == "XX001" || sqlstate == "XX002") {
    code = StoreStatus::kCorrupt;
  } else if (sqlstate == "3F000" || sqlstate == "42P01" || sqlstate == "42883") {
    code = StoreStatus::kForeign;
    message = name_ + ": " + std::string(what) + ": the lab store has no schema of this suite, "
              "or an older one (" + detail + "); an administrator runs \"tavsec store init\"";
  }
  return StoreStatus(code, std::move(message));
}

void PgDb::MakeWayFor(PgCursor* next) {
  if (running_ != nullptr && running_ != next) running_->BufferRest();
}

StoreStatus PgDb::ExecText(const std::string& sql) {
  MakeWayFor(nullptr);
  PGresult* r = PQexec(conn_, sql.c_str());
  const ExecStatusType s = PQresultStatus(r);
  StoreStatus status;
  if (s != PGRES_COMMAND_OK && s != PGRES_TUPLES_OK) status = Error(r, "a statement failed");
  PQclear(r);
  return status;
}

StoreStatus PgDb::Exec(const char* sql) {
  if (!in_transaction_) {
    StoreStatus status = EnsureConnected();
    if (!status.ok()) return status;
  }
  return ExecText(sql);
}

SqlStatement PgDb::Prepare(const char* sql, StoreStatus* status) {
  PgCursor* cursor = statements_.Find(sql);
  if (cursor == nullptr) {
    const std::string text = RenumberParameters(sql);
    cursor = statements_.Insert(
        sql, std::make_unique<PgCursor>(this, "tav_" + std::to_string(next_statement_++), text,
                                        CountParameters(text)));
  }
  *status = StoreStatus::Ok();
  return SqlStatement(cursor);
}

StoreStatus PgDb::Simple(const char* sql, std::string_view what) {
  MakeWayFor(nullptr);
  PGresult* r = PQexec(conn_, sql);
  StoreStatus status;
  if (PQresultStatus(r) != PGRES_COMMAND_OK && PQresultStatus(r) != PGRES_TUPLES_OK) {
    status = Error(r, what);
  } else if (std::strcmp(PQcmdStatus(r), "ROLLBACK") == 0 &&
             std::strcmp(sql, "ROLLBACK") != 0) {
    status = StoreStatus(StoreStatus::kIOError,
                         name_ + ": " + std::string(what) + ": the transaction was rolled back");
  }
  PQclear(r);
  return status;
}

StoreStatus PgDb::Begin(const char* sql, std::string_view what) {
  StoreStatus status = EnsureConnected();
  if (status.ok()) status = Simple(sql, what);
  if (status.ok()) in_transaction_ = true;
  return status;
}

StoreStatus PgDb::BeginWrite() {
  StoreStatus status = Begin("BEGIN", "cannot start a write transaction");
  if (!status.ok()) return status;
  const std::string lock = "SELECT pg_advisory_xact_lock(" + std::to_string(writer_lock_key_) + ")";
  status = Simple(lock.c_str(), "cannot start a write transaction");
  if (!status.ok()) Rollback();
  return status;
}

StoreStatus PgDb::BeginUnordered() { return Begin("BEGIN", "cannot start a transaction"); }

StoreStatus PgDb::BeginRead() {
  return Begin("BEGIN ISOLATION LEVEL REPEATABLE READ", "cannot start a read transaction");
}

StoreStatus PgDb::Commit() {
  StoreStatus status = Simple("COMMIT", "cannot commit");
  in_transaction_ = false;
  if (!status.ok() && status.code() == StoreStatus::kUnavailable) {
    status = StoreStatus(status.code(), status.message() +
                                            "; the change may or may not have been stored");
  }
  if (!status.ok()) Rollback();
  return status;
}

void PgDb::Rollback() {
  if (conn_ != nullptr && PQstatus(conn_) == CONNECTION_OK &&
      PQtransactionStatus(conn_) != PQTRANS_IDLE) {
    Simple("ROLLBACK", "cannot roll back");
  }
  in_transaction_ = false;
}

bool PgDb::InTransaction() const { return in_transaction_; }

}  // namespace tav
