#include "job/stored_settings.h"

#include <gtest/gtest.h>

#include <functional>

#include "support/scratch_dir.h"

namespace tomeshift {
namespace {

using testing::ReadBinaryFile;
using testing::ScratchDir;

struct Store {
  ScratchDir dir;
  std::string path = (dir.path() / "Quorvel/Tomeshift.reg").string();
  RegistryFileStore store{path, kSettingsKey};
};

// Values a user might have saved: every field away from its factory value.
TStoredValues UserValues() {
  TStoredValues v = FactoryValues();
  v.SourceFile = u"/home/u/help/guide.chm";
  v.WordFile = u"/home/u/guide.doc";
  v.PaperSize = 6;
  v.Height = 280;
  v.Width = 220;
  v.Top = 7;
  v.Bottom = 8;
  v.Left = 9;
  v.Right = 10;
  v.Cover = v.Header = v.Footer = v.Toc = false;
  v.ShowLevel = 2;
  v.TOCCaption = u"Contents";
  v.TitleNumber = v.AddHint = false;
  v.HintFormat = u"-> [Title No.]";
  v.StartNewPage = 2;
  v.Discard = true;
  v.Addenda = u"More";
  v.ExactPages = false;
  v.HeadingFont[5].Name = u"Arial";
  v.HeadingFont[5].Size = 14;
  v.HeadingFont[5].Italic = true;
  return v;
}

TEST(StoredSettings, FirstRunWritesTheFactorySettingsAndReadsThemBack) {
  Store s;
  TStoredSettings settings(s.store);
  const TStoredValues loaded = settings.LoadSettings(TStoredValues{});
  EXPECT_EQ(loaded, FactoryValues());
  EXPECT_TRUE(loaded.SourceFile.empty());
  EXPECT_EQ(loaded.HeadingFont[1].Size, 27);
  EXPECT_TRUE(loaded.HeadingFont[1].Bold && loaded.HeadingFont[1].Underline);
  EXPECT_EQ(loaded.HeadingFont[9].Size, 11);
  EXPECT_FALSE(loaded.HeadingFont[2].Bold);
  // The paths and the viewer choices are no factory values.
  EXPECT_FALSE(s.store.ValueExists(u"SourceFile"));
  EXPECT_FALSE(s.store.ValueExists(u"Panes"));
  EXPECT_EQ(s.store.ReadString(u"Heading1"), u"Calibri,27,0,[BU]");
  EXPECT_EQ(s.store.ReadString(u"Heading4"), u"Calibri,21,0,[]");
}

TEST(StoredSettings, SavedValuesComeBackAsTheyWere) {
  Store s;
  TStoredSettings(s.store).SaveSettings(UserValues());
  RegistryFileStore again(s.path, kSettingsKey);
  EXPECT_EQ(TStoredSettings(again).LoadSettings(TStoredValues{}), UserValues());
}

// What a damaged store reads as: the factory settings written over the user's (paths survive), or
// the user's values with only the damaged one given up.
TEST(StoredSettings, DamagedValuesAreRepairedWithoutLooping) {
  struct Case {
    const char* name;
    std::function<void(ISettingsStore&)> damage;
    bool factory_rewritten;
  };
  const Case cases[] = {
      {"heading 5 deleted", [](ISettingsStore& st) { st.DeleteValue(u"Heading5"); }, true},
      {"integer stored as text", [](ISettingsStore& st) { st.WriteString(u"PaperSize", u"4"); }, true},
      {"boolean missing", [](ISettingsStore& st) { st.DeleteValue(u"Discard"); }, true},
      {"heading size not a number", [](ISettingsStore& st) { st.WriteString(u"Heading2", u"Arial,big,0,[]"); }, true},
      {"heading text stored as a number", [](ISettingsStore& st) { st.WriteInteger(u"Heading9", 3); }, true},
      {"source path stored as a number", [](ISettingsStore& st) { st.WriteInteger(u"SourceFile", 1); }, false},
      {"output path stored as a number", [](ISettingsStore& st) { st.WriteInteger(u"WordFile", 1); }, false},
      {"heading with three fields", [](ISettingsStore& st) { st.WriteString(u"Heading3", u"Arial,12,0"); }, false},
      // Written before the setting existed: the others stay.
      {"exact pages missing", [](ISettingsStore& st) { st.DeleteValue(u"ExactPages"); }, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Store s;
    TStoredSettings settings(s.store);
    settings.SaveSettings(UserValues());
    c.damage(s.store);
    const TStoredValues loaded = settings.LoadSettings(TStoredValues{});
    if (c.factory_rewritten) {
      TStoredValues expected = FactoryValues();
      expected.SourceFile = UserValues().SourceFile;
      expected.WordFile = UserValues().WordFile;
      EXPECT_EQ(loaded, expected);
      EXPECT_EQ(s.store.ReadInteger(u"Top"), 25);
    } else {
      EXPECT_EQ(loaded.Top, 7);
      EXPECT_EQ(loaded.HeadingFont[5], UserValues().HeadingFont[5]);
    }
  }
}

TEST(StoredSettings, AReadNamesWhatIsWrongAndChangesNothing) {
  Store s;
  TStoredSettings settings(s.store);
  settings.SaveSettings(UserValues());
  s.store.WriteString(u"ShowLevel", u"two");
  const std::string before = ReadBinaryFile(s.path);
  TStoredValues v = FactoryValues();
  std::string reason;
  EXPECT_FALSE(settings.Read(v, &reason));
  EXPECT_NE(reason.find("ShowLevel"), std::string::npos) << reason;
  EXPECT_EQ(ReadBinaryFile(s.path), before);

  s.store.WriteInteger(u"ShowLevel", 2);
  s.store.DeleteValue(u"Heading7");
  EXPECT_FALSE(settings.Read(v, &reason));
  EXPECT_NE(reason.find("Heading7"), std::string::npos) << reason;
}

TEST(StoredSettings, WhatEachSaveWrites) {
  struct Case {
    const char* name;
    std::function<void(TStoredSettings&)> save;
    bool viewer_choices;
  };
  const Case cases[] = {
      {"save current settings", [](TStoredSettings& st) { st.SaveSettings(UserValues()); }, false},
      {"after a conversion", [](TStoredSettings& st) { st.SaveAfterConversion(UserValues()); }, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Store s;
    TStoredSettings settings(s.store);
    c.save(settings);
    EXPECT_EQ(s.store.ReadString(u"SourceFile"), UserValues().SourceFile);
    EXPECT_EQ(s.store.ReadInteger(u"Top"), 7);
    EXPECT_EQ(s.store.ReadString(u"Addenda"), u"More");
    EXPECT_FALSE(s.store.ReadBool(u"ExactPages"));
    EXPECT_EQ(s.store.ValueExists(u"Panes"), c.viewer_choices);
    EXPECT_EQ(s.store.ValueExists(u"Magnification"), c.viewer_choices);
    EXPECT_EQ(s.store.ValueExists(u"PageLayout"), c.viewer_choices);
    if (c.viewer_choices) {
      EXPECT_EQ(s.store.ReadInteger(u"Magnification"), 4);
    }
    // The heading fonts survive a restart either way.
    EXPECT_EQ(s.store.ReadString(u"Heading5"), FontToSpec(UserValues().HeadingFont[5]));
  }
}

TEST(StoredSettings, ValuesNoDocumentCanBeMadeWithFallBackToTheirFactoryValues) {
  struct Case {
    const char* name;
    std::function<void(TStoredValues&)> change;
    const char* note;  // nullptr: nothing to fix
    std::function<bool(const TStoredValues&)> fixed;
  };
  const Case cases[] = {
      {"sane", [](TStoredValues&) {}, nullptr, [](const TStoredValues&) { return true; }},
      {"negative margin", [](TStoredValues& v) { v.Top = -100; }, "\"Top\"=-100 is out of range (0 to 999); 25 is used",
       [](const TStoredValues& v) { return v.Top == 25; }},
      {"margins wider than the page", [](TStoredValues& v) { v.Left = v.Right = 150; },
       "the margins 25, 25, 150 and 150 mm leave no room for text on the page; 25, 25, 30 and 30 mm are used",
       [](const TStoredValues& v) { return v.Left == 30 && v.Right == 30; }},
      {"custom page of 0 x 0", [](TStoredValues& v) { v.PaperSize = 6, v.Width = 0, v.Height = 0; },
       "\"Width\"=0 is out of range (50 to 558); 220 is used",
       [](const TStoredValues& v) { return v.Width == 220 && v.Height == 280; }},
      {"custom page of 2^31-1", [](TStoredValues& v) { v.PaperSize = 6, v.Width = 2147483647, v.Height = 300; },
       "\"Width\"=2147483647 is out of range",
       [](const TStoredValues& v) { return v.Width == 220 && v.Height == 300; }},
      {"width ignored unless custom", [](TStoredValues& v) { v.Width = 2147483647; }, nullptr,
       [](const TStoredValues& v) { return v.Width == 2147483647; }},
      {"contents level", [](TStoredValues& v) { v.ShowLevel = 12; },
       "\"ShowLevel\"=12 is out of range (1 to 9); 9 is used", [](const TStoredValues& v) { return v.ShowLevel == 9; }},
      {"font of 99,999,999 points", [](TStoredValues& v) { v.HeadingFont[3].Size = 99999999; },
       "\"Heading3\"=\"Calibri,99999999,0,[]\" is out of range (a font name and a size from 1 to 100); "
       "\"Calibri,23,0,[]\" is used",
       [](const TStoredValues& v) { return v.HeadingFont[3].Size == 23; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TStoredValues v = FactoryValues();
    c.change(v);
    const std::vector<std::string> notes = FixRanges(v);
    if (c.note) {
      ASSERT_FALSE(notes.empty());
      EXPECT_NE(notes[0].find(c.note), std::string::npos) << notes[0];
      EXPECT_TRUE(PageSetupProblem(ToConversionSettings(v)).empty());
    } else {
      EXPECT_TRUE(notes.empty()) << notes.front();
    }
    EXPECT_TRUE(c.fixed(v));
  }
  // What a conversion is refused with, before it starts.
  TDocPDFSettings a4 = ToConversionSettings(FactoryValues());
  a4.Left = a4.Right = 101;
  EXPECT_EQ(PageSetupProblem(a4),
            "The left and right margins (101 and 101 mm) leave no room for text on a page 210 mm wide.");
  TDocPDFSettings custom;
  custom.PaperSize = 41;
  custom.Width = 0;
  custom.Height = 280;
  EXPECT_EQ(PageSetupProblem(custom), "The paper width of 0 mm is out of range (50 to 558 mm).");
}

TEST(StoredSettings, ConversionRecordFromStoredValues) {
  const struct {
    int index;
    int code;
  } papers[] = {{0, 2},
                {1, 23},
                {2, 4},
                {3, 6},
                {4, 7},
                {5, 11},
                {6, 41},
                {-1, TDocPDFSettings().PaperSize},
                {7, TDocPDFSettings().PaperSize}};
  for (const auto& p : papers) {
    TStoredValues v;
    v.PaperSize = p.index;
    EXPECT_EQ(ToConversionSettings(v).PaperSize, p.code) << "item " << p.index;
  }
  const TDocPDFSettings c = ToConversionSettings(UserValues());
  EXPECT_EQ(c.Height, 280);
  EXPECT_EQ(c.Width, 220);
  EXPECT_EQ(c.Top, 7);
  EXPECT_EQ(c.Right, 10);
  EXPECT_EQ(c.ShowLevel, 2);
  EXPECT_EQ(c.StartNewPage, 2);
  EXPECT_TRUE(c.Discard);
  EXPECT_FALSE(c.Cover);
  EXPECT_EQ(c.HintFormat, u"-> [Title No.]");
  EXPECT_EQ(c.Magnification, 4);
  EXPECT_EQ(c.HeadingFont[5], UserValues().HeadingFont[5]);
  // The factory record: what a conversion without stored settings gets.
  const TDocPDFSettings f = ToConversionSettings(FactoryValues());
  EXPECT_EQ(f.PaperSize, 7);
  EXPECT_EQ(f.ShowLevel, 9);
  EXPECT_TRUE(f.AddHint);
  EXPECT_EQ(f.HeadingFont[3].Name, u"Calibri");
  EXPECT_EQ(f.HeadingFont[3].Size, 23);
}

}  // namespace
}  // namespace tomeshift
