#include "app/stored_settings.h"

#include "text/text_utils.h"

namespace tomeshift::app {

std::u16string FactoryHeadingSpec(int level) {
  return u"Calibri," + IntToStr(29 - 2 * level) + (level == 1 ? u",0,[BU]" : u",0,[]");
}

std::u16string StoredSettings::ReadPath(std::u16string_view name) {
  // The factory settings never write the two paths, so a mistyped one would fail every retry: it
  // reads as empty instead.
  try {
    return store_.ReadString(name);
  } catch (const SettingsValueError&) {
    return {};
  }
}

bool StoredSettings::TryLoad(WindowSettings& s) {
  try {
    s.SourceFile = ReadPath(u"SourceFile");
    s.WordFile = ReadPath(u"WordFile");
    s.PaperSize = store_.ReadInteger(u"PaperSize");
    s.Height = store_.ReadInteger(u"Height");
    s.Width = store_.ReadInteger(u"Width");
    s.Top = store_.ReadInteger(u"Top");
    s.Bottom = store_.ReadInteger(u"Bottom");
    s.Left = store_.ReadInteger(u"Left");
    s.Right = store_.ReadInteger(u"Right");
    s.Cover = store_.ReadBool(u"Cover");
    s.Header = store_.ReadBool(u"Header");
    s.Footer = store_.ReadBool(u"Footer");
    s.Toc = store_.ReadBool(u"Toc");
    s.ShowLevel = store_.ReadInteger(u"ShowLevel");
    s.StartNewPage = store_.ReadInteger(u"StartNewPage");
    s.TitleNumber = store_.ReadBool(u"TitleNumber");
    s.TOCCaption = store_.ReadString(u"TOCCaption");
    s.AddHint = store_.ReadBool(u"AddHint");
    s.HintFormat = store_.ReadString(u"HintFormat");
    s.Discard = store_.ReadBool(u"Discard");
    s.Addenda = store_.ReadString(u"Addenda");
    for (int n = 1; n <= 9; ++n) {
      const std::u16string name = u"Heading" + IntToStr(n);
      if (!store_.ValueExists(name)) return false;
      SpecToFont(store_.ReadString(name), s.HeadingFont[n]);
    }
  } catch (const SettingsValueError&) {
    return false;
  } catch (const EConvertError&) {
    return false;
  }
  return true;
}

WindowSettings StoredSettings::LoadSettings(const WindowSettings& base) {
  WindowSettings s = base;
  if (TryLoad(s)) return s;
  WriteDefaultSettings();
  s = base;
  if (TryLoad(s)) return s;
  // The factory settings did not read back (another program changing the file meanwhile): once
  // more, then give up rather than loop.
  WriteDefaultSettings();
  s = base;
  if (TryLoad(s)) return s;
  throw TomeshiftError("the stored settings cannot be read back after writing the original settings");
}

void StoredSettings::WriteDefaultSettings() {
  SettingsUpdate update(store_);
  const WindowSettings f;
  store_.WriteInteger(u"PaperSize", f.PaperSize);
  store_.WriteInteger(u"Height", f.Height);
  store_.WriteInteger(u"Width", f.Width);
  store_.WriteInteger(u"Top", f.Top);
  store_.WriteInteger(u"Bottom", f.Bottom);
  store_.WriteInteger(u"Left", f.Left);
  store_.WriteInteger(u"Right", f.Right);
  store_.WriteBool(u"Cover", f.Cover);
  store_.WriteBool(u"Header", f.Header);
  store_.WriteBool(u"Footer", f.Footer);
  store_.WriteBool(u"Toc", f.Toc);
  store_.WriteInteger(u"ShowLevel", f.ShowLevel);
  store_.WriteString(u"TOCCaption", f.TOCCaption);
  store_.WriteBool(u"TitleNumber", f.TitleNumber);
  store_.WriteBool(u"AddHint", f.AddHint);
  store_.WriteString(u"HintFormat", f.HintFormat);
  store_.WriteInteger(u"StartNewPage", f.StartNewPage);
  store_.WriteBool(u"Discard", f.Discard);
  store_.WriteString(u"Addenda", f.Addenda);
  for (int n = 1; n <= 9; ++n) store_.WriteString(u"Heading" + IntToStr(n), FactoryHeadingSpec(n));
  update.Commit();
}

void StoredSettings::SaveSettings(const WindowSettings& s) {
  SettingsUpdate update(store_);
  store_.WriteString(u"SourceFile", s.SourceFile);
  store_.WriteString(u"WordFile", s.WordFile);
  store_.WriteInteger(u"PaperSize", s.PaperSize);
  store_.WriteInteger(u"Height", s.Height);
  store_.WriteInteger(u"Width", s.Width);
  store_.WriteInteger(u"Top", s.Top);
  store_.WriteInteger(u"Bottom", s.Bottom);
  store_.WriteInteger(u"Left", s.Left);
  store_.WriteInteger(u"Right", s.Right);
  store_.WriteBool(u"Cover", s.Cover);
  store_.WriteBool(u"Header", s.Header);
  store_.WriteBool(u"Footer", s.Footer);
  store_.WriteBool(u"Toc", s.Toc);
  store_.WriteInteger(u"ShowLevel", s.ShowLevel);
  store_.WriteString(u"TOCCaption", s.TOCCaption);
  store_.WriteBool(u"TitleNumber", s.TitleNumber);
  store_.WriteBool(u"AddHint", s.AddHint);
  store_.WriteString(u"HintFormat", s.HintFormat);
  store_.WriteInteger(u"StartNewPage", s.StartNewPage);
  store_.WriteBool(u"Discard", s.Discard);
  store_.WriteString(u"Addenda", s.Addenda);
  for (int n = 1; n <= 9; ++n) store_.WriteString(u"Heading" + IntToStr(n), FontToSpec(s.HeadingFont[n]));
  update.Commit();
}

void StoredSettings::SaveAfterConversion(const WindowSettings& s) {
  SettingsUpdate update(store_);
  store_.WriteString(u"SourceFile", s.SourceFile);
  store_.WriteString(u"WordFile", s.WordFile);
  store_.WriteInteger(u"PaperSize", s.PaperSize);
  store_.WriteInteger(u"Height", s.Height);
  store_.WriteInteger(u"Width", s.Width);
  store_.WriteInteger(u"Top", s.Top);
  store_.WriteInteger(u"Bottom", s.Bottom);
  store_.WriteInteger(u"Left", s.Left);
  store_.WriteInteger(u"Right", s.Right);
  store_.WriteBool(u"Cover", s.Cover);
  store_.WriteBool(u"Header", s.Header);
  store_.WriteBool(u"Footer", s.Footer);
  store_.WriteBool(u"Toc", s.Toc);
  store_.WriteInteger(u"ShowLevel", s.ShowLevel);
  store_.WriteString(u"TOCCaption", s.TOCCaption);
  store_.WriteInteger(u"Panes", s.Panes);
  store_.WriteInteger(u"Magnification", s.Magnification);
  store_.WriteInteger(u"PageLayout", s.PageLayout);
  store_.WriteBool(u"TitleNumber", s.TitleNumber);
  store_.WriteBool(u"AddHint", s.AddHint);
  store_.WriteString(u"HintFormat", s.HintFormat);
  store_.WriteInteger(u"StartNewPage", s.StartNewPage);
  store_.WriteBool(u"Discard", s.Discard);
  store_.WriteString(u"Addenda", s.Addenda);
  update.Commit();
}

}  // namespace tomeshift::app
