// Builds the benchmark document (benchmark_document.h) and saves it as .doc through
// SaveAs(..., 0), and as .docx for comparison. Prints the time and size of both and the peak memory.
//   doc_bench [output.doc]   (default: a file in the temporary folder, removed afterwards)
#include <unistd.h>

#include "benchmark_document.h"

using namespace tomeshift;
using namespace tomeshift::bench;

int main(int argc, char** argv) {
  auto tmp = std::filesystem::temp_directory_path() / ("doc_bench_" + std::to_string(::getpid()));
  std::filesystem::create_directories(tmp);
  std::string out = argc > 1 ? argv[1] : (tmp / "bench.doc").string();
  std::string picture = (tmp / "picture.png").string();
  WriteBenchmarkPicture(picture);

  auto t0 = std::chrono::steady_clock::now();
  Application app;
  BuiltDocument d = BuildBenchmarkDocument(app, picture);
  const std::string docx = (tmp / "bench.docx").string();
  auto t1 = std::chrono::steady_clock::now();
  d.doc->SaveAs(U16(docx), 12, false);
  double saved_docx = Since(t1);
  auto t2 = std::chrono::steady_clock::now();
  d.doc->SaveAs(U16(out), 0, false);
  double saved = Since(t2);

  PrintBenchmarkFigures(d);
  std::printf("save .doc %.2f s (.docx %.2f s), total %.2f s, .doc file %.1f MB (.docx %.1f MB)\n", saved, saved_docx,
              Since(t0), std::filesystem::file_size(out) / 1048576.0, std::filesystem::file_size(docx) / 1048576.0);
  std::filesystem::remove(docx);
  app.Quit(false);
  if (argc <= 1)
    std::filesystem::remove_all(tmp);
  else
    std::filesystem::remove(picture);
  return 0;
}
