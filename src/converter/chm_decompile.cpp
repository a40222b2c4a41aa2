#include "converter/chm_decompile.h"

#include <algorithm>
#include <cstdio>
#include <optional>

#include "converter/code_page_detection.h"
#include "lang/language_tables.h"
#include "platform/cancellation.h"
#include "platform/chm_extractor.h"
#include "platform/code_pages.h"
#include "platform/errors.h"
#include "platform/file_system.h"
#include "platform/text_files.h"
#include "platform/user_interaction.h"
#include "text/path_helpers.h"
#include "text/text_utils.h"
#include "text/unicode.h"

namespace tomeshift {

namespace {

constexpr std::size_t kMaxReportedProblems = 20;

std::uint16_t Le16(const std::string& bytes, std::size_t pos) {
  if (pos + 2 > bytes.size()) return 0;
  return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[pos]) |
                                    (static_cast<unsigned char>(bytes[pos + 1]) << 8));
}

// Reads up to n bytes at pos; fewer at the end of the file, as a stream read would.
std::string ReadBytes(const std::string& bytes, std::size_t pos, std::size_t n) {
  if (pos >= bytes.size()) return {};
  return bytes.substr(pos, std::min(n, bytes.size() - pos));
}

std::u16string HexId(std::uint16_t id) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "0x%04X", id);
  return U16(buf);
}

bool IsDelimiter(char16_t c) { return c == u'/' || c == u'\\'; }

std::u16string WithDelimiter(std::u16string folder) {
  if (folder.empty() || !IsDelimiter(folder.back())) folder += u'/';
  return folder;
}

// The pieces of a contents item's OBJECT element.
struct ContentsObject {
  std::u16string name;
  std::u16string raw_name;  // before character references are decoded
  std::uint32_t image_number = 0;
  std::vector<std::u16string> locals;
};

// The text between the first value=" and the next double quote; false without either.
bool ParamValue(std::u16string_view tag, std::u16string& value) {
  const std::size_t start = tag.find(u"value=\"");
  if (start == std::u16string_view::npos) return false;
  const std::size_t from = start + 7;
  const std::size_t end = tag.find(u'"', from);
  if (end == std::u16string_view::npos) return false;
  value.assign(tag.substr(from, end - from));
  return true;
}

ContentsObject ReadContentsObject(std::u16string text, const std::u16string& help_file) {
  for (const char16_t* form : {u"<param", u"name=\"Name\"", u"name=\"Local\"", u"value=", u"name=\"ImageNumber\""}) {
    text = ReplaceText(text, form, form);
  }
  ContentsObject object;
  std::optional<std::u16string> bad_image_number;
  bool name_taken = false;
  std::size_t from = 0;
  for (;;) {
    const std::size_t start = text.find(u"<param", from);
    if (start == std::u16string::npos) break;
    const std::size_t close = text.find(u'>', start);
    if (close == std::u16string::npos) break;
    const std::u16string_view tag = std::u16string_view(text).substr(start, close - start + 1);
    from = close + 1;
    std::u16string value;
    const bool has_value = ParamValue(tag, value);
    if (!name_taken && tag.find(u"name=\"Name\"") != std::u16string_view::npos) {
      if (has_value) {
        // Some compilers write every letter of a title as "&#x41E;".
        object.name = DecodeHtmlEntities(value, true);
        object.raw_name = std::move(value);
      }
      name_taken = true;
    } else if (tag.find(u"name=\"Local\"") != std::u16string_view::npos) {
      object.locals.push_back(has_value ? DecodeHtmlEntities(value, true) : std::u16string());
    } else if (tag.find(u"name=\"ImageNumber\"") != std::u16string_view::npos) {
      std::int32_t number = 0;
      // Only an icon: one odd value must not cost the whole conversion.
      if (!TryStrToInt(value, number)) {
        bad_image_number = value;
        number = 0;
      }
      object.image_number = static_cast<std::uint32_t>(number);
    }
  }
  if (bad_image_number) {
    UserInteraction().Warning(help_file, u"the contents entry \"" + object.name + u"\" has the ImageNumber \"" +
                                             *bad_image_number + u"\", which is not a whole number; 0 is used");
  }
  return object;
}

}  // namespace

TCHMDecompile::TCHMDecompile() : Context(TStringListOptions{.sorted = false}) {}

TCHMDecompile::~TCHMDecompile() = default;

void TCHMDecompile::LoadFromCHM(const std::u16string& ChmFile) {
  const std::optional<std::string> data = FileSystem().ReadFile(ChmFile);
  if (!data) throw FileError(U8(ChmFile), "cannot open the help file: it does not exist");
  const std::string& bytes = *data;
  // The compiler-version entry (code 9, "HHA Version ...") is followed by the locale, the default
  // topic and the title, in that order, each a 16-bit code, a 16-bit length and the data.
  for (std::size_t p = 4; bytes.size() >= 3 && p + 3 <= bytes.size(); ++p) {
    if (bytes[p] != 'H' || bytes[p + 1] != 'H' || bytes[p + 2] != 'A') continue;
    if (Le16(bytes, p - 4) != 9) continue;
    std::size_t pos = p + Le16(bytes, p - 2);
    const std::uint16_t locale_length = Le16(bytes, pos + 2);
    const std::uint16_t language = Le16(bytes, pos + 4);
    pos += 4 + locale_length;
    const std::uint16_t page_length = Le16(bytes, pos + 2);
    pos += 4;
    rDefaultPage = page_length > 0 ? ReadBytes(bytes, pos, page_length - 1u) : std::string();
    pos += page_length;
    const std::uint16_t title_length = Le16(bytes, pos + 2);
    pos += 4;
    rTitle = title_length > 0 ? ReadBytes(bytes, pos, title_length - 1u) : std::string();
    LangID = HexId(language);
    rCodePage = GlobalLanguages().GetCodepageById(LangID);
    CodePage = rCodePage;
    Title = MultiByteToText(rTitle, rCodePage);
    DefaultPage = MultiByteToText(rDefaultPage, rCodePage);
    break;
  }
  DetectedCodePage = 0;
  CodePageReason.clear();
  if (rCodePage == 0) {
    const CodePageDetection detection =
        DetectHelpFileCodePage(bytes, FileSystem().NativePath(ChmFile), rTitle + ' ' + rDefaultPage);
    // All ASCII: every code page reads it alike, there is nothing to tell.
    if (detection.non_ascii) CodePageReason = detection.reason;
    if (detection.code_page != 0) {
      DetectedCodePage = CodePage = detection.code_page;
      Title = MultiByteToText(rTitle, CodePage);
      DefaultPage = MultiByteToText(rDefaultPage, CodePage);
    }
  }
  chmFile = ChmFile;
}

void TCHMDecompile::decompile() {
  DoChange(u"Decompiling...", 1);
  if (!CodePageReason.empty()) {
    const std::u16string why =
        LangID.empty() ? u"it has no language record" : u"its language " + LangID + u" is not in the language table";
    UserInteraction().Warning(chmFile, u"the help file names no code page (" + why + u"), so it is read in code page " +
                                           IntToStr(CodePage != 0 ? CodePage : AnsiCodePage()) + u": " +
                                           CodePageReason + u". Choose its language to read it in another one.");
  }
  bool created = true;
  // Names inside are the help file's, matched without regard to case; pages may read only from here.
  AddScratchFolder(rootFolder);
  try {
    FileSystem().CreateDirectories(rootFolder);
  } catch (const FileError&) {
    created = false;
    UserInteraction().ShowError(u"Cannot create " + rootFolder);
  }
  if (created) {
    // In process, straight into rootFolder: no copy of the help file, no child process and no
    // change of the process's current directory.
    const std::string chm = FileSystem().NativePath(chmFile);
    const ChmExtractReport report = ChmExtractor().ExtractFile(chm, FileSystem().NativePath(rootFolder));
    ForgetFolderListings();
    const std::size_t missing = report.entries - std::min(report.entries, report.files_written);
    if (report.truncated) {
      // One line says it all; the entries behind the cut would only repeat it.
      UserInteraction().Warning(
          chmFile, u"the help file is truncated: " + IntToStr(static_cast<std::int64_t>(missing)) + u" of " +
                       IntToStr(static_cast<std::int64_t>(report.entries)) + u" files could not be extracted");
    } else {
      for (std::size_t i = 0; i < report.problems.size() && i < kMaxReportedProblems; ++i) {
        UserInteraction().Warning(chmFile, U16(report.problems[i]));
      }
      if (report.problems.size() > kMaxReportedProblems) {
        UserInteraction().Warning(
            chmFile, u"and " + IntToStr(static_cast<std::int64_t>(report.problems.size() - kMaxReportedProblems)) +
                         u" more entries could not be extracted");
      }
    }
  }

  // The help file's base name, without folder and extension.
  std::size_t slash = chmFile.find_last_of(u"/\\");
  FileName = chmFile.substr(slash == std::u16string::npos ? 0 : slash + 1);
  if (const std::size_t dot = FileName.rfind(u'.'); dot != std::u16string::npos) FileName.resize(dot);

  const std::u16string named = WithDelimiter(rootFolder) + FileName + u".hhc";
  hhcFile = created && FileSystem().FileExists(named) ? named : FindFileByExtension(rootFolder, u".hhc");
  LoadContentsSitemap();
}

void TCHMDecompile::LoadContentsSitemap() {
  if (hhcFile.empty()) return;
  const std::optional<std::string> bytes = FileSystem().ReadFile(hhcFile);
  if (!bytes) return;
  // Generators write UTF-8 without a byte order mark whatever language the help file names; bytes
  // that are well-formed UTF-8 beyond ASCII are that, not text in the language's code page.
  const bool marked = bytes->starts_with("\xEF\xBB") || bytes->starts_with("\xFF\xFE");
  const std::u16string text =
      !marked && IsNonAsciiUtf8(*bytes) ? Utf8ToUtf16(*bytes) : DecodeTextBytes(*bytes, IntToStr(CodePage), hhcFile);

  std::int32_t level = -1;
  std::uint32_t next_index = 0;
  std::int64_t next_context = 1000;
  std::u16string pending;
  bool collecting = false;
  // Names written as character references, with the bytes they stand for.
  std::vector<std::pair<TTitleList*, std::string>> referenced;

  auto finish = [&] {
    if (pending.empty()) return;
    CheckCancel();
    ContentsObject object = ReadContentsObject(pending, chmFile);
    pending.clear();
    if (ReplaceAll(object.name, u"-", u"").empty()) return;  // no name, or a separator of dashes
    TTitleList& entry = List.Add();
    entry.Topic = std::move(object.name);
    if (DetectedCodePage != 0) {
      if (std::optional<std::string> bytes = CharacterReferenceBytes(object.raw_name)) {
        referenced.emplace_back(&entry, std::move(*bytes));
      }
    }
    entry.Level = level;
    entry.Index = next_index++;
    entry.Icon = object.image_number;
    if (!object.locals.empty() && !object.locals.front().empty()) {
      entry.Url = ReplaceAll(object.locals.front(), u"%20", u" ");
      entry.Status = kStatusPage;
    } else {
      entry.Status = kStatusHeading;
    }
    entry.ContextNumber = IntToStr(next_context++);
  };

  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c != u'<') {
      if (collecting) pending += c;
      continue;
    }
    const std::u16string marker = i + 3 < text.size() ? UpperCase(text.substr(i + 1, 3)) : std::u16string();
    if (marker == u"UL>") {
      finish();
      ++level;
      collecting = false;
    } else if (marker == u"/UL") {
      finish();
      --level;
      collecting = false;
    } else if (marker == u"LI>") {
      finish();
      collecting = true;
      i += 3;
    } else if (collecting) {
      pending += c;
    }
  }
  // A last item that no marker closes (the file ends, or its BODY does) is still an entry: help viewers
  // list it, and its page would be lost.
  finish();

  // A compiler that wrote the bytes of the names as Latin-1 references, though they were text in
  // the help file's code page: read them in that code page when they clearly are such text.
  if (referenced.empty() || CodePage == 0) return;
  std::vector<std::string> texts;
  for (const auto& [entry, bytes] : referenced) texts.push_back(bytes);
  if (!ReadsClearlyAs(texts, CodePage)) return;
  for (const auto& [entry, bytes] : referenced) entry->Topic = MultiByteToText(bytes, CodePage);
}

std::u16string FindFileByExtension(const std::u16string& folder, std::u16string_view extension) {
  std::vector<DirEntry> entries = FileSystem().ListDirectory(folder);
  // The order NTFS returns them in, so that "the first one found" does not depend on the disk.
  std::stable_sort(entries.begin(), entries.end(),
                   [](const DirEntry& a, const DirEntry& b) { return CompareText(a.name, b.name) < 0; });
  const std::u16string base = WithDelimiter(folder);
  for (const DirEntry& entry : entries) {
    if (entry.name == u"." || entry.name == u"..") continue;
    if (entry.is_directory) {
      std::u16string found = FindFileByExtension(base + entry.name, extension);
      if (!found.empty()) return found;
      continue;
    }
    const std::size_t dot = entry.name.rfind(u'.');
    if (dot != std::u16string::npos && SameText(std::u16string_view(entry.name).substr(dot), extension)) {
      return base + entry.name;
    }
  }
  return {};
}

}  // namespace tomeshift
