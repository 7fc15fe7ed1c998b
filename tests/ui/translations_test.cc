// The catalogues as the library loads them, and the texts in them: every
// translation keeps its source's placeholders, so that a format cannot read
// an argument that is not there, and its mnemonic.
#include "ui/translations.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QLocale>
#include <QRegularExpression>
#include <QTranslator>
#include <QXmlStreamReader>
#include <string>

#include "util/shown_text.h"

namespace tav {
namespace {

// A catalogue: its messages, each with its context, source and translations.
struct Message {
  QString context;
  QString source;
  QStringList translations;
  bool unfinished = false;
};

std::vector<Message> ReadCatalogue(const QString& path) {
  std::vector<Message> messages;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return messages;
  QXmlStreamReader xml(&file);
  QString context;
  bool numerus = false;
  while (!xml.atEnd()) {
    xml.readNext();
    if (!xml.isStartElement()) continue;
    if (xml.name() == u"name") context = xml.readElementText();
    if (xml.name() == u"message") {
      numerus = xml.attributes().value("numerus") == u"yes";
      messages.push_back(Message{context, {}, {}, false});
    }
    if (xml.name() == u"source") messages.back().source = xml.readElementText();
    if (xml.name() != u"translation") continue;
    Message& message = messages.back();
    message.unfinished = xml.attributes().value("type") == u"unfinished";
    if (!numerus) {
      message.translations << xml.readElementText();
      continue;
    }
    while (xml.readNextStartElement()) message.translations << xml.readElementText();
  }
  return messages;
}

// The placeholders of a text, sorted: "%1", "%n", "%s", "%ld", "%d".
QStringList Placeholders(const QString& text) {
  static const QRegularExpression pattern(QStringLiteral("%(?:L?\\d+|n|l?[sdu]|%)"));
  QStringList found;
  for (auto it = pattern.globalMatch(text); it.hasNext();) found << it.next().captured();
  found.sort();
  return found;
}

// "&X" marks X as the shortcut; "&&" and "& " ("Date & Time") are text.
bool HasMnemonic(const QString& text) {
  QString plain = text;
  plain.remove(QStringLiteral("&&"));
  static const QRegularExpression mnemonic(QStringLiteral("&[^\\s]"));
  return plain.contains(mnemonic);
}

class CatalogueTest : public ::testing::TestWithParam<const char*> {};

TEST_P(CatalogueTest, EveryTextIsTranslatedWithItsPlaceholdersAndMnemonic) {
  const QString path =
      QStringLiteral(TAV_TRANSLATIONS_SOURCE_DIR "/tavsecurityui_%1.ts").arg(GetParam());
  const std::vector<Message> messages = ReadCatalogue(path);
  ASSERT_GT(messages.size(), 200u) << qPrintable(path);
  for (const Message& m : messages) {
    const std::string where = (m.context + ": " + m.source).toStdString();
    EXPECT_FALSE(m.unfinished) << where;
    ASSERT_FALSE(m.translations.isEmpty()) << where;
    for (const QString& translation : m.translations) {
      EXPECT_FALSE(translation.trimmed().isEmpty()) << where;
      EXPECT_EQ(Placeholders(translation), Placeholders(m.source))
          << where << " -> " << translation.toStdString();
      EXPECT_EQ(HasMnemonic(translation), HasMnemonic(m.source)) << where;
      // Line breaks lay out the boxes' texts: the same number, so that no
      // line grows to twice its width.
      EXPECT_EQ(translation.count('\n'), m.source.count('\n')) << where;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Languages, CatalogueTest, ::testing::Values("de", "fr"));

// The built catalogues beside the library, chosen by locale, with English
// for a language without one.
TEST(LoadCatalogueTest, ChoosesTheLanguageAndFallsBackToEnglish) {
  int argc = 1;
  char name[] = "translations_test";
  char* argv[] = {name, nullptr};
  QCoreApplication app(argc, argv);
  // The catalogues as the build puts them beside the library.
  const QStringList folders = {QStringLiteral(TAV_BUILT_TRANSLATIONS_DIR)};

  QTranslator german;
  ASSERT_TRUE(LoadCatalogue(german, QLocale(QLocale::German, QLocale::Switzerland), folders));
  EXPECT_EQ(german.translate("tav::Logon", "User Login"), QStringLiteral("Benutzeranmeldung"));
  // The regulation keeps its citation in every language.
  EXPECT_TRUE(german.translate("tav::ESignature", "Per FDA 21 CFR Part 11 Regulation, 11.10(g) :")
                  .contains(QStringLiteral("21 CFR Part 11, 11.10(g)")));

  QTranslator french;
  ASSERT_TRUE(LoadCatalogue(french, QLocale(QLocale::French, QLocale::Canada), folders));
  EXPECT_EQ(french.translate("tav::RunList", "Run List"), QStringLiteral("Liste des runs"));

  QTranslator none;
  EXPECT_FALSE(LoadCatalogue(none, QLocale(QLocale::English, QLocale::UnitedStates), folders));
  EXPECT_FALSE(LoadCatalogue(none, QLocale(QLocale::Japanese, QLocale::Japan), folders));

  // Through the logic's hook, with plurals chosen by the count.
  QCoreApplication::installTranslator(&german);
  SetTextTranslator([](const char* context, const char* source, const char* disambiguation, int n) {
    return QCoreApplication::translate(context, source, disambiguation, n).toStdString();
  });
  EXPECT_EQ(TranslateText("tav::SystemAudit", "%n events, chain intact", "", 3),
            "3 Ereignisse, Kette intakt");
  EXPECT_EQ(TranslateText("tav::SystemAudit", "a text without a translation"),
            "a text without a translation");
  SetTextTranslator(nullptr);
  QCoreApplication::removeTranslator(&german);
}

TEST(ShownTextTest, WithoutTranslatorTheSourceStaysWithItsCount) {
  SetTextTranslator(nullptr);
  EXPECT_EQ(TranslateText("tav::SystemAudit", "%n events, chain intact", "", 12),
            "12 events, chain intact");
  EXPECT_EQ(TranslateText("ctx", "100%% of %n", nullptr, 4), "100%% of 4");
  EXPECT_EQ(TranslateText("ctx", "%n stays when no count is given"),
            "%n stays when no count is given");
  EXPECT_EQ(TranslateText("ctx", nullptr), "");
}

}  // namespace
}  // namespace tav
