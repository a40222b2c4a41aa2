#include "word/docx/docx_packager.h"

#include <ctime>
#include <map>
#include <set>

#include "platform/atomic_save.h"
#include "platform/cancellation.h"
#include "platform/errors.h"
#include "platform/file_system.h"
#include "text/unicode.h"
#include "word/docx/docx_content_types.h"
#include "word/docx/docx_document_part.h"
#include "word/docx/docx_numbering_part.h"
#include "word/docx/docx_properties_part.h"
#include "word/docx/docx_settings_part.h"
#include "word/docx/docx_styles_part.h"
#include "word/docx/zip_package.h"
#include "word/model/page_estimator.h"

namespace tomeshift::word {

namespace {

constexpr const char* kMainType = "application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml";
constexpr const char* kWml = "application/vnd.openxmlformats-officedocument.wordprocessingml.";

std::string UtcNow() {
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  gmtime_r(&now, &tm);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%SZ", &tm);
  return buf;
}

std::string WritePackage(const DocModel& doc, const std::string& native) {
  DocxRelationships doc_rels;
  doc_rels.Add(rel::kStyles, "styles.xml");
  doc_rels.Add(rel::kSettings, "settings.xml");
  bool numbering = DocxNumberingPart::Needed(doc);
  if (numbering) doc_rels.Add(rel::kNumbering, "numbering.xml");

  // Header and footer parts for the stories that sections refer to.
  std::set<int> headers, footers;
  auto collect = [&](const SectionProps& s) {
    if (s.header >= 0 && s.header < static_cast<int>(doc.hf_stories.size())) headers.insert(s.header);
    if (s.footer >= 0 && s.footer < static_cast<int>(doc.hf_stories.size())) footers.insert(s.footer);
  };
  for (std::size_t i = 0; i < doc.main.size(); ++i)
    if (doc.main.at(i) == ch::kSection) collect(doc.sections[doc.main.attr(i).obj]);
  collect(doc.final_section);

  DocxMedia media;
  DocxCounters counters;
  DocxContentTypes types;
  std::map<int, std::string> hf_ids;
  struct HfPart {
    std::string name, rels;
    std::string xml;
  };
  std::vector<HfPart> hf_parts;
  int n_header = 0, n_footer = 0;
  for (int pass = 0; pass < 2; ++pass) {
    bool header = pass == 0;
    for (int idx : header ? headers : footers) {
      std::string name =
          header ? "header" + std::to_string(++n_header) + ".xml" : "footer" + std::to_string(++n_footer) + ".xml";
      hf_ids[idx] = doc_rels.Add(header ? rel::kHeader : rel::kFooter, name);
      DocxRelationships part_rels;
      std::string xml = DocxHeaderFooterPart::Write(doc, doc.hf_stories[static_cast<std::size_t>(idx)], header,
                                                    part_rels, media, counters);
      hf_parts.push_back(HfPart{name, part_rels.empty() ? std::string() : part_rels.Write(), std::move(xml)});
      types.AddOverride("/word/" + name, std::string(kWml) + (header ? "header+xml" : "footer+xml"));
    }
  }

  auto document = DocxDocumentPart::Write(doc, doc_rels, media, counters, hf_ids);
  PageEstimator pages(doc);

  types.AddOverride("/word/document.xml", kMainType);
  types.AddOverride("/word/styles.xml", std::string(kWml) + "styles+xml");
  types.AddOverride("/word/settings.xml", std::string(kWml) + "settings+xml");
  if (numbering) types.AddOverride("/word/numbering.xml", std::string(kWml) + "numbering+xml");
  types.AddOverride("/docProps/core.xml", "application/vnd.openxmlformats-package.core-properties+xml");
  types.AddOverride("/docProps/app.xml", "application/vnd.openxmlformats-officedocument.extended-properties+xml");
  for (const auto& m : media.items())
    types.AddDefault(m.name.substr(m.name.rfind('.') + 1), ImageContentType(m.format));

  DocxRelationships package_rels;
  package_rels.Add(rel::kOfficeDocument, "word/document.xml");
  package_rels.Add(rel::kCoreProperties, "docProps/core.xml");
  package_rels.Add(rel::kExtendedProperties, "docProps/app.xml");

  ZipPackage zip(native);
  zip.Add("[Content_Types].xml", types.Write(), true);
  zip.Add("_rels/.rels", package_rels.Write(), true);
  zip.Add("docProps/core.xml", DocxPropertiesPart::WriteCore(doc, UtcNow()), true);
  zip.Add("docProps/app.xml", DocxPropertiesPart::WriteApp(doc, pages.page_count()), true);
  zip.Add("word/document.xml", std::move(document), true);
  zip.Add("word/_rels/document.xml.rels", doc_rels.Write(), true);
  zip.Add("word/styles.xml", DocxStylesPart::Write(doc), true);
  if (numbering) zip.Add("word/numbering.xml", DocxNumberingPart::Write(doc), true);
  zip.Add("word/settings.xml", DocxSettingsPart::Write(doc), true);
  for (auto& p : hf_parts) {
    zip.Add("word/" + p.name, std::move(p.xml), true);
    if (!p.rels.empty()) zip.Add("word/_rels/" + p.name + ".rels", std::move(p.rels), true);
  }
  for (const auto& m : media.items()) zip.Add("word/" + m.name, std::string(*m.bytes), false);
  return zip.Finish();
}

}  // namespace

void DocxPackager::Save(const DocModel& doc, const std::u16string& path) {
  const std::string native = FileSystem().NativePath(path);
  AtomicSave file(native);
  std::string bytes;
  try {
    bytes = WritePackage(doc, native);
  } catch (const FileError&) {
    throw;
  } catch (const EUserCancel&) {
    throw;
  } catch (const std::exception& e) {
    throw FileError(native, e.what());
  }
  file.Write(bytes);
  file.Commit();
}

}  // namespace tomeshift::word
