// Extraction speed: a generated help file with 5,000 pages (bench/make_extract_input.py, chmcmd)
// is extracted into a scratch folder several times; prints pages per second.
//   build/bench/extract_bench [FILE.chm] [ROUNDS]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/chm_extractor.h"

namespace fs = std::filesystem;

int main(int argc, char** argv) {
  const fs::path work = fs::temp_directory_path() / "tomeshift-extract-bench";
  std::string chm = argc > 1 ? argv[1] : "";
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
  if (chm.empty()) {
    chm = (work / "input" / "extract-bench.chm").string();
    if (!fs::exists(chm)) {
      std::printf("generating %s ...\n", chm.c_str());
      const std::string script = (fs::path(__FILE__).parent_path() / "make_extract_input.py").string();
      const std::string command = "python3 '" + script + "' '" + (work / "input").string() + "' 5000 >/dev/null";
      if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "could not generate the input (needs python3 and chmcmd)\n");
        return 1;
      }
    }
  }
  double best = 0;
  std::size_t files = 0;
  for (int r = 0; r < rounds; ++r) {
    const fs::path out = work / "out";
    fs::remove_all(out);
    fs::create_directories(out);
    const auto start = std::chrono::steady_clock::now();
    const tomeshift::ChmExtractReport report = tomeshift::ChmExtractor().ExtractFile(chm, out.string());
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    files = report.files_written;
    const double rate = static_cast<double>(files) / seconds;
    std::printf("round %d: %zu files, %llu bytes in %.3f s = %.0f pages/s%s\n", r + 1, files,
                static_cast<unsigned long long>(report.bytes_written), seconds, rate,
                report.problems.empty() ? "" : " (with problems)");
    if (rate > best) best = rate;
  }
  fs::remove_all(work / "out");
  std::printf("extract_bench: %zu pages, best %.0f pages per second\n", files, best);
  return 0;
}
