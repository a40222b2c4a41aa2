// Builds the benchmark document (benchmark_document.h) and saves it as .docx. Prints the time of
// each stage, the file size and the peak memory.
//   docx_bench [output.docx]   (default: a file in the temporary folder, removed afterwards)
#include <unistd.h>

#include "benchmark_document.h"

using namespace tomeshift;
using namespace tomeshift::bench;

int main(int argc, char** argv) {
  auto tmp = std::filesystem::temp_directory_path() / ("docx_bench_" + std::to_string(::getpid()));
  std::filesystem::create_directories(tmp);
  std::string out = argc > 1 ? argv[1] : (tmp / "bench.docx").string();
  std::string picture = (tmp / "picture.png").string();
  WriteBenchmarkPicture(picture);

  auto t0 = std::chrono::steady_clock::now();
  Application app;
  BuiltDocument d = BuildBenchmarkDocument(app, picture);
  auto t1 = std::chrono::steady_clock::now();
  d.doc->SaveAs(U16(out), 12, false);
  double saved = Since(t1);

  PrintBenchmarkFigures(d);
  std::printf("save %.2f s, total %.2f s, file %.1f MB\n", saved, Since(t0),
              std::filesystem::file_size(out) / 1048576.0);
  app.Quit(false);
  if (argc <= 1)
    std::filesystem::remove_all(tmp);
  else
    std::filesystem::remove(picture);
  return 0;
}
