// The pseudo-locale and the check of shown texts that the tour runs on
// every dialog (tav-host --tour DIR --pseudo-locale --check-texts).
#include "apps/tav-host/text_check.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDateTimeEdit>
#include <QDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QStandardItemModel>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTreeView>
#include <QVBoxLayout>

#include "apps/tav-host/pseudo_locale.h"
#include "testing/qt_host.h"

namespace tav::host {
namespace {

TEST(PseudoTextTest, LengthensAndMarksButKeepsWhatMustWork) {
  const QString text = PseudoText(QStringLiteral("&Delete %1 of %n files (%s, %ld, 100%%)"));
  EXPECT_TRUE(text.startsWith(kPseudoOpen) && text.endsWith(kPseudoClose)) << text.toStdString();
  for (const char* kept : {"&D", "%1", "%n", "%s", "%ld", "%%"}) {
    EXPECT_TRUE(text.contains(QString::fromLatin1(kept))) << kept << " in " << text.toStdString();
  }
  EXPECT_FALSE(text.contains(QStringLiteral("files"))) << "letters are accented";

  // Each line grows by itself: a short first line does not take the
  // padding that the long second line needs.
  const QString lines = PseudoText(QStringLiteral("OK\nA much longer second line of text"));
  const QStringList parts = lines.split('\n');
  ASSERT_EQ(parts.size(), 2);
  EXPECT_GE(parts[1].size(), QStringLiteral("A much longer second line of text").size() * 14 / 10);
  EXPECT_LT(parts[0].size(), 8);

  const QString rich = PseudoText(QStringLiteral("<b>Bold</b> &amp; more"));
  EXPECT_TRUE(rich.contains(QStringLiteral("<b>")) && rich.contains(QStringLiteral("</b>")) &&
              rich.contains(QStringLiteral("&amp;")));
  EXPECT_TRUE(PseudoText(QString()).isEmpty());
  EXPECT_TRUE(HasPseudoMarks(QStringLiteral("User: ") + PseudoText(QStringLiteral("alice"))));
  EXPECT_FALSE(HasPseudoMarks(QStringLiteral("User: alice")));
}

TEST(PseudoTranslatorTest, LeavesKeyNamesAlone) {
  PseudoTranslator translator;
  EXPECT_TRUE(translator.translate("QShortcut", "Ctrl", nullptr, -1).isEmpty());
  EXPECT_TRUE(HasPseudoMarks(translator.translate("tav::Logon", "User Login", nullptr, -1)));
}

// A dialog with one widget of each kind the check measures, laid out with
// room for every text; each test takes the room away from one of them.
class TextCheckTest : public ::testing::Test {
 protected:
  TextCheckTest() {
    dialog_.setObjectName("dlgTest");
    dialog_.setWindowTitle(PseudoText("A dialog"));
    auto* layout = new QVBoxLayout(&dialog_);
    label_ = new QLabel(PseudoText("Configure Compliance Settings"));
    label_->setObjectName("ctlLabel");
    layout->addWidget(label_);
    button_ = new QPushButton(PseudoText("&Import"));
    button_->setObjectName("ctlButton");
    layout->addWidget(button_);
    auto* box = new QGroupBox(PseudoText("Logged-on user"));
    box->setObjectName("ctlGroup");
    auto* inside = new QHBoxLayout(box);
    data_ = new QLabel(QStringLiteral("alice"));
    data_->setObjectName("ctlData");
    data_->setProperty("tavData", true);
    inside->addWidget(data_);
    layout->addWidget(box);
    tabs_ = new QTabWidget;
    tabs_->setObjectName("ctlTabs");
    tabs_->addTab(new QWidget, PseudoText("Event Log"));
    tabs_->addTab(new QWidget, PseudoText("Configuration Audit Trail"));
    layout->addWidget(tabs_);
    model_.setHorizontalHeaderLabels({PseudoText("Date & Time"), PseudoText("Reason for Change")});
    model_.appendRow({new QStandardItem("12/8/2026 9:41:07 AM"), new QStandardItem("Site policy")});
    view_ = new QTreeView;
    view_->setObjectName("ctlList");
    view_->setModel(&model_);
    view_->setRootIsDecorated(false);
    for (int column = 0; column < 2; ++column) view_->resizeColumnToContents(column);
    view_->header()->setStretchLastSection(false);
    layout->addWidget(view_);
    date_ = new QDateTimeEdit(QDateTime(QDate(2026, 12, 8), QTime(23, 59, 59)));
    date_->setObjectName("ctlDate");
    date_->setDisplayFormat("yyyy-MM-dd HH:mm:ss");
    date_->setCalendarPopup(true);
    layout->addWidget(date_);
    dialog_.resize(700, 500);
    dialog_.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&dialog_));
  }

  std::vector<TextProblem> Problems(bool marks = true) { return CheckTexts(&dialog_, marks); }

  static std::string Describe(const std::vector<TextProblem>& problems) {
    std::string text;
    for (const TextProblem& p : problems) text += p.ToString().toStdString() + "\n";
    return text;
  }

  QDialog dialog_;
  QLabel* label_;
  QLabel* data_;
  QPushButton* button_;
  QTabWidget* tabs_;
  QTreeView* view_;
  QDateTimeEdit* date_;
  QStandardItemModel model_;
};

TEST_F(TextCheckTest, WholeTextsPass) { EXPECT_TRUE(Problems().empty()) << Describe(Problems()); }

TEST_F(TextCheckTest, FindsTheDeliberatelyCutLabel) {
  // The grid's old fault: a fixed width that holds "Configure Compliance Se".
  label_->setFixedWidth(label_->fontMetrics().horizontalAdvance(label_->text()) * 3 / 4);
  const std::vector<TextProblem> problems = Problems();
  ASSERT_EQ(problems.size(), 1u) << Describe(problems);
  EXPECT_EQ(problems[0].kind, TextProblem::kCut);
  EXPECT_EQ(problems[0].where, "dlgTest/ctlLabel");
  EXPECT_GT(problems[0].needed, problems[0].available);
}

TEST_F(TextCheckTest, FindsACutWrappedLabelByItsHeight) {
  label_->setWordWrap(true);
  label_->setFixedSize(label_->fontMetrics().horizontalAdvance(label_->text()) / 2,
                       label_->fontMetrics().height());
  const std::vector<TextProblem> problems = Problems();
  ASSERT_EQ(problems.size(), 1u) << Describe(problems);
  EXPECT_EQ(problems[0].where, "dlgTest/ctlLabel height");
}

TEST_F(TextCheckTest, FindsCutButtonsTabsHeadingsAndCells) {
  button_->setFixedWidth(button_->fontMetrics().horizontalAdvance(button_->text()) / 2);
  view_->setColumnWidth(0, 40);
  view_->setColumnWidth(1, 40);
  tabs_->setFixedWidth(160);
  tabs_->tabBar()->setElideMode(Qt::ElideRight);
  tabs_->tabBar()->setUsesScrollButtons(false);
  QStringList where;
  for (const TextProblem& p : Problems()) where << p.where;
  EXPECT_TRUE(where.contains("dlgTest/ctlButton")) << where.join(", ").toStdString();
  EXPECT_TRUE(where.contains("dlgTest/QHeaderView heading 0")) << where.join(", ").toStdString();
  EXPECT_TRUE(where.contains("dlgTest/ctlList cell 0,0")) << where.join(", ").toStdString();
  EXPECT_TRUE(where.contains("dlgTest/ctlList cell 0,1")) << where.join(", ").toStdString();
  EXPECT_TRUE(where.filter("qt_tabwidget_tabbar tab").size() > 0) << where.join(", ").toStdString();
}

TEST_F(TextCheckTest, FindsADateFieldThatShowsPartOfItsValue) {
  // The filter bar's old fault: a squeezed field that showed "2026-12-08 23:5".
  date_->setFixedWidth(date_->sizeHint().width() * 2 / 3);
  const std::vector<TextProblem> problems = Problems();
  ASSERT_EQ(problems.size(), 1u) << Describe(problems);
  EXPECT_EQ(problems[0].where, "dlgTest/ctlDate shown value");
  EXPECT_EQ(problems[0].text, "2026-12-08 23:59:59");
}

TEST(TextCheckSidewaysTest, FindsADialogThatScrollsSideways) {
  // A dialog too big for its screen shows its contents in a scroll area;
  // one whose rows are wider than the screen scrolls sideways.
  QDialog dialog;
  dialog.setObjectName("dlgWide");
  auto* outer = new QVBoxLayout(&dialog);
  auto* scroll = new QScrollArea;
  scroll->setObjectName("screenFitScroll");
  scroll->setWidgetResizable(true);
  auto* content = new QWidget;
  content->setMinimumSize(900, 100);
  scroll->setWidget(content);
  outer->addWidget(scroll);
  dialog.resize(600, 300);
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  std::vector<TextProblem> problems = CheckTexts(&dialog, false);
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_EQ(problems[0].where, "dlgWide sideways");
  EXPECT_EQ(problems[0].needed, 900);
  EXPECT_EQ(problems[0].ToString().toStdString().rfind("dlgWide sideways: needs 900 px, has ", 0), 0u);
  // Scrolling down is what a small screen asks for.
  content->setMinimumSize(100, 900);
  QApplication::processEvents();
  EXPECT_TRUE(CheckTexts(&dialog, false).empty());
}

TEST_F(TextCheckTest, FindsTextsThatDidNotGoThroughTranslation) {
  button_->setText(QStringLiteral("&Import"));
  model_.setHorizontalHeaderLabels(
      {PseudoText("Date & Time"), QStringLiteral("Reason for Change")});
  view_->resizeColumnToContents(1);
  const std::vector<TextProblem> problems = Problems();
  ASSERT_EQ(problems.size(), 2u) << Describe(problems);
  for (const TextProblem& p : problems) EXPECT_EQ(p.kind, TextProblem::kUntranslated);
  // Data and cells need no marks; without the pseudo-locale nothing does.
  EXPECT_TRUE(Problems(false).empty()) << Describe(Problems(false));
}

}  // namespace
}  // namespace tav::host
