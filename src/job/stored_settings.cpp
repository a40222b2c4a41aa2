#include "job/stored_settings.h"

#include "text/text_utils.h"
#include "text/unicode.h"
#include "word/automation/paper_sizes.h"

namespace tomeshift {

std::u16string FactoryHeadingSpec(int level) {
  return u"Calibri," + IntToStr(29 - 2 * level) + (level == 1 ? u",0,[BU]" : u",0,[]");
}

TStoredValues FactoryValues() {
  TStoredValues v;
  for (int n = 1; n <= 9; ++n) SpecToFont(FactoryHeadingSpec(n), v.HeadingFont[static_cast<std::size_t>(n)]);
  return v;
}

namespace {

constexpr int kMinPaper = kMinPaperMm, kMaxPaper = kMaxPaperMm;
constexpr int kMaxMargin = 999;
constexpr int kMinText = 10;  // mm of text the margins must leave across and down the page

std::string Quoted(std::u16string_view name) { return "\"" + U8(name) + "\""; }

// A value outside low..high goes back to factory, with a line saying so.
void Fix(int& value, int low, int high, int factory, std::u16string_view name, std::vector<std::string>& notes) {
  if (value >= low && value <= high) return;
  notes.push_back(Quoted(name) + "=" + std::to_string(value) + " is out of range (" + std::to_string(low) + " to " +
                  std::to_string(high) + "); " + std::to_string(factory) + " is used");
  value = factory;
}

// The page in whole millimetres: a custom size as given, else the paper code's size.
std::pair<int, int> PageMillimetres(const TDocPDFSettings& s) {
  if (s.PaperSize == word::paper::kCustom) return {s.Width, s.Height};
  const auto twips = word::PaperSizeTwips(s.PaperSize);
  if (!twips) return {0, 0};
  // 1 mm = 1440 / 25.4 twips, to the nearest millimetre.
  const auto mm = [](int t) { return static_cast<int>((t * 254LL + 7200) / 14400); };
  return {mm(twips->first), mm(twips->second)};
}

}  // namespace

std::vector<std::string> FixRanges(TStoredValues& v) {
  const TStoredValues f = FactoryValues();
  std::vector<std::string> notes;
  if (v.PaperSize == kCustomPaperIndex) {
    Fix(v.Width, kMinPaper, kMaxPaper, 220, u"Width", notes);
    Fix(v.Height, kMinPaper, kMaxPaper, 280, u"Height", notes);
  }
  Fix(v.Top, 0, kMaxMargin, f.Top, u"Top", notes);
  Fix(v.Bottom, 0, kMaxMargin, f.Bottom, u"Bottom", notes);
  Fix(v.Left, 0, kMaxMargin, f.Left, u"Left", notes);
  Fix(v.Right, 0, kMaxMargin, f.Right, u"Right", notes);
  if (!PageSetupProblem(ToConversionSettings(v)).empty()) {
    notes.push_back(
        "the margins " + std::to_string(v.Top) + ", " + std::to_string(v.Bottom) + ", " + std::to_string(v.Left) +
        " and " + std::to_string(v.Right) + " mm leave no room for text on the page; " + std::to_string(f.Top) + ", " +
        std::to_string(f.Bottom) + ", " + std::to_string(f.Left) + " and " + std::to_string(f.Right) + " mm are used");
    v.Top = f.Top;
    v.Bottom = f.Bottom;
    v.Left = f.Left;
    v.Right = f.Right;
  }
  Fix(v.ShowLevel, 1, 9, f.ShowLevel, u"ShowLevel", notes);
  Fix(v.StartNewPage, 0, 2, f.StartNewPage, u"StartNewPage", notes);
  for (std::size_t n = 1; n <= 9; ++n) {
    TFont& font = v.HeadingFont[n];
    const std::u16string name = u"Heading" + IntToStr(static_cast<int>(n));
    if (font.Name.empty() || font.Size < 1 || font.Size > kMaxHeadingPoints) {
      notes.push_back(Quoted(name) + "=\"" + U8(FontToSpec(font)) +
                      "\" is out of range (a font name and a size from 1 to " + std::to_string(kMaxHeadingPoints) +
                      "); \"" + U8(FactoryHeadingSpec(static_cast<int>(n))) + "\" is used");
      font = f.HeadingFont[n];
    }
  }
  return notes;
}

std::string PageSetupProblem(const TDocPDFSettings& s) {
  if (s.PaperSize == word::paper::kCustom) {
    for (const auto& [side, value] : {std::pair<const char*, int>{"width", s.Width}, {"height", s.Height}}) {
      if (value < kMinPaper || value > kMaxPaper)
        return std::string("The paper ") + side + " of " + std::to_string(value) + " mm is out of range (" +
               std::to_string(kMinPaper) + " to " + std::to_string(kMaxPaper) + " mm).";
    }
  }
  const auto [width, height] = PageMillimetres(s);
  if (width == 0) return {};  // a paper code of no known size: the document engine decides
  if (s.Left < 0 || s.Right < 0 || s.Top < 0 || s.Bottom < 0) return "The margins cannot be negative.";
  if (width - s.Left - s.Right < kMinText)
    return "The left and right margins (" + std::to_string(s.Left) + " and " + std::to_string(s.Right) +
           " mm) leave no room for text on a page " + std::to_string(width) + " mm wide.";
  if (height - s.Top - s.Bottom < kMinText)
    return "The top and bottom margins (" + std::to_string(s.Top) + " and " + std::to_string(s.Bottom) +
           " mm) leave no room for text on a page " + std::to_string(height) + " mm high.";
  return {};
}

TDocPDFSettings ToConversionSettings(const TStoredValues& v) {
  TDocPDFSettings c;
  if (v.PaperSize >= 0 && v.PaperSize <= kCustomPaperIndex)
    c.PaperSize = kPaperCodes[static_cast<std::size_t>(v.PaperSize)];
  c.Height = v.Height;
  c.Width = v.Width;
  c.Top = v.Top;
  c.Bottom = v.Bottom;
  c.Left = v.Left;
  c.Right = v.Right;
  c.ShowLevel = v.ShowLevel;
  c.Cover = v.Cover;
  c.Header = v.Header;
  c.Footer = v.Footer;
  c.Toc = v.Toc;
  c.TitleNumber = v.TitleNumber;
  c.AddHint = v.AddHint;
  c.TOCCaption = v.TOCCaption;
  c.HintFormat = v.HintFormat;
  c.Addenda = v.Addenda;
  c.StartNewPage = v.StartNewPage;
  c.Panes = v.Panes;
  c.Magnification = v.Magnification;
  c.PageLayout = v.PageLayout;
  c.Discard = v.Discard;
  c.ExactPages = v.ExactPages;
  for (std::size_t n = 1; n <= 9; ++n) c.HeadingFont[n] = v.HeadingFont[n];
  return c;
}

std::u16string TStoredSettings::ReadPath(std::u16string_view name) {
  // The factory settings never write the two paths, so a mistyped one would fail every retry: it
  // reads as empty instead.
  try {
    return store_.ReadString(name);
  } catch (const SettingsValueError&) {
    return {};
  }
}

bool TStoredSettings::Read(TStoredValues& v, std::string* reason) {
  try {
    v.SourceFile = ReadPath(u"SourceFile");
    v.WordFile = ReadPath(u"WordFile");
    v.PaperSize = store_.ReadInteger(u"PaperSize");
    v.Height = store_.ReadInteger(u"Height");
    v.Width = store_.ReadInteger(u"Width");
    v.Top = store_.ReadInteger(u"Top");
    v.Bottom = store_.ReadInteger(u"Bottom");
    v.Left = store_.ReadInteger(u"Left");
    v.Right = store_.ReadInteger(u"Right");
    v.Cover = store_.ReadBool(u"Cover");
    v.Header = store_.ReadBool(u"Header");
    v.Footer = store_.ReadBool(u"Footer");
    v.Toc = store_.ReadBool(u"Toc");
    v.ShowLevel = store_.ReadInteger(u"ShowLevel");
    v.StartNewPage = store_.ReadInteger(u"StartNewPage");
    v.TitleNumber = store_.ReadBool(u"TitleNumber");
    v.TOCCaption = store_.ReadString(u"TOCCaption");
    v.AddHint = store_.ReadBool(u"AddHint");
    v.HintFormat = store_.ReadString(u"HintFormat");
    v.Discard = store_.ReadBool(u"Discard");
    v.Addenda = store_.ReadString(u"Addenda");
    // Newer than the other values: a file written before it keeps its settings and gets the default.
    if (store_.ValueExists(u"ExactPages")) v.ExactPages = store_.ReadBool(u"ExactPages");
    for (int n = 1; n <= 9; ++n) {
      const std::u16string name = u"Heading" + IntToStr(n);
      if (!store_.ValueExists(name)) {
        if (reason) *reason = "missing value: \"" + U8(name) + "\"";
        return false;
      }
      try {
        SpecToFont(store_.ReadString(name), v.HeadingFont[static_cast<std::size_t>(n)]);
      } catch (const EConvertError& e) {
        if (reason) *reason = std::string(e.what()) + " in \"" + U8(name) + "\"";
        return false;
      }
    }
  } catch (const SettingsValueError& e) {
    if (reason) *reason = e.what();
    return false;
  }
  return true;
}

TStoredValues TStoredSettings::LoadSettings(const TStoredValues& base) {
  TStoredValues v = base;
  if (Read(v)) return v;
  WriteDefaultSettings();
  v = base;
  if (Read(v)) return v;
  // The factory settings did not read back (another program changing the file meanwhile): once
  // more, then give up rather than loop.
  WriteDefaultSettings();
  v = base;
  if (Read(v)) return v;
  throw TomeshiftError("the stored settings cannot be read back after writing the original settings");
}

void TStoredSettings::WritePageAndElements(const TStoredValues& v) {
  store_.WriteInteger(u"PaperSize", v.PaperSize);
  store_.WriteInteger(u"Height", v.Height);
  store_.WriteInteger(u"Width", v.Width);
  store_.WriteInteger(u"Top", v.Top);
  store_.WriteInteger(u"Bottom", v.Bottom);
  store_.WriteInteger(u"Left", v.Left);
  store_.WriteInteger(u"Right", v.Right);
  store_.WriteBool(u"Cover", v.Cover);
  store_.WriteBool(u"Header", v.Header);
  store_.WriteBool(u"Footer", v.Footer);
  store_.WriteBool(u"Toc", v.Toc);
  store_.WriteInteger(u"ShowLevel", v.ShowLevel);
  store_.WriteString(u"TOCCaption", v.TOCCaption);
}

void TStoredSettings::WriteEnhancement(const TStoredValues& v) {
  store_.WriteBool(u"TitleNumber", v.TitleNumber);
  store_.WriteBool(u"AddHint", v.AddHint);
  store_.WriteString(u"HintFormat", v.HintFormat);
  store_.WriteInteger(u"StartNewPage", v.StartNewPage);
  store_.WriteBool(u"Discard", v.Discard);
  store_.WriteString(u"Addenda", v.Addenda);
  store_.WriteBool(u"ExactPages", v.ExactPages);
}

void TStoredSettings::WriteHeadingFonts(const TStoredValues& v) {
  for (int n = 1; n <= 9; ++n)
    store_.WriteString(u"Heading" + IntToStr(n), FontToSpec(v.HeadingFont[static_cast<std::size_t>(n)]));
}

void TStoredSettings::WriteDefaultSettings() {
  SettingsUpdate update(store_);
  const TStoredValues f;
  WritePageAndElements(f);
  WriteEnhancement(f);
  for (int n = 1; n <= 9; ++n) store_.WriteString(u"Heading" + IntToStr(n), FactoryHeadingSpec(n));
  update.Commit();
}

void TStoredSettings::SaveSettings(const TStoredValues& v) {
  SettingsUpdate update(store_);
  store_.WriteString(u"SourceFile", v.SourceFile);
  store_.WriteString(u"WordFile", v.WordFile);
  WritePageAndElements(v);
  WriteEnhancement(v);
  WriteHeadingFonts(v);
  update.Commit();
}

void TStoredSettings::SaveAfterConversion(const TStoredValues& v) {
  SettingsUpdate update(store_);
  store_.WriteString(u"SourceFile", v.SourceFile);
  store_.WriteString(u"WordFile", v.WordFile);
  WritePageAndElements(v);
  store_.WriteInteger(u"Panes", v.Panes);
  store_.WriteInteger(u"Magnification", v.Magnification);
  store_.WriteInteger(u"PageLayout", v.PageLayout);
  WriteEnhancement(v);
  // Like every other choice, the heading fonts of the run are kept for the next start.
  WriteHeadingFonts(v);
  update.Commit();
}

}  // namespace tomeshift
