// The SQLite connection's statement cache: statements are found by their
// text, whatever memory the text sits in.
#include "util/sqlite_db.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <stdlib.h>

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <cstring>
#include <memory>
#include <string>

namespace tav {
namespace {

class SqliteDbTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/tav_sqlite_db_test.XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    const StoreStatus status = SqliteDb::Open(dir_ + "/t.db", SqliteDb::Options(), &db_);
    ASSERT_TRUE(status.ok()) << status.message();
  }
  void TearDown() override {
    db_.reset();
    std::system(("rm -rf '" + dir_ + "'").c_str());
  }

  // Runs the one-row, one-column query `sql` and returns its text.
  std::string QueryText(const char* sql) {
    StoreStatus status;
    SqlStatement stmt = db_->Prepare(sql, &status);
    EXPECT_TRUE(status.ok()) << status.message();
    if (!stmt.valid() || !stmt.Step(&status)) return "<no row>";
    return std::string(stmt.ColumnText(0));
  }

  // Statements the connection holds prepared.
  int PreparedCount() const {
    int n = 0;
    for (sqlite3_stmt* s = sqlite3_next_stmt(db_->handle(), nullptr); s != nullptr;
         s = sqlite3_next_stmt(db_->handle(), s)) {
      ++n;
    }
    return n;
  }

  std::string dir_;
  std::unique_ptr<SqliteDb> db_;
};

TEST_F(SqliteDbTest, ReusedBufferGetsTheStatementOfItsCurrentText) {
  char buffer[64];
  std::strcpy(buffer, "SELECT 'first'");
  EXPECT_EQ(QueryText(buffer), "first");
  std::strcpy(buffer, "SELECT 'second'");
  EXPECT_EQ(QueryText(buffer), "second");
  // Back again: the first text's statement is found, not the last one used
  // at this address.
  std::strcpy(buffer, "SELECT 'first'");
  EXPECT_EQ(QueryText(buffer), "first");
  EXPECT_EQ(PreparedCount(), 2);
}

TEST_F(SqliteDbTest, TextsBuiltAtRunTimeEachGetTheirOwnResult) {
  // More texts than the cache keeps addresses for, all through one string
  // whose buffer is reused, then again in the other order.
  std::string sql;
  sql.reserve(64);
  for (int pass = 0; pass < 2; ++pass) {
    for (int k = 0; k < 200; ++k) {
      const int i = pass == 0 ? k : 199 - k;
      sql = "SELECT 'row " + std::to_string(i) + "'";
      ASSERT_EQ(QueryText(sql.c_str()), "row " + std::to_string(i));
    }
  }
  EXPECT_EQ(PreparedCount(), 200);
}

TEST_F(SqliteDbTest, EqualTextsAtTwoAddressesShareOneStatement) {
  const std::string a = "SELECT 'shared' AS column_with_a_long_enough_name";
  const std::string b = a;
  ASSERT_NE(a.c_str(), b.c_str());
  EXPECT_EQ(QueryText(a.c_str()), "shared");
  EXPECT_EQ(QueryText(b.c_str()), "shared");
  EXPECT_EQ(PreparedCount(), 1);
}

}  // namespace
}  // namespace tav

namespace tav {
namespace {

// A private database (the account and lockout stores) in a folder that
// others may write to: what a planted file gets.
class PrivateSqliteDbTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/tav_private_db_test.XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    path_ = dir_ + "/private.db";
    std::unique_ptr<SqliteDb> db;
    ASSERT_TRUE(Open(&db).ok());
    ASSERT_TRUE(db->Exec("CREATE TABLE t(x); INSERT INTO t VALUES ('kept')").ok());
  }
  void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }

  StoreStatus Open(std::unique_ptr<SqliteDb>* db) {
    SqliteDb::Options options;
    options.private_files = true;
    return SqliteDb::Open(path_, options, db);
  }

  std::string dir_;
  std::string path_;
};

TEST_F(PrivateSqliteDbTest, LinksAreNotFollowed) {
  const std::string target = dir_ + "/elsewhere.db";
  const std::string link = dir_ + "/link.db";
  ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
  SqliteDb::Options options;
  options.private_files = true;
  std::unique_ptr<SqliteDb> db;
  EXPECT_FALSE(SqliteDb::Open(link, options, &db).ok());
  EXPECT_NE(::access(target.c_str(), F_OK), 0) << "the link's target was created";

  // A link in place of the journal is refused too, before SQLite sees it.
  ASSERT_EQ(::symlink(target.c_str(), (path_ + "-journal").c_str()), 0);
  StoreStatus status = Open(&db);
  EXPECT_EQ(status.code(), StoreStatus::kTampered) << status.message();
}

TEST_F(PrivateSqliteDbTest, AJournalOfAnotherOwnerIsRefusedOneOfItsOwnIsNot) {
  const std::string journal = path_ + "-journal";
  { std::ofstream(journal) << ""; }
  std::unique_ptr<SqliteDb> db;
  StoreStatus status = Open(&db);
  EXPECT_TRUE(status.ok()) << status.message();
  db.reset();
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to give the journal another owner";
  { std::ofstream(journal) << "planted"; }
  ASSERT_EQ(::chown(journal.c_str(), 65534, 65534), 0);
  status = Open(&db);
  EXPECT_EQ(status.code(), StoreStatus::kTampered);
  EXPECT_NE(status.message().find("private.db-journal"), std::string::npos) << status.message();
  std::ifstream in(journal);
  std::string text;
  in >> text;
  EXPECT_EQ(text, "planted") << "the planted journal was touched";
}

}  // namespace
}  // namespace tav
