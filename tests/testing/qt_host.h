// A test program that is a Qt host: its QApplication exists before the
// first call of the library, as in any Qt Widgets program (tav-host among
// them). Include it once per test program; it registers itself.
#ifndef TAV_TESTS_TESTING_QT_HOST_H_
#define TAV_TESTS_TESTING_QT_HOST_H_

#include <gtest/gtest.h>

#include <QApplication>

#include <memory>

namespace tav::testing {

class QtHost : public ::testing::Environment {
 public:
  void SetUp() override { app_ = std::make_unique<QApplication>(argc_, argv_); }
  void TearDown() override { app_.reset(); }

 private:
  int argc_ = 1;
  char name_[16] = "qt_host_test";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QApplication> app_;
};

inline const auto* const kQtHost = ::testing::AddGlobalTestEnvironment(new QtHost);

}  // namespace tav::testing

#endif  // TAV_TESTS_TESTING_QT_HOST_H_
