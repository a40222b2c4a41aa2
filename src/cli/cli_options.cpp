#include "cli/cli_options.h"

#include <charconv>
#include <functional>

#include "job/stored_settings.h"
#include "lang/language_tables.h"
#include "text/font_spec.h"
#include "text/text_utils.h"
#include "text/unicode.h"

namespace tomeshift::cli {

const char* const kConvertOptionsHelp =
    "Conversion options (they override the settings stored by the desktop program):\n"
    "  -o, --output FILE         the document to write (default: INPUT with .docx); .docx, .doc or\n"
    "                            .pdf (needs LibreOffice); any other extension is written as .doc\n"
    "  --factory                 start from the factory settings instead of the stored ones\n"
    "  --title TEXT              document title for the cover and the page header\n"
    "                            (default: the help file's title)\n"
    "  --language ID|NAME        read the help file with this language's code page\n"
    "                            (0x0409 or \"English (United States)\")\n"
    "  --paper SIZE              letter, tabloid, legal, a3, a4, b5, or WIDTHxHEIGHT in mm\n"
    "  --margins T,B,L,R         top, bottom, left and right margins in mm\n"
    "  --cover, --no-cover       a cover page with the title\n"
    "  --header, --no-header     the title in the page header\n"
    "  --footer, --no-footer     page numbers in the page footer\n"
    "  --toc, --no-toc           a table of contents\n"
    "  --toc-level N             lowest heading level in the table of contents (1-9)\n"
    "  --toc-caption TEXT        caption above the table of contents\n"
    "  --title-number, --no-title-number\n"
    "                            chapter numbers before the topic headings\n"
    "  --start-new-page MODE     continuous, first-level (a new page before each first-level topic)\n"
    "                            or each (before every topic)\n"
    "  --heading-font N=SPEC     font of heading level N (1-9) as \"Name,Size,Colour,[BIU]\",\n"
    "                            e.g. --heading-font 1=\"Arial,20,0,[B]\"\n"
    "  --hint, --no-hint         a hint after each cross-reference\n"
    "  --hint-format TEXT        form of the hint; [Title No.] is the target's chapter number\n"
    "  --exact-pages, --no-exact-pages\n"
    "                            lay the document out in LibreOffice (when installed) so that the\n"
    "                            contents shows the real page numbers (default: on)\n"
    "  --discard                 drop pages that the contents does not list\n"
    "  --addenda TEXT            heading of the chapter that gathers pages outside the contents\n"
    "  --open                    open the document with xdg-open when it is done\n"
    "  --quiet                   no progress, only errors\n";

namespace {

int ParseInt(std::string_view text, std::string_view option, int min, int max) {
  int value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || text.empty() || value < min || value > max)
    throw UsageError(std::string(option) + " needs a whole number from " + std::to_string(min) + " to " +
                     std::to_string(max) + ", not \"" + std::string(text) + "\"");
  return value;
}

std::vector<std::string_view> Split(std::string_view text, char sep) {
  std::vector<std::string_view> parts;
  for (;;) {
    const auto at = text.find(sep);
    parts.push_back(text.substr(0, at));
    if (at == std::string_view::npos) return parts;
    text.remove_prefix(at + 1);
  }
}

std::uint32_t LanguageCodePage(std::string_view text) {
  const TLanguages& languages = GlobalLanguages();
  for (int i = 0; i < languages.GetCount(); ++i) {
    const TLanguage& l = languages.GetItem(i);
    if (AsciiLower(U8(l.Id)) == AsciiLower(text) || AsciiLower(U8(l.Name)) == AsciiLower(text)) return l.CodePage;
  }
  throw UsageError("unknown language \"" + std::string(text) + "\" (give an identifier such as 0x0409 or a name)");
}

}  // namespace

PaperChoice ParsePaper(std::string_view text) {
  static const struct {
    const char* name;
    int code;
  } kNamed[] = {{"letter", 2}, {"tabloid", 23}, {"legal", 4}, {"a3", 6}, {"a4", 7}, {"b5", 11}};
  const std::string lower = AsciiLower(text);
  for (const auto& n : kNamed)
    if (lower == n.name) return {n.code, 0, 0};
  const auto x = lower.find('x');
  if (x == std::string::npos)
    throw UsageError("--paper takes letter, tabloid, legal, a3, a4, b5 or WIDTHxHEIGHT in mm, not \"" +
                     std::string(text) + "\"");
  PaperChoice custom{41, 0, 0};
  custom.width = ParseInt(std::string_view(lower).substr(0, x), "--paper width", kMinPaperMm, kMaxPaperMm);
  custom.height = ParseInt(std::string_view(lower).substr(x + 1), "--paper height", kMinPaperMm, kMaxPaperMm);
  return custom;
}

std::u16string DefaultOutputPath(const std::u16string& input) {
  std::u16string output = input;
  const std::size_t slash = output.find_last_of(u"/\\");
  const std::size_t dot = output.rfind(u'.');
  if (dot != std::u16string::npos && (slash == std::u16string::npos || dot > slash)) output.resize(dot);
  return output + u".docx";
}

ConvertOptions ParseConvertOptions(const std::vector<std::string_view>& args) {
  ConvertOptions o;
  std::vector<std::u16string> inputs;
  bool info = false, list = false;
  // Options that only a conversion uses, or that --list-toc --distilled uses too.
  std::vector<std::string> for_conversion, for_distilling;
  auto set = [&o](std::function<void(TDocPDFSettings&)> f) { o.overrides.push_back(std::move(f)); };
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string_view arg = args[i];
    std::string name(arg);
    std::optional<std::string> inline_value;
    if (arg.starts_with("--")) {
      if (const auto eq = arg.find('='); eq != std::string_view::npos) {
        name = std::string(arg.substr(0, eq));
        inline_value = std::string(arg.substr(eq + 1));
      }
    }
    auto value = [&]() -> std::string {
      if (inline_value) return *inline_value;
      if (i + 1 >= args.size()) throw UsageError(name + " needs a value");
      return std::string(args[++i]);
    };
    auto flag = [&](std::string_view option, bool TDocPDFSettings::*field) {
      if (name == "--" + std::string(option)) {
        set([field](TDocPDFSettings& s) { s.*field = true; });
        return true;
      }
      if (name == "--no-" + std::string(option)) {
        set([field](TDocPDFSettings& s) { s.*field = false; });
        return true;
      }
      return false;
    };
    auto text = [&](std::string_view option, std::u16string TDocPDFSettings::*field) {
      if (name != "--" + std::string(option)) return false;
      const std::u16string v = U16(value());
      set([field, v](TDocPDFSettings& s) { s.*field = v; });
      return true;
    };

    if (name == "--help" || name == "-h") {
      o.mode = ConvertOptions::Mode::kHelp;
      continue;
    }
    if (name == "--info" || name == "--list-toc" || name == "--distilled") {
      if (inline_value) throw UsageError(name + " takes no value");
      (name == "--info" ? info : name == "--list-toc" ? list : o.distilled) = true;
      continue;
    }
    const bool distill_option = name == "--hint" || name == "--no-hint" || name == "--hint-format" ||
                                name == "--discard" || name == "--addenda" || name == "--keep-scratch";
    const bool either_mode = name == "--factory" || name == "--quiet";
    if (arg.starts_with("-") && arg != "-" && !either_mode)
      (distill_option ? for_distilling : for_conversion).push_back(name);
    if (name == "-o" || name == "--output") {
      o.output = U16(value());
    } else if (name == "--keep-scratch") {
      o.keep_scratch = U16(value());
    } else if (name == "--factory") {
      o.factory = true;
    } else if (name == "--open") {
      o.open = true;
    } else if (name == "--quiet") {
      o.quiet = true;
    } else if (name == "--title") {
      o.title = U16(value());
    } else if (name == "--language") {
      o.code_page = LanguageCodePage(value());
    } else if (name == "--paper") {
      const PaperChoice p = ParsePaper(value());
      set([p](TDocPDFSettings& s) {
        s.PaperSize = p.code;
        if (p.code == 41) {
          s.Width = p.width;
          s.Height = p.height;
        }
      });
    } else if (name == "--margins") {
      const std::string v = value();
      const auto parts = Split(v, ',');
      if (parts.size() != 4) throw UsageError("--margins takes TOP,BOTTOM,LEFT,RIGHT in mm, not \"" + v + "\"");
      int m[4];
      for (int k = 0; k < 4; ++k) m[k] = ParseInt(parts[static_cast<std::size_t>(k)], "--margins", 0, 200);
      set([m0 = m[0], m1 = m[1], m2 = m[2], m3 = m[3]](TDocPDFSettings& s) {
        s.Top = m0;
        s.Bottom = m1;
        s.Left = m2;
        s.Right = m3;
      });
    } else if (flag("cover", &TDocPDFSettings::Cover) || flag("header", &TDocPDFSettings::Header) ||
               flag("footer", &TDocPDFSettings::Footer) || flag("toc", &TDocPDFSettings::Toc) ||
               flag("title-number", &TDocPDFSettings::TitleNumber) || flag("hint", &TDocPDFSettings::AddHint) ||
               flag("exact-pages", &TDocPDFSettings::ExactPages)) {
      if (inline_value) throw UsageError(name + " takes no value");
    } else if (name == "--toc-level") {
      const int level = ParseInt(value(), "--toc-level", 1, 9);
      set([level](TDocPDFSettings& s) { s.ShowLevel = level; });
    } else if (text("toc-caption", &TDocPDFSettings::TOCCaption) || text("hint-format", &TDocPDFSettings::HintFormat) ||
               text("addenda", &TDocPDFSettings::Addenda)) {
    } else if (name == "--discard") {
      set([](TDocPDFSettings& s) { s.Discard = true; });
    } else if (name == "--start-new-page") {
      const std::string v = AsciiLower(value());
      int mode;
      if (v == "continuous")
        mode = 0;
      else if (v == "first-level")
        mode = 1;
      else if (v == "each")
        mode = 2;
      else
        throw UsageError("--start-new-page takes continuous, first-level or each, not \"" + v + "\"");
      set([mode](TDocPDFSettings& s) { s.StartNewPage = mode; });
    } else if (name == "--heading-font") {
      const std::string v = value();
      const auto eq = v.find('=');
      if (eq == std::string::npos) throw UsageError("--heading-font takes N=Name,Size,Colour,[BIU], not \"" + v + "\"");
      const int level = ParseInt(std::string_view(v).substr(0, eq), "--heading-font level", 1, 9);
      TFont font;
      font.Name = u"\x01";
      try {
        SpecToFont(U16(v.substr(eq + 1)), font);
      } catch (const std::exception&) {
        font.Name = u"\x01";
      }
      if (font.Name == u"\x01" || font.Name.empty() || font.Size <= 0)
        throw UsageError("--heading-font: \"" + v.substr(eq + 1) + "\" is not a font such as \"Arial,20,0,[B]\"");
      if (font.Size > kMaxHeadingPoints)
        throw UsageError("--heading-font: the size " + std::to_string(font.Size) + " is out of range (1 to " +
                         std::to_string(kMaxHeadingPoints) + ")");
      set([level, font](TDocPDFSettings& s) { s.HeadingFont[static_cast<std::size_t>(level)] = font; });
    } else if (arg.starts_with("-") && arg != "-") {
      throw UsageError("unknown option " + name);
    } else {
      inputs.push_back(U16(arg));
    }
  }
  if (o.mode == ConvertOptions::Mode::kHelp) return o;
  if (info && list) throw UsageError("--info and --list-toc cannot be used together");
  if (o.distilled && !list) throw UsageError("--distilled goes with --list-toc");
  if (info || list) {
    o.mode = info ? ConvertOptions::Mode::kInfo : ConvertOptions::Mode::kListToc;
    const std::string mode = info ? "--info" : o.distilled ? "--list-toc --distilled" : "--list-toc";
    if (!for_conversion.empty()) throw UsageError(for_conversion.front() + " does not go with " + mode);
    if (!o.distilled && !for_distilling.empty()) throw UsageError(for_distilling.front() + " does not go with " + mode);
    if (inputs.empty()) throw UsageError("missing FILE.chm");
    if (inputs.size() > 1) throw UsageError("too many arguments");
    o.input = inputs.front();
    return o;
  }
  if (inputs.empty()) throw UsageError("missing INPUT.chm");
  if (inputs.size() > 1) throw UsageError("more than one input file");
  o.input = inputs.front();
  if (o.output.empty()) o.output = DefaultOutputPath(o.input);
  return o;
}

}  // namespace tomeshift::cli
