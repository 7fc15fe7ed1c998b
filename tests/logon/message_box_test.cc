// StealthMessageBox: the Win32 styles on Qt boxes, the answers, stealth mode
// and the test hook.
#include <gtest/gtest.h>

#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include "testing/gui_test_support.h"
#include "ui/gui_app.h"
#include "ui/message_box.h"
#include "util/stealth.h"

namespace tav {
namespace {

using testing::BoxRecorder;
using testing::WhenModalShows;

class MessageBoxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(EnsureGuiApplication());
    ASSERT_TRUE(SetStealthMode(false));
  }
  void TearDown() override { SetStealthMode(false); }
};

TEST_F(MessageBoxTest, StylesChooseButtonsDefaultAndEscapeInWin32Order) {
  struct Case {
    unsigned style;
    std::vector<int> ids;
    int default_index;
    int escape;
  };
  const Case cases[] = {
      {MB_OK, {IDOK}, 0, IDOK},
      {MB_OKCANCEL | MB_DEFBUTTON2, {IDOK, IDCANCEL}, 1, IDCANCEL},
      {MB_ABORTRETRYIGNORE | MB_DEFBUTTON3, {IDABORT, IDRETRY, IDIGNORE}, 2, IDIGNORE},
      {MB_YESNOCANCEL, {IDYES, IDNO, IDCANCEL}, 0, IDCANCEL},
      {MB_YESNO | MB_DEFBUTTON2, {IDYES, IDNO}, 1, IDNO},
      {MB_RETRYCANCEL, {IDRETRY, IDCANCEL}, 0, IDCANCEL},
      {MB_CANCELTRYCONTINUE | MB_DEFBUTTON3, {IDCANCEL, IDTRYAGAIN, IDCONTINUE}, 2, IDCANCEL},
      // A default button beyond the last falls back to the first.
      {MB_YESNO | MB_DEFBUTTON3, {IDYES, IDNO}, 0, IDNO},
      // Unknown button types give an OK box.
      {0x0000000F, {IDOK}, 0, IDOK},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.style);
    std::vector<int> ids;
    for (const MessageBoxButton& b : MessageBoxButtons(c.style)) ids.push_back(b.id);
    EXPECT_EQ(ids, c.ids);
    EXPECT_EQ(MessageBoxDefaultIndex(c.style), c.default_index);
    EXPECT_EQ(MessageBoxEscapeId(c.style), c.escape);
  }
  EXPECT_EQ(MessageBoxIcon(MB_ICONERROR), QMessageBox::Critical);
  EXPECT_EQ(MessageBoxIcon(MB_ICONQUESTION), QMessageBox::Question);
  EXPECT_EQ(MessageBoxIcon(MB_ICONWARNING), QMessageBox::Warning);
  EXPECT_EQ(MessageBoxIcon(MB_ICONINFORMATION | MB_TASKMODAL), QMessageBox::Information);
  EXPECT_EQ(MessageBoxIcon(MB_OK), QMessageBox::NoIcon);
}

TEST_F(MessageBoxTest, RealBoxShowsTextAndAnswersTheButtonPressed) {
  QWidget owner;
  owner.show();
  WhenModalShows("StealthMessageBox", [&](QWidget* widget) {
    auto* box = qobject_cast<QMessageBox*>(widget);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->windowTitle(), "Caption");
    EXPECT_EQ(box->text(), "Keep the changes?");
    EXPECT_EQ(box->icon(), QMessageBox::Question);
    EXPECT_EQ(box->parentWidget(), &owner);
    EXPECT_EQ(box->windowModality(), Qt::WindowModal);
    ASSERT_NE(box->defaultButton(), nullptr);
    EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::No));
    QTest::mouseClick(box->button(QMessageBox::Yes), Qt::LeftButton);
  });
  EXPECT_EQ(StealthMessageBox(IDNO, &owner, "Keep the changes?", "Caption",
                              MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2),
            IDYES);

  // Escape answers Cancel; a task-modal box blocks the whole application.
  WhenModalShows("StealthMessageBox", [](QWidget* widget) {
    EXPECT_EQ(widget->windowModality(), Qt::ApplicationModal);
    QTest::keyClick(widget, Qt::Key_Escape);
  });
  EXPECT_EQ(StealthMessageBox(IDOK, &owner, "text", "caption", MB_OKCANCEL | MB_TASKMODAL),
            IDCANCEL);

  WhenModalShows("StealthMessageBox", [](QWidget* widget) {
    auto* box = qobject_cast<QMessageBox*>(widget);
    QAbstractButton* go_on = nullptr;
    for (QAbstractButton* b : box->buttons()) {
      if (b->text() == "&Continue") go_on = b;
    }
    ASSERT_NE(go_on, nullptr);
    QTest::mouseClick(go_on, Qt::LeftButton);
  });
  EXPECT_EQ(StealthMessageBox(IDCANCEL, nullptr, "text", "caption", MB_CANCELTRYCONTINUE),
            IDCONTINUE);
}

TEST_F(MessageBoxTest, StealthModeAnswersTheDefaultWithoutShowingAnything) {
  BoxRecorder boxes(IDYES);
  ASSERT_TRUE(SetStealthMode(true));
  EXPECT_EQ(StealthMessageBox(IDNO, nullptr, "text", "caption", MB_YESNO), IDNO);
  EXPECT_EQ(StealthMessageBox(7, "framework text", MB_YESNO), 7);
  EXPECT_EQ(StealthMessageBox(IDCANCEL, 4711u, MB_OKCANCEL), IDCANCEL);
  EXPECT_TRUE(boxes.boxes().empty());

  ASSERT_TRUE(SetStealthMode(false));
  EXPECT_EQ(StealthMessageBox(IDNO, nullptr, "text", "caption", MB_YESNO), IDYES);
  EXPECT_EQ(boxes.boxes().size(), 1u);
}

TEST_F(MessageBoxTest, OwnerMustBeALiveWidget) {
  BoxRecorder boxes;
  QWidget window;
  auto* child = new QWidget(&window);
  int not_a_widget = 0;
  StealthMessageBox(IDOK, child, "a", "b", MB_OK);
  StealthMessageBox(IDOK, &not_a_widget, "a", "b", MB_OK);
  StealthMessageBox(IDOK, nullptr, nullptr, nullptr, MB_OK);
  ASSERT_EQ(boxes.boxes().size(), 3u);
  EXPECT_EQ(boxes.boxes()[0].owner, child);
  EXPECT_EQ(boxes.boxes()[1].owner, nullptr);
  EXPECT_EQ(boxes.boxes()[2].text, "");
  EXPECT_EQ(boxes.boxes()[2].caption, "");
  // The Qt box belongs to the child's window.
  EXPECT_EQ(MakeMessageBox(boxes.boxes()[0])->parentWidget(), &window);
}

TEST_F(MessageBoxTest, FrameworkFormsUseTheApplicationNameAndTheStringTable) {
  BoxRecorder boxes;
  QGuiApplication::setApplicationDisplayName("Instrument Host");
  RegisterStringResource(4711, "Run file saved.");
  StealthMessageBox(IDOK, "Plain text", MB_OK | MB_ICONWARNING, 12);
  StealthMessageBox(IDOK, 4711u, MB_OK);
  StealthMessageBox(IDOK, 4712u, MB_OK);
  ASSERT_EQ(boxes.boxes().size(), 3u);
  EXPECT_EQ(boxes.boxes()[0].caption, "Instrument Host");
  EXPECT_EQ(boxes.boxes()[0].text, "Plain text");
  EXPECT_EQ(boxes.boxes()[0].style, MB_OK | MB_ICONWARNING);
  EXPECT_EQ(boxes.boxes()[1].text, "Run file saved.");
  EXPECT_EQ(boxes.boxes()[2].text, "");
}

TEST_F(MessageBoxTest, HandlersNestAndRestore) {
  BoxRecorder outer(IDYES);
  {
    BoxRecorder inner(IDNO);
    EXPECT_EQ(StealthMessageBox(IDOK, nullptr, "x", "y", MB_YESNO), IDNO);
  }
  EXPECT_EQ(StealthMessageBox(IDOK, nullptr, "x", "y", MB_YESNO), IDYES);
  EXPECT_EQ(outer.boxes().size(), 1u);
}

}  // namespace
}  // namespace tav
