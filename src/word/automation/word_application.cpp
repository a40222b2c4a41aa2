#include "word/automation/word_application.h"

#include <filesystem>
#include <map>
#include <mutex>

#include "platform/file_system.h"
#include "text/unicode.h"
#include "word/model/word_error.h"

namespace tomeshift::word {

namespace {

std::mutex g_mutex;
WebPageImporterFactory g_factory;

// Documents saved by this engine, by native path: what Documents.Add(template) bases a new one on.
struct Saved {
  std::shared_ptr<const DocModel> model;
  std::uintmax_t size;
  std::filesystem::file_time_type time;
};
std::map<std::string, Saved> g_saved;

template <typename T, typename Table>
bool GetByName(const T& o, const Table& table, std::string_view name) {
  for (const auto& [n, member] : table)
    if (n == name) return o.*member;
  throw WordError("Object doesn't support this property or method: " + std::string(name));
}

template <typename T, typename Table>
void SetByName(T& o, const Table& table, std::string_view name, bool v) {
  for (const auto& [n, member] : table)
    if (n == name) {
      o.*member = v;
      return;
    }
  throw WordError("Object doesn't support this property or method: " + std::string(name));
}

#define TOMESHIFT_OPTION_ENTRY(name, value) std::pair<std::string_view, bool Options::*>{#name, &Options::name},
#define TOMESHIFT_AUTOCORRECT_ENTRY(name, value) \
  std::pair<std::string_view, bool AutoCorrect::*>{#name, &AutoCorrect::name},
const std::vector<std::pair<std::string_view, bool Options::*>> kOptions = {
    TOMESHIFT_WORD_OPTIONS(TOMESHIFT_OPTION_ENTRY)};
const std::vector<std::pair<std::string_view, bool AutoCorrect::*>> kAutoCorrect = {
    TOMESHIFT_WORD_AUTOCORRECT(TOMESHIFT_AUTOCORRECT_ENTRY)};
#undef TOMESHIFT_OPTION_ENTRY
#undef TOMESHIFT_AUTOCORRECT_ENTRY

}  // namespace

void SetDefaultWebPageImporterFactory(WebPageImporterFactory factory) {
  std::lock_guard lock(g_mutex);
  g_factory = std::move(factory);
}

WebPageImporterFactory DefaultWebPageImporterFactory() {
  std::lock_guard lock(g_mutex);
  return g_factory;
}

bool Options::Get(std::string_view name) const { return GetByName(*this, kOptions, name); }
void Options::Set(std::string_view name, bool v) { SetByName(*this, kOptions, name, v); }
std::vector<std::string_view> Options::Names() {
  std::vector<std::string_view> n;
  for (const auto& e : kOptions) n.push_back(e.first);
  return n;
}
bool AutoCorrect::Get(std::string_view name) const { return GetByName(*this, kAutoCorrect, name); }
void AutoCorrect::Set(std::string_view name, bool v) { SetByName(*this, kAutoCorrect, name, v); }
std::vector<std::string_view> AutoCorrect::Names() {
  std::vector<std::string_view> n;
  for (const auto& e : kAutoCorrect) n.push_back(e.first);
  return n;
}

Document& Documents::Keep(std::unique_ptr<DocModel> model, std::u16string name) {
  docs_.push_back(std::make_unique<Document>(app_, std::move(model), std::move(name)));
  return *docs_.back();
}

Document& Documents::Add() { return Keep(std::make_unique<DocModel>(), u"Document" + U16(std::to_string(++created_))); }

Document& Documents::Add(const std::u16string& templ) {
  std::string native = FileSystem().NativePath(templ);
  std::shared_ptr<const DocModel> model;
  {
    std::lock_guard lock(g_mutex);
    auto it = g_saved.find(native);
    std::error_code ec;
    if (it != g_saved.end() && std::filesystem::file_size(native, ec) == it->second.size && !ec &&
        std::filesystem::last_write_time(native, ec) == it->second.time && !ec)
      model = it->second.model;
  }
  if (!model)
    throw WordError(native + ": a new document can only be based on a document saved by this program in this session.");
  auto copy = std::make_unique<DocModel>(*model);
  return Keep(std::move(copy), u"Document" + U16(std::to_string(++created_)));
}

Document& Documents::Open(const std::u16string& file_name, int format, bool /*visible*/, bool /*open_and_repair*/) {
  if (format != 7) throw WordError("Only web pages (format 7) can be opened.");
  if (!FileSystem().FileExists(file_name))
    throw WordError("Sorry, we couldn't find your file. Was it moved, renamed, or deleted?\n(" + U8(file_name) + ")");
  IWebPageImporter* importer = app_->web_page_importer();
  if (!importer) throw WordError("Web pages cannot be opened: no web page importer is installed.");
  auto model = std::make_unique<DocModel>();
  // The page is laid out for the paper of the document open first, which it is pasted into: the word
  // processor lays pasted tables out again for their new page, and the importer fixes table columns,
  // narrowed code and percentages of the text width when it reads the page.
  if (!docs_.empty()) model->final_section.page = docs_.front()->model().final_section.page;
  importer->Import(file_name, *model);
  auto slash = file_name.find_last_of(u"/\\");
  return Keep(std::move(model), slash == std::u16string::npos ? file_name : file_name.substr(slash + 1));
}

Document& Documents::Item(int index) {
  if (index < 1 || index > Count()) throw WordError(kNoSuchMember);
  return *docs_[static_cast<std::size_t>(index - 1)];
}

void Documents::Remove(Document* doc) {
  std::erase_if(docs_, [&](const auto& d) { return d.get() == doc; });
}

Application::Application() {
  if (auto factory = DefaultWebPageImporterFactory()) importer_ = factory();
}

Application::~Application() = default;

Documents& Application::GetDocuments() {
  if (quit_) throw WordError("The application has quit.");
  return documents_;
}

void Application::Quit(bool save_changes) {
  if (save_changes)
    for (int i = documents_.Count(); i >= 1; --i)
      if (!documents_.Item(i).FullName().empty()) documents_.Item(i).SaveAs(documents_.Item(i).FullName());
  documents_.Clear();
  quit_ = true;
}

void Application::RememberSaved(const std::u16string& path, const DocModel& model) {
  std::string native = FileSystem().NativePath(path);
  std::error_code ec;
  Saved s{std::make_shared<const DocModel>(model), std::filesystem::file_size(native, ec), {}};
  if (ec) return;
  s.time = std::filesystem::last_write_time(native, ec);
  if (ec) return;
  std::lock_guard lock(g_mutex);
  g_saved[native] = std::move(s);
}

}  // namespace tomeshift::word
