// The LibreOffice layout pass: numbers the pages of a document (stored again as .docx) and makes its
// PDF, each in an office of its own as a conversion does. Prints wall time and page count of each.
//   layout_bench [input.docx]   (default: the benchmark document of docx_bench, 2,000 headings)
#include <unistd.h>

#include "benchmark_document.h"
#include "platform/office_layout.h"

using namespace tomeshift;
using namespace tomeshift::bench;

int main(int argc, char** argv) {
  const std::string office = TOfficeLayout::FindProgram();
  if (office.empty()) {
    std::fprintf(stderr, "layout_bench: no LibreOffice (soffice) on the PATH\n");
    return 1;
  }
  auto tmp = std::filesystem::temp_directory_path() / ("layout_bench_" + std::to_string(::getpid()));
  std::filesystem::create_directories(tmp);
  std::string input = argc > 1 ? argv[1] : (tmp / "bench.docx").string();
  if (argc <= 1) {
    const std::string picture = (tmp / "picture.png").string();
    WriteBenchmarkPicture(picture);
    Application app;
    BuiltDocument d = BuildBenchmarkDocument(app, picture);
    d.doc->SaveAs(U16(input), 12, false);
    app.Quit(false);
  }
  const auto bytes = std::filesystem::file_size(input);
  std::printf("input %s, %.1f MB, time limit %d s\n", input.c_str(), bytes / 1048576.0,
              TOfficeLayout::TimeLimitSeconds(bytes, kHeadings));
  const TOfficeLayout layout(office, TOfficeLayout::FindMacro());
  for (const OfficeFormat format : {OfficeFormat::kDocx, OfficeFormat::kPdf}) {
    const bool pdf = format == OfficeFormat::kPdf;
    std::vector<OfficeJob> jobs = {{input, (tmp / (pdf ? "laid.pdf" : "laid.docx")).string(), format, 0}};
    const auto t = std::chrono::steady_clock::now();
    try {
      layout.Run(jobs, TOfficeLayout::TimeLimitSeconds(bytes, kHeadings));
    } catch (const std::exception& e) {
      std::printf("%s: failed: %s\n", pdf ? "pdf" : "docx", e.what());
      continue;
    }
    std::printf("%s: %.2f s, %d pages, %.1f MB\n", pdf ? "pdf" : "docx", Since(t), jobs[0].pages,
                std::filesystem::file_size(jobs[0].output) / 1048576.0);
  }
  std::filesystem::remove_all(tmp);
  return 0;
}
