// The SQLite connection's statement cache: statements are found by their
// text, whatever memory the text sits in.
#include "util/sqlite_db.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <stdlib.h>

#include <cstdlib>
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
