#include "lang/language_tables.h"

#include <stdexcept>

namespace tomeshift {
namespace {

// Language rows: Id; Name; code page; proofing dictionary.
constexpr const char16_t* kLanguageRows[] = {
    u"0x0436;Afrikaans;1252;en_US",
    u"0x041C;Albanian;1250;en_US",
    u"0x0001;Arabic;1256;en_US",
    u"0x0401;Arabic (Saudi Arabia);1256;en_US",
    u"0x0801;Arabic (Iraq);1256;en_US",
    u"0x0C01;Arabic (Egypt);1256;en_US",
    u"0x1001;Arabic (Libya);1256;en_US",
    u"0x1401;Arabic (Algeria);1256;en_US",
    u"0x1801;Arabic (Morocco);1256;en_US",
    u"0x1C01;Arabic (Tunisia);1256;en_US",
    u"0x2001;Arabic (Oman);1256;en_US",
    u"0x2401;Arabic (Yemen);1256;en_US",
    u"0x2801;Arabic (Syria);1256;en_US",
    u"0x2C01;Arabic (Jordan);1256;en_US",
    u"0x3001;Arabic (Lebanon);1256;en_US",
    u"0x3401;Arabic (Kuwait);1256;en_US",
    u"0x3801;Arabic (U.A.E.);1256;en_US",
    u"0x3C01;Arabic (Bahrain);1256;en_US",
    u"0x4001;Arabic (Qatar);1256;en_US",
    u"0x042D;Basque;1252;en_US",
    u"0x0402;Bulgarian;1251;en_US",
    u"0x0423;Belarusian;1251;en_US",
    u"0x0403;Catalan;1252;en_US",
    u"0x0004;Chinese;936;en_US",
    u"0x0404;Chinese (Taiwan);950;en_US",
    u"0x0804;Chinese (China);936;en_US",
    u"0x0C04;Chinese (Hong Kong SAR);950;en_US",
    u"0x1004;Chinese (Singapore);936;en_US",
    u"0x041A;Croatian;1250;en_US",
    u"0x0405;Czech;1250;en_US",
    u"0x0406;Danish;1252;en_US",
    u"0x0413;Dutch (Netherlands);1252;en_US",
    u"0x0813;Dutch (Belgium);1252;en_US",
    u"0x0009;English;1252;en_US",
    u"0x0409;English (United States);1252;en_US",
    u"0x0809;English (United Kingdom);1252;en_GB",
    u"0x0C09;English (Australia);1252;en_US",
    u"0x1009;English (Canada);1252;en_US",
    u"0x1409;English (New Zealand);1252;en_US",
    u"0x1809;English (Ireland);1252;en_US",
    u"0x1C09;English (South Africa);1252;en_US",
    u"0x2009;English (Jamaica);1252;en_US",
    u"0x2809;English (Belize);1252;en_US",
    u"0x2C09;English (Trinidad);1252;en_US",
    u"0x0425;Estonian;1257;en_US",
    u"0x0438;Faeroese;1252;en_US",
    u"0x0429;Farsi;1256;en_US",
    u"0x040B;Finnish;1252;en_US",
    u"0x040C;French (France);1252;fr_FR",
    u"0x080C;French (Belgium);1252;fr_FR",
    u"0x0C0C;French (Canada);1252;fr_FR",
    u"0x100C;French (Switzerland);1252;fr_FR",
    u"0x140C;French (Luxembourg);1252;fr_FR",
    u"0x043C;Gaelic;1252;en_US",
    u"0x0407;German (Germany);1252;de_DE",
    u"0x0807;German (Switzerland);1252;de_DE",
    u"0x0C07;German (Austria);1252;de_DE",
    u"0x1007;German (Luxembourg);1252;de_DE",
    u"0x1407;German (Liechtenstein);1252;de_DE",
    u"0x0408;Greek;1253;en_US",
    u"0x040D;Hebrew;1255;en_US",
    u"0x040E;Hungarian;1250;en_US",
    u"0x040F;Icelandic;1252;en_US",
    u"0x0421;Indonesian;1252;en_US",
    u"0x0410;Italian (Italy);1252;it_IT",
    u"0x0810;Italian (Switzerland);1252;it_IT",
    u"0x0411;Japanese;932;en_US",
    u"0x0412;Korean;949;en_US",
    u"0x0426;Latvian;1257;en_US",
    u"0x0427;Lithuanian;1257;en_US",
    u"0x042F;FYRO Macedonian;1251;en_US",
    u"0x043E;Malay (Malaysia);1252;en_US",
    u"0x043A;Maltese;1254;en_US",
    u"0x0450;Mongolian (Cyrillic);1251;en_US",
    u"0x0414;Norwegian (Bokmal);1252;en_US",
    u"0x0814;Norwegian (Nynorsk);1252;en_US",
    u"0x0415;Polish;1250;en_US",
    u"0x0416;Portuguese (Brazil);1252;pt_PT",
    u"0x0816;Portuguese (Portugal);1252;pt_PT",
    u"0x0417;Rhaeto-Romanic;1252;en_US",
    u"0x0418;Romanian;1250;en_US",
    u"0x0818;Romanian (Moldova);1250;en_US",
    u"0x0419;Russian;1251;ru_RU",
    u"0x0819;Russian (Moldova);1251;ru_RU",
    u"0x0C1A;Serbian (Cyrillic);1251;en_US",
    u"0x081A;Serbian (Latin);1252;en_US",
    u"0x041B;Slovak;1250;en_US",
    u"0x0424;Slovenian;1250;en_US",
    u"0x042E;Sorbian;1252;en_US",
    u"0x040A;Spanish (Traditional Sort);1252;es_ES",
    u"0x080A;Spanish (Mexico);1252;es_ES",
    u"0x0C0A;Spanish (International Sort);1252;es_ES",
    u"0x100A;Spanish (Guatemala);1252;es_ES",
    u"0x140A;Spanish (Costa Rica);1252;es_ES",
    u"0x180A;Spanish (Panama);1252;es_ES",
    u"0x1C0A;Spanish (Dominican Republic);1252;es_ES",
    u"0x200A;Spanish (Venezuela);1252;es_ES",
    u"0x240A;Spanish (Colombia);1252;es_ES",
    u"0x280A;Spanish (Peru);1252;es_ES",
    u"0x2C0A;Spanish (Argentina);1252;es_ES",
    u"0x300A;Spanish (Ecuador);1252;es_ES",
    u"0x340A;Spanish (Chile);1252;es_ES",
    u"0x380A;Spanish (Uruguay);1252;es_ES",
    u"0x3C0A;Spanish (Paraguay);1252;es_ES",
    u"0x400A;Spanish (Bolivia);1252;es_ES",
    u"0x440A;Spanish (El Salvador);1252;es_ES",
    u"0x480A;Spanish (Honduras);1252;es_ES",
    u"0x4C0A;Spanish (Nicaragua);1252;es_ES",
    u"0x500A;Spanish (Puerto Rico);1252;es_ES",
    u"0x0430;Sutu;1252;en_US",
    u"0x041D;Swedish;1252;en_US",
    u"0x081D;Swedish (Finland);1252;en_US",
    u"0x041E;Thai;874;en_US",
    u"0x0431;Tsonga;1252;en_US",
    u"0x0432;Tswana;1252;en_US",
    u"0x041F;Turkish;1254;en_US",
    u"0x0422;Ukrainian;1251;en_US",
    u"0x0420;Urdu;1256;en_US",
    u"0x042A;Vietnamese;1258;en_US",
    u"0x0434;Xhosa;1252;en_US",
    u"0x043D;Yiddish;1252;en_US",
    u"0x0435;Zulu;1252;en_US",
};

// Charset names and their code pages, in lookup order.
constexpr const char16_t* kCharsetLines[] = {
    u"ANSI_X3.4-1968|1252",
    u"ANSI_X3.4-1986|1252",
    u"arabic|28596",
    u"ascii|1252",
    u"ASMO-708|708",
    u"Big5|950",
    u"chinese|936",
    u"CN-GB|936",
    u"cp1256|1256",
    u"cp367|1252",
    u"cp819|1252",
    u"cp852|852",
    u"cp866|866",
    u"csASCII|1252",
    u"csbig5|950",
    u"csEUCKR|949",
    u"csEUCPkdFmtJapanese|51932",
    u"csGB2312|936",
    u"csISO2022JP|50221",
    u"csISO2022KR|50225",
    u"csISO58GB231280|936",
    u"csISOLatin1|1252",
    u"csISOLatin2|28592",
    u"csISOLatin4|28594",
    u"csISOLatin5|1254",
    u"csISOLatinArabic|28596",
    u"csISOLatinCyrillic|28595",
    u"csISOLatinGreek|28597",
    u"csISOLatinHebrew|28598",
    u"csKOI8R|20866",
    u"csKSC56011987|949",
    u"csShiftJIS|932",
    u"csUnicode11UTF7|65000",
    u"csWindows31J|932",
    u"cyrillic|28595",
    u"DOS-720|720",
    u"DOS-862|862",
    u"DOS-874|874",
    u"ECMA-114|28596",
    u"ECMA-118|28597",
    u"ELOT_928|28597",
    u"euc-jp|20932",
    u"euc-kr|949",
    u"Extended_UNIX_Code_Packed_Format_for_Japanese|51932",
    u"GB2312|936",
    u"GBK|936",
    u"GB_2312-80|936",
    u"greek|28597",
    u"greek8|28597",
    u"hebrew|28598",
    u"hz-gb-2312|52936",
    u"IBM367|1252",
    u"ibm819|1252",
    u"ibm852|852",
    u"ibm866|866",
    u"iso-2022-jp|50220",
    u"iso-2022-kr|50225",
    u"iso-8859-1|28591",
    u"iso-8859-11|874",
    u"iso-8859-2|28592",
    u"iso-8859-3|28593",
    u"iso-8859-4|28594",
    u"iso-8859-5|28595",
    u"iso-8859-6|28596",
    u"iso-8859-7|28597",
    u"iso-8859-8|28598",
    u"ISO-8859-8 Visual|28598",
    u"iso-8859-8-i|38598",
    u"iso-8859-9|1254",
    u"iso-ir-100|28591",
    u"iso-ir-101|28592",
    u"iso-ir-110|28594",
    u"iso-ir-111|28594",
    u"iso-ir-126|28597",
    u"iso-ir-127|28596",
    u"iso-ir-138|28598",
    u"iso-ir-144|28595",
    u"iso-ir-148|1254",
    u"iso-ir-149|949",
    u"iso-ir-58|936",
    u"iso-ir-6|1252",
    u"ISO646-US|1252",
    u"iso8859-1|28591",
    u"iso8859-2|28592",
    u"ISO_646.irv:1991|1252",
    u"iso_8859-1|28591",
    u"iso_8859-1:1987|28591",
    u"iso_8859-2|28592",
    u"iso_8859-2:1987|28592",
    u"ISO_8859-4|28594",
    u"ISO_8859-4:1988|28594",
    u"ISO_8859-5|28595",
    u"ISO_8859-5:1988|28595",
    u"ISO_8859-6|28596",
    u"ISO_8859-6:1987|28596",
    u"ISO_8859-7|28597",
    u"ISO_8859-7:1987|28597",
    u"ISO_8859-8|28598",
    u"ISO_8859-8:1988|28598",
    u"ISO_8859-9|1254",
    u"ISO_8859-9:1989|1254",
    u"koi|20866",
    u"koi8-r|20866",
    u"koi8-ru|21866",
    u"korean|949",
    u"KSC5601|949",
    u"KSC_5601|949",
    u"ks_c_5601|949",
    u"ks_c_5601-1987|949",
    u"ks_c_5601-1989|949",
    u"l1|1252",
    u"l2|28592",
    u"l4|28594",
    u"l5|1254",
    u"latin1|1252",
    u"latin2|28592",
    u"latin4|28594",
    u"latin5|1254",
    u"logical|1255",
    u"ms_Kanji|932",
    u"shift-jis|932",
    u"shift_jis|932",
    u"us|1252",
    u"us-ascii|1252",
    u"utf-8|65001",
    u"visual|28598",
    u"windows-1250|1250",
    u"windows-1251|1251",
    u"windows-1252|1252",
    u"windows-1253|1253",
    u"Windows-1254|1254",
    u"windows-1255|1255",
    u"windows-1256|1256",
    u"windows-1257|1257",
    u"windows-1258|1258",
    u"windows-874|874",
    u"x-ansi|1252",
    u"x-cp1250|1250",
    u"x-cp1251|1251",
    u"x-euc|51932",
    u"x-euc-jp|51932",
    u"x-ms-cp932|932",
    u"x-sjis|932",
    u"x-user-defined|50000",
    u"x-x-big5|950",
    u"_autodetect|50932",
    u"_autodetect_all|50001",
    u"_autodetect_kr|50949",
    u"_iso-2022-jp$ESC|50221",
    u"_iso-2022-jp$SIO|50222",
};

char16_t AsciiLower(char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c; }

// Identifiers and charset names are ASCII; the letters compare without regard to case.
bool SameTextAscii(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

// Blanks and control characters count as padding of a field.
std::u16string Trimmed(std::u16string_view s) {
  size_t b = 0;
  size_t e = s.size();
  while (b < e && s[b] <= u' ') ++b;
  while (e > b && s[e - 1] <= u' ') --e;
  return std::u16string(s.substr(b, e - b));
}

std::optional<std::uint32_t> ParseDecimal(std::u16string_view s) {
  if (s.empty() || s.size() > 9) return std::nullopt;
  std::uint32_t value = 0;
  for (char16_t c : s) {
    if (c < u'0' || c > u'9') return std::nullopt;
    value = value * 10 + static_cast<std::uint32_t>(c - u'0');
  }
  return value;
}

std::unique_ptr<TLanguage> ParseRow(std::u16string_view row) {
  std::vector<std::u16string> fields;
  size_t start = 0;
  for (;;) {
    const size_t semi = row.find(u';', start);
    fields.push_back(Trimmed(row.substr(start, semi == std::u16string_view::npos ? semi : semi - start)));
    if (semi == std::u16string_view::npos) break;
    start = semi + 1;
  }
  if (fields.size() != 4) throw std::logic_error("language row without four fields");
  auto language = std::make_unique<TLanguage>();
  language->Id = fields[0];
  language->Name = fields[1];
  const auto code_page = ParseDecimal(fields[2]);
  if (!code_page) throw std::logic_error("language row with a bad code page");
  language->CodePage = *code_page;
  language->Dictionary = fields[3];
  return language;
}

}  // namespace

TLanguages::TLanguages() {
  Languages.reserve(std::size(kLanguageRows));
  for (const char16_t* row : kLanguageRows) Languages.push_back(ParseRow(row));
}

const TLanguage& TLanguages::GetItem(int i) const {
  if (i < 0 || i >= GetCount()) throw std::out_of_range("language index out of range");
  return *Languages[static_cast<size_t>(i)];
}

int TLanguages::GetIndexById(std::u16string_view id) const {
  for (size_t i = 0; i < Languages.size(); ++i) {
    if (SameTextAscii(Languages[i]->Id, id)) return static_cast<int>(i);
  }
  return -1;
}

std::uint32_t TLanguages::GetCodepageById(std::u16string_view id) const {
  const int i = GetIndexById(id);
  return i < 0 ? 0 : Languages[static_cast<size_t>(i)]->CodePage;
}

const TLanguages& GlobalLanguages() {
  static const TLanguages table;
  return table;
}

TCharsetTable::TCharsetTable() : lines_(std::begin(kCharsetLines), std::end(kCharsetLines)) {}

std::u16string TCharsetTable::Values(std::u16string_view name) const {
  for (const auto& line : lines_) {
    const size_t bar = line.find(u'|');
    if (SameTextAscii(std::u16string_view(line).substr(0, bar), name)) return line.substr(bar + 1);
  }
  return {};
}

std::optional<std::uint32_t> TCharsetTable::CodePageOf(std::u16string_view name) const {
  const std::u16string value = Values(name);
  if (value.empty()) return std::nullopt;
  return ParseDecimal(value);
}

const TCharsetTable& CharsetTable() {
  static const TCharsetTable table;
  return table;
}

}  // namespace tomeshift
