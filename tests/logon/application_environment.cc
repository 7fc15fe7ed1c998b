// The logon tests run in the application that the library's guard creates,
// as for a host without Qt; it is destroyed after the last test, as the
// library does when it unloads, so that nothing Qt holds looks leaked.
#include <gtest/gtest.h>

#include "ui/gui_app.h"

namespace {

class LibraryApplication : public ::testing::Environment {
 public:
  void SetUp() override { ASSERT_TRUE(tav::EnsureGuiApplication()); }
  void TearDown() override { tav::ReleaseOwnedGuiApplication(); }
};

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new LibraryApplication);

}  // namespace
