// A whole conversion, end to end: a generated help file of 3,000 topics (bench/make_convert_input.py,
// chmcmd) goes through the job's seven steps to a .docx; prints the wall time of each stage, the
// whole run and the peak memory of the process.
//   build/bench/convert_bench [FILE.chm] [TOPICS]
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "converter/chm_to_doc.h"
#include "platform/temp_files.h"
#include "text/unicode.h"

namespace fs = std::filesystem;
using namespace tomeshift;

int main(int argc, char** argv) {
  const fs::path work = fs::temp_directory_path() / "tomeshift-convert-bench";
  const int topics = argc > 2 ? std::atoi(argv[2]) : 3000;
  std::string chm = argc > 1 && argv[1][0] ? argv[1] : "";
  if (chm.empty()) {
    const fs::path input = work / ("input-" + std::to_string(topics));
    chm = (input / "convert-bench.chm").string();
    if (!fs::exists(chm)) {
      std::printf("generating %s ...\n", chm.c_str());
      const std::string script = (fs::path(__FILE__).parent_path() / "make_convert_input.py").string();
      const std::string command =
          "python3 '" + script + "' '" + input.string() + "' " + std::to_string(topics) + " >/dev/null";
      if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "could not generate the input (needs python3 and chmcmd)\n");
        return 1;
      }
    }
  }
  const fs::path out = work / "convert-bench.docx";
  fs::remove(out);

  using clock = std::chrono::steady_clock;
  auto seconds = [](clock::time_point a, clock::time_point b) { return std::chrono::duration<double>(b - a).count(); };
  TChmToDocPDF c;
  c.pdf = U16(out.string());
  c.OnlyWord = true;
  std::u16string error;
  int reports = 0;
  c.SetOnChange([&](const std::u16string&, int) { ++reports; });
  c.SetOnError([&](const std::u16string& e) { error = e; });
  c.SetOnDenied([&](const std::u16string&) { c.Abort = true; });
  c.SetOnMsg([](const std::u16string&) {});

  const auto t0 = clock::now();
  c.LoadFromCHM(U16(chm));
  c.Title = c.Title.empty() ? u"Benchmark" : c.Title;
  c.rootFolder = NewTempFolderName();
  DeleteFolder(c.rootFolder);
  c.UpdateSettings();
  c.decompile();
  const auto t1 = clock::now();
  c.Execute();
  const auto t2 = clock::now();
  c.OutputWord();
  const auto t3 = clock::now();

  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  if (c.Failed || !fs::exists(out)) {
    std::fprintf(stderr, "convert_bench: the conversion failed: %s\n", U8(error).c_str());
    return 1;
  }
  std::printf("entries %d, progress reports %d, document %.1f MB\n", c.List.Count(), reports,
              static_cast<double>(fs::file_size(out)) / 1e6);
  std::printf("extract %.2f s, distill %.2f s, assemble and save %.2f s\n", seconds(t0, t1), seconds(t1, t2),
              seconds(t2, t3));
  std::printf("convert_bench: %d topics end to end in %.2f s, peak memory %.0f MB\n", c.List.Count(), seconds(t0, t3),
              static_cast<double>(usage.ru_maxrss) / 1024.0);
  fs::remove(out);
  return 0;
}
