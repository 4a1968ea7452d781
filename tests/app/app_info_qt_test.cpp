#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QLocale>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTranslator>
#include <QXmlStreamReader>

#include "BuildConfig.h"
#include "app/qt/AppInfo.h"
#include "app/qt/QtLocale.h"
#include "rating/RatingPrompt.h"

// The application's information (its version and name), the shipped translations and their
// loading.

namespace storm::qt {
namespace {

TEST(AppInfo, WithoutAFileTheBuildGivesTheNameAndTheProjectVersion) {
  AppInfo info;
  EXPECT_EQ(info.infoString(kCFBundleVersionKey), build::kVersion);
  EXPECT_EQ(info.infoString(kCFBundleNameKey), "Storm Distance");
  EXPECT_EQ(info.infoString("CFBundleIdentifier"), std::nullopt);
}

// The file is read again at each call: what it says now is what counts.
TEST(AppInfo, TheFileIsReadAfreshAtEachCall) {
  QTemporaryDir dir;
  QFile file(dir.path() + "/Info.json");
  auto write = [&](const QByteArray& content) {
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
    file.close();
  };
  write(R"({"CFBundleVersion":"2.5","CFBundleName":"Gewitter"})");
  AppInfo info(file.fileName());
  EXPECT_EQ(info.infoString(kCFBundleVersionKey), "2.5");
  write(R"({"CFBundleVersion":"2.6"})");
  EXPECT_EQ(info.infoString(kCFBundleVersionKey), "2.6");
  EXPECT_EQ(info.infoString(kCFBundleNameKey), std::nullopt);
}

struct InfoCase {
  const char* name;
  QByteArray content;  // empty: no file at all
  std::optional<std::string> version;
  std::optional<std::string> bundleName;
  bool complains;
};

void PrintTo(const InfoCase& c, std::ostream* os) { *os << c.name; }

class InfoFile : public ::testing::TestWithParam<InfoCase> {};

// A usable file replaces the build's values; an unusable one is reported and the build's values
// stand in, so that the application never loses its version.
TEST_P(InfoFile, ReplacesTheBuiltInDictionaryOnlyWhenUsable) {
  const InfoCase& c = GetParam();
  QTemporaryDir dir;
  const QString path = dir.path() + "/Info.json";
  if (!c.content.isEmpty()) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(c.content);
  }
  ::testing::internal::CaptureStderr();
  AppInfo info(path);
  const std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(info.infoString(kCFBundleVersionKey), c.version);
  EXPECT_EQ(info.infoString(kCFBundleNameKey), c.bundleName);
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), c.complains ? 1 : 0) << err;
}

INSTANTIATE_TEST_SUITE_P(
    App, InfoFile,
    ::testing::Values(InfoCase{"Both", R"({"CFBundleVersion":"2.5","CFBundleName":"Gewitter"})", "2.5", "Gewitter",
                               false},
                      InfoCase{"VersionOnly", R"({"CFBundleVersion":"2.5"})", "2.5", std::nullopt, false},
                      InfoCase{"Neither", R"({})", std::nullopt, std::nullopt, false},
                      InfoCase{"VersionNotAString", R"({"CFBundleVersion":2.5,"CFBundleName":"X"})", build::kVersion,
                               "Storm Distance", true},
                      InfoCase{"NotJson", "CFBundleVersion = 2.5", build::kVersion, "Storm Distance", true},
                      InfoCase{"NotAnObject", R"(["2.5"])", build::kVersion, "Storm Distance", true},
                      InfoCase{"Empty", " ", build::kVersion, "Storm Distance", true},
                      InfoCase{"Missing", "", build::kVersion, "Storm Distance", true}),
    [](const auto& info) { return std::string(info.param.name); });

// Each translatable text of a form, with the context uic translates it in.
std::vector<std::pair<QString, QString>> layoutTexts(const QString& resource) {
  QFile file(resource);
  EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << resource.toStdString();
  QXmlStreamReader xml(&file);
  QString context;
  std::vector<std::pair<QString, QString>> texts;
  bool inStdProperty = false;
  while (!xml.atEnd()) {
    xml.readNext();
    if (!xml.isStartElement()) continue;
    if (xml.name() == u"class" && context.isEmpty())
      context = xml.readElementText();
    else if (xml.name() == u"property")
      inStdProperty = xml.attributes().value("stdset") != u"0";
    else if (xml.name() == u"string" && inStdProperty && xml.attributes().value("notr") != u"true") {
      const QString text = xml.readElementText();
      if (text.contains(QRegularExpression("[A-Za-z]"))) texts.emplace_back(context, text);
    }
  }
  return texts;
}

class Translation : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(translator_.load(QString(":/translations/storm-distance_%1.qm").arg(GetParam())));
    QCoreApplication::installTranslator(&translator_);
  }
  void TearDown() override { QCoreApplication::removeTranslator(&translator_); }
  QTranslator translator_;
};

TEST_P(Translation, CoversTheDialogAndEveryLayoutText) {
  QtLocale bundle;
  for (const char* key : {"Rate %@", "No, Thanks", "Remind me later",
                          "If you enjoy using %@, would you mind taking a moment to rate it? It won't take more than a "
                          "minute. Thanks for your support!"}) {
    const std::string text = bundle.localizedString(key);
    EXPECT_NE(text, key) << GetParam();
    EXPECT_EQ(std::string(key).find("%@") != std::string::npos, text.find("%@") != std::string::npos)
        << GetParam() << ": " << text;
  }
  for (const char* layout : {STORM_SOURCE_DIR "/screens/Main.ui", STORM_SOURCE_DIR "/screens/Flipside.ui"}) {
    for (const auto& [context, text] : layoutTexts(layout)) {
      EXPECT_FALSE(translator_.translate(qPrintable(context), qPrintable(text)).isEmpty())
          << GetParam() << " lacks " << context.toStdString() << ": " << text.left(40).toStdString();
    }
  }
  EXPECT_EQ(bundle.localizedString("No such text"), "No such text");
}

INSTANTIATE_TEST_SUITE_P(App, Translation, ::testing::Values("de", "fr", "es"));

TEST(Translations, TheUsersLanguageIsInstalledAndEnglishNeedsNone) {
  const QLocale before;
  auto installed = [] { return QCoreApplication::instance()->findChildren<QTranslator*>(); };
  auto uninstall = [&] {
    for (QTranslator* t : installed()) {
      QCoreApplication::removeTranslator(t);
      t->deleteLater();
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  };
  QtLocale bundle;

  QLocale::setDefault(QLocale("fr_CA"));
  installTranslations();
  EXPECT_EQ(bundle.localizedString("No, Thanks"), "Non, merci");
  uninstall();

  QLocale::setDefault(QLocale("en_GB"));
  installTranslations();
  EXPECT_TRUE(installed().isEmpty());
  EXPECT_EQ(bundle.localizedString("No, Thanks"), "No, Thanks");

  QLocale::setDefault(before);
}

}  // namespace
}  // namespace storm::qt
