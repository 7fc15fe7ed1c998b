// A signature made the way tav-host makes it, through the library's
// exports, stored with the document and read back by `tavsec records dump`.
#include <gtest/gtest.h>

#include <QApplication>

#include "TAVSecurityUI.h"
#include "apps/tav-host/sign_document.h"
#include "services/filelib/file_manager.h"
#include "testing/qt_host.h"
#include "testing/run_command.h"
#include "testing/temp_data_dir.h"
#include "util/file.h"
#include "util/ole_date.h"

#include "esig_test_support.h"

namespace tav {
namespace {

using testing::WhenModalShows;

constexpr int kApprovedPlateSetup = 2;

class SignDocumentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::AddSignatureAccounts();
    // alice logs on (the library's own tokens are its own); dave signs.
    WhenModalShows("dlg130", [](QWidget* dialog) {
      QTest::keyClicks(dialog->findChild<QLineEdit*>("ctl1002"), "alice");
      QTest::keyClicks(dialog->findChild<QLineEdit*>("ctl1003"), "Alice-Pass1");
      QTest::mouseClick(dialog->findChild<QPushButton*>("ctl1001"), Qt::LeftButton);
    });
    ASSERT_EQ(TAVSecurityUI_DoLogin(nullptr, 0, nullptr, nullptr), 0);
    TAVSecurityUI_AddESignatureGroup("esig-signers");
    TAVSecurityUI_InitESignatureReasons();
    TAVSecurityUI_SetESignatureRootPath("/srv/esig");
    std::string error;
    ASSERT_TRUE(host::WriteExampleDocument(path_, &error)) << error;
  }
  void TearDown() override {
    TAVSecurityUI_DoLogout();
    TAVSecurityUI_ResetESignatureGroups();
    TAVSecurityUI_ResetESignatureReasons();
  }

  testing::TempDataDir data_dir_;
  const std::string path_ = data_dir_.File("plate-42.tav");
};

TEST_F(SignDocumentTest, SignatureIsStoredWithTheDocument) {
  WhenModalShows("dlg131", [](QWidget* dialog) {
    testing::FillAndClickOk(dialog, testing::Signing("dave", "Dave-Pass4", kApprovedPlateSetup,
                                                     "Plate layout checked"));
  });
  const DATE before = OleDateNow();
  const QStringList log = host::SignDocument(nullptr, QString::fromStdString(path_));
  const DATE after = OleDateNow();
  ASSERT_GE(log.size(), 4) << log.join("\n").toStdString();
  EXPECT_EQ(log[0], "TAVSecurityUI_BeginESignature -> 0 (signed)");
  EXPECT_TRUE(log[1].contains("folder /srv/esig/plate-42")) << log[1].toStdString();
  EXPECT_EQ(log[2], QString::fromStdString("  signature saved in " + path_));
  EXPECT_EQ(log[3], "TAVSecurityUI_EndESignature -> 1");
  // The logon is alice's again.
  EXPECT_EQ(TAVCurrentUser::GetInstance()->GetUserID(), "alice");

  const testing::CommandResult dump = testing::RunCommand(std::string(TAVSEC_PATH) +
                                                          " records dump " + path_);
  ASSERT_EQ(dump.exit_code, 0) << dump.err;
  for (const char* expected : {"ESignature", "dave", "ESig Reason", "(2)", "ESig Item", "(1)",
                               "Dave Signer", "PICX", "Plate layout checked"}) {
    EXPECT_NE(dump.out.find(expected), std::string::npos) << expected << "\n" << dump.out;
  }
  // The time of the click on OK, to the second.
  bool dated = false;
  for (DATE t = before; t <= after + 0.5 / 86400; t += 1.0 / 86400) {
    dated = dated || dump.out.find("Event Date = " + FormatOleDate(t)) != std::string::npos;
  }
  EXPECT_TRUE(dated) << dump.out;

  std::vector<std::string> lines;
  std::string error;
  ASSERT_TRUE(host::ListSignatures(path_, &lines, &error)) << error;
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find("dave (Dave Signer)  Approved Plate Setup  [PICX]  "
                          "\"Plate layout checked\""),
            std::string::npos)
      << lines[0];

  // The document's own chunks are still there, the list after them.
  TAV2FileManager document;
  ASSERT_EQ(document.Open(path_), 0);
  ASSERT_EQ(document.GetComponents().size(), 5u);
  EXPECT_EQ(document.GetComponents()[4]->GetTagString(), "ESIG");
}

TEST_F(SignDocumentTest, SignaturesAccumulateAndADamagedFileIsLeftAlone) {
  host::DocumentSignature signature;
  signature.user_name = "dave";
  signature.reason_id = 3;  // Verified Document
  signature.item_code = 0;
  std::string error;
  ASSERT_TRUE(host::AppendSignatureToDocument(path_, signature, &error)) << error;
  signature.user_name = "carol";
  ASSERT_TRUE(host::AppendSignatureToDocument(path_, signature, &error)) << error;
  std::vector<std::string> lines;
  ASSERT_TRUE(host::ListSignatures(path_, &lines, &error));
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_NE(lines[0].find("dave ()  Verified Document"), std::string::npos) << lines[0];
  EXPECT_NE(lines[1].find("carol ()"), std::string::npos) << lines[1];

  // A truncated document is not rewritten from the part that could be read.
  std::string bytes = ReadWholeFile(path_);
  bytes.resize(bytes.size() - 3);
  WriteFileAtomically(path_, bytes);
  EXPECT_FALSE(host::AppendSignatureToDocument(path_, signature, &error));
  EXPECT_EQ(ReadWholeFile(path_), bytes);
}

}  // namespace
}  // namespace tav
