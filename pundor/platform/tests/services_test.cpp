// The registry stand-in, the help viewer and the program's version.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "platform/html_help.h"
#include "platform/registry.h"
#include "platform/version.h"

namespace platform {
namespace {

TEST(RegistryKey, OpensAndClosesAtTheSamePoints) {
  RegistryKey key;
  EXPECT_FALSE(key.IsOpen());
  EXPECT_TRUE(key.OpenKey("Software\\Velkaro\\Orvanta", true));
  EXPECT_TRUE(key.IsOpen());
  EXPECT_EQ(key.CurrentPath(), "Software\\Velkaro\\Orvanta");
  key.CloseKey();
  EXPECT_FALSE(key.IsOpen());
}

class HelpViewer : public testing::Test {
 protected:
  void TearDown() override { HtmlHelp::SetViewer({}); }
  QTemporaryDir folder;
};

TEST_F(HelpViewer, AMissingViewerIsTheComponentMissing) {
  HtmlHelp::SetViewer(folder.filePath("no-viewer"));
  HtmlHelp::LoadResult result = HtmlHelp::LoadResult::Loaded;
  EXPECT_EQ(HtmlHelp::Load(result), nullptr);
  EXPECT_EQ(result, HtmlHelp::LoadResult::ComponentMissing);
}

TEST_F(HelpViewer, AViewerThatCannotRunIsTheEntryPointMissing) {
  const QString viewer = folder.filePath("viewer");
  QFile(viewer).open(QIODevice::WriteOnly);
  HtmlHelp::SetViewer(viewer);
  HtmlHelp::LoadResult result = HtmlHelp::LoadResult::Loaded;
  EXPECT_EQ(HtmlHelp::Load(result), nullptr);
  EXPECT_EQ(result, HtmlHelp::LoadResult::EntryPointMissing);
}

TEST_F(HelpViewer, OpensTheHelpFileInTheViewer) {
  const QString viewer = folder.filePath("viewer");
  const QString record = folder.filePath("opened");
  QFile script(viewer);
  ASSERT_TRUE(script.open(QIODevice::WriteOnly));
  script.write(("#!/bin/sh\necho \"$1\" > '" + record + "'\n").toUtf8());
  script.close();
  script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  HtmlHelp::SetViewer(viewer);
  HtmlHelp::LoadResult result = HtmlHelp::LoadResult::ComponentMissing;
  auto help = HtmlHelp::Load(result);
  ASSERT_NE(help, nullptr);
  EXPECT_EQ(result, HtmlHelp::LoadResult::Loaded);
  EXPECT_TRUE(help->DisplayTopic("/opt/orvanta/pundor.chm"));
  ASSERT_TRUE(QTest::qWaitFor([&] { return QFile(record).size() > 0; }, 5000));
  QFile opened(record);
  opened.open(QIODevice::ReadOnly);
  EXPECT_EQ(opened.readAll().trimmed(), "/opt/orvanta/pundor.chm");
  help->CloseAll();
}

TEST(ProgramVersion, ComesFromTheBuildInFourParts) {
  const auto version = ProgramFileVersion();
  ASSERT_TRUE(version.has_value());
  EXPECT_EQ(version->mostSignificant, 1u << 16);
  EXPECT_EQ(version->leastSignificant, 0u);
}

TEST(ProgramVersion, CanBeReplacedOrRemovedAndRestored) {
  SetProgramFileVersion(ParseFileVersion("3.4.5.6"));
  EXPECT_EQ(ProgramFileVersion()->mostSignificant, 3u << 16 | 4u);
  SetProgramFileVersion(std::nullopt);
  EXPECT_FALSE(ProgramFileVersion().has_value());
  ResetProgramFileVersion();
  EXPECT_EQ(ProgramFileVersion()->mostSignificant, 1u << 16);
}

TEST(ProgramVersion, ParsesFourNumbersOnly) {
  const auto version = ParseFileVersion("3.4.5.6");
  ASSERT_TRUE(version.has_value());
  EXPECT_EQ(version->mostSignificant, 3u << 16 | 4u);
  EXPECT_EQ(version->leastSignificant, 5u << 16 | 6u);
  EXPECT_FALSE(ParseFileVersion("1.0.0").has_value());
  EXPECT_FALSE(ParseFileVersion("1.0.0.70000").has_value());
  EXPECT_FALSE(ParseFileVersion("a.b.c.d").has_value());
}

}  // namespace
}  // namespace platform
