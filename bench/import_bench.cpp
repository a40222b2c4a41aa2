// Imports 3,000 help pages as Documents.Open does and reports pages per second: first from files in
// a scratch folder (decoding, style sheets and picture headers included), then from text in memory
// (parsing and mapping alone). The pages are the importer's fixture pages, taken in turn.
// Usage: import_bench [folder-with-pages] [count]
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/text_files.h"
#include "text/unicode.h"
#include "word/import/html_import.h"

namespace fs = std::filesystem;
using tomeshift::word::DocModel;
using tomeshift::word::HtmlImport;
using tomeshift::word::HtmlImportWarning;

namespace {

// Processor time of this process: the machine may be shared, and wall time then says little.
double CpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

struct Totals {
  std::size_t paragraphs = 0, warnings = 0;
};

void Count(const DocModel& doc, const std::vector<HtmlImportWarning>& warnings, Totals& t) {
  for (char16_t c : doc.main.text()) t.paragraphs += c == u'\r';
  t.warnings += warnings.size();
}

}  // namespace

int main(int argc, char** argv) {
  fs::path source = argc > 1
                        ? fs::path(argv[1])
                        : fs::path(__FILE__).parent_path().parent_path() / "tests" / "fixtures" / "word" / "import";
  int count = argc > 2 ? std::atoi(argv[2]) : 3000;
  if (!fs::is_directory(source) || count <= 0) {
    std::fprintf(stderr, "usage: import_bench [folder-with-pages] [count]\n");
    return 2;
  }
  // Pages are imported from the scratch folder in the real run; copy them to one.
  fs::path scratch = fs::temp_directory_path() / ("import_bench_" + std::to_string(::getpid()));
  fs::copy(source, scratch, fs::copy_options::recursive);
  std::vector<std::u16string> pages;
  std::uintmax_t bytes = 0;
  for (const auto& e : fs::recursive_directory_iterator(scratch)) {
    std::string ext = e.path().extension().string();
    if ((ext == ".htm" || ext == ".html") && e.path().filename() != "frames.htm") {
      pages.push_back(tomeshift::U16(e.path().string()));
      bytes += fs::file_size(e.path());
    }
  }
  std::sort(pages.begin(), pages.end());
  if (pages.empty()) {
    std::fprintf(stderr, "no pages under %s\n", source.string().c_str());
    fs::remove_all(scratch);
    return 1;
  }

  Totals files;
  double cpu = CpuSeconds();
  auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < count; ++i) {
    DocModel doc;
    std::vector<HtmlImportWarning> warnings;
    HtmlImport::ImportFile(pages[static_cast<std::size_t>(i) % pages.size()], doc, &warnings);
    Count(doc, warnings, files);
  }
  double file_seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  double file_cpu = CpuSeconds() - cpu;

  std::vector<std::u16string> texts;
  for (const auto& p : pages) texts.push_back(tomeshift::LoadTextFile(p, u""));
  Totals memory;
  cpu = CpuSeconds();
  start = std::chrono::steady_clock::now();
  for (int i = 0; i < count; ++i) {
    DocModel doc;
    std::vector<HtmlImportWarning> warnings;
    std::size_t k = static_cast<std::size_t>(i) % pages.size();
    HtmlImport::ImportText(texts[k], pages[k], doc, &warnings);
    Count(doc, warnings, memory);
  }
  double text_seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  double text_cpu = CpuSeconds() - cpu;
  fs::remove_all(scratch);

  std::printf("%d imports of %zu distinct pages (%.1f KB on average)\n", count, pages.size(),
              static_cast<double>(bytes) / 1024.0 / static_cast<double>(pages.size()));
  std::printf("from files: %.3f s wall, %.0f pages/s; %.3f s processor, %.0f pages/s (%zu paragraphs, %zu warnings)\n",
              file_seconds, count / file_seconds, file_cpu, count / file_cpu, files.paragraphs, files.warnings);
  std::printf("from text:  %.3f s wall, %.0f pages/s; %.3f s processor, %.0f pages/s\n", text_seconds,
              count / text_seconds, text_cpu, count / text_cpu);
  return 0;
}
