// How a whole conversion grows with the size of the help file: generated help files of 3,000, 10,000
// and 20,000 topics (bench/make_convert_input.py, chmcmd; generated on first use, kept in
// $TMPDIR/tomeshift-convert-bench) each converted end to end to a .docx in a child process of its own.
// Prints per size the wall time, the peak memory of that child, and the wall and CPU time of each
// stage in total and per topic; the last table compares per-topic CPU times with the smallest size
// (CPU time, because on a shared machine the wall time mostly measures the other processes), so
// that a stage that grows faster than linearly stands out. Goal: 20,000 topics within 2 GB.
//   build/bench/scale_bench [TOPICS...]
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "converter/chm_to_doc.h"
#include "platform/temp_files.h"
#include "text/unicode.h"

namespace fs = std::filesystem;
using namespace tomeshift;
using Clock = std::chrono::steady_clock;

namespace {

const fs::path kWork = fs::temp_directory_path() / "tomeshift-convert-bench";

std::string Input(int topics) {
  const fs::path input = kWork / ("input-" + std::to_string(topics));
  const std::string chm = (input / "convert-bench.chm").string();
  if (fs::exists(chm)) return chm;
  std::printf("generating %s ...\n", chm.c_str());
  std::fflush(stdout);
  const std::string script = (fs::path(__FILE__).parent_path() / "make_convert_input.py").string();
  const std::string command =
      "python3 '" + script + "' '" + input.string() + "' " + std::to_string(topics) + " >/dev/null";
  if (std::system(command.c_str()) != 0) return {};
  return chm;
}

// The stage a progress message belongs to: its text up to a count or an ellipsis.
std::string StageOf(const std::u16string& message) {
  std::string s = U8(message);
  const std::size_t cut = s.find_first_of("(.0123456789");
  if (cut != std::string::npos) s.resize(cut);
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s.empty() ? "(end)" : s;
}

double CpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

struct Stages {
  std::vector<std::string> order;
  std::map<std::string, double> seconds, cpu;
  void Add(const std::string& stage, double s, double c) {
    if (!seconds.count(stage)) order.push_back(stage);
    seconds[stage] += s;
    cpu[stage] += c;
  }
};

// One conversion in this process; prints "stage<TAB>seconds" lines for the parent.
int ConvertOnce(const std::string& chm, FILE* report) {
  const fs::path out = kWork / ("scale-bench-" + std::to_string(::getpid()) + ".docx");
  TChmToDocPDF c;
  c.pdf = U16(out.string());
  c.OnlyWord = true;
  std::u16string error;
  Stages stages;
  std::string current = "extract";
  auto mark = Clock::now();
  double cpu_mark = CpuSeconds();
  auto enter = [&](const std::string& stage) {
    const auto now = Clock::now();
    const double cpu = CpuSeconds();
    stages.Add(current, std::chrono::duration<double>(now - mark).count(), cpu - cpu_mark);
    current = stage;
    mark = now;
    cpu_mark = cpu;
  };
  c.SetOnChange([&](const std::u16string& m, int) {
    const std::string stage = StageOf(m);
    if (stage != current) enter(stage);
  });
  c.SetOnError([&](const std::u16string& e) { error = e; });
  c.SetOnDenied([&](const std::u16string&) { c.Abort = true; });
  c.SetOnMsg([](const std::u16string&) {});

  c.LoadFromCHM(U16(chm));
  if (c.Title.empty()) c.Title = u"Benchmark";
  c.rootFolder = NewTempFolderName();
  DeleteFolder(c.rootFolder);
  c.UpdateSettings();
  c.decompile();
  enter("distill");
  c.Execute();
  enter("assemble");
  c.OutputWord();
  enter("(end)");
  if (c.Failed || !fs::exists(out)) {
    std::fprintf(stderr, "scale_bench: the conversion failed: %s\n", U8(error).c_str());
    return 1;
  }
  std::fprintf(report, "#entries\t%d\n#megabytes\t%.1f\n", c.List.Count(),
               static_cast<double>(fs::file_size(out)) / 1e6);
  for (const auto& s : stages.order)
    if (s != "(end)") std::fprintf(report, "%s\t%.3f\t%.3f\n", s.c_str(), stages.seconds[s], stages.cpu[s]);
  fs::remove(out);
  return 0;
}

struct Result {
  int topics = 0;
  int entries = 0;
  double megabytes = 0, wall = 0, cpu = 0, peak_mb = 0;
  Stages stages;
};

bool Measure(int topics, Result& result) {
  const std::string chm = Input(topics);
  if (chm.empty()) {
    std::fprintf(stderr, "scale_bench: could not generate %d topics (needs python3 and chmcmd)\n", topics);
    return false;
  }
  int fds[2];
  if (::pipe(fds) != 0) return false;
  const auto start = Clock::now();
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(fds[0]);
    FILE* report = ::fdopen(fds[1], "w");
    const int code = ConvertOnce(chm, report);
    std::fclose(report);
    ::_exit(code);
  }
  ::close(fds[1]);
  FILE* in = ::fdopen(fds[0], "r");
  char line[512];
  result.topics = topics;
  while (std::fgets(line, sizeof line, in)) {
    std::string text = line;
    const std::size_t tab = text.find('\t');
    if (tab == std::string::npos) continue;
    const std::string key = text.substr(0, tab);
    char* rest = nullptr;
    const double value = std::strtod(text.c_str() + tab + 1, &rest);
    if (key == "#entries")
      result.entries = static_cast<int>(value);
    else if (key == "#megabytes")
      result.megabytes = value;
    else
      result.stages.Add(key, value, std::strtod(rest, nullptr));
  }
  std::fclose(in);
  int status = 0;
  rusage usage{};
  ::wait4(pid, &status, 0, &usage);
  result.wall = std::chrono::duration<double>(Clock::now() - start).count();
  result.peak_mb = static_cast<double>(usage.ru_maxrss) / 1024.0;
  result.cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
               static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<int> sizes;
  for (int i = 1; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
  if (sizes.empty()) sizes = {3000, 10000, 20000};
  std::vector<Result> results;
  for (int topics : sizes) {
    Result r;
    if (!Measure(topics, r)) return 1;
    std::printf("%d topics (%d entries): %.2f s wall, %.2f s CPU, peak memory %.0f MB, document %.1f MB\n", r.topics,
                r.entries, r.wall, r.cpu, r.peak_mb, r.megabytes);
    std::printf("  %-28s %10s %10s %12s\n", "stage", "wall s", "CPU s", "CPU ms/topic");
    for (const auto& s : r.stages.order)
      if (r.stages.seconds[s] >= 0.005)
        std::printf("  %-28s %10.2f %10.2f %12.3f\n", s.c_str(), r.stages.seconds[s], r.stages.cpu[s],
                    1000.0 * r.stages.cpu[s] / r.topics);
    std::fflush(stdout);
    results.push_back(std::move(r));
  }
  if (results.size() > 1) {
    const Result& base = results.front();
    std::printf("per-topic CPU time relative to %d topics (1.00 = linear):\n", base.topics);
    for (const auto& s : base.stages.order) {
      const double b = base.stages.cpu.at(s) / base.topics;
      if (base.stages.cpu.at(s) < 0.05) continue;  // too short to compare
      std::printf("  %-28s", s.c_str());
      for (const auto& r : results) {
        const auto it = r.stages.cpu.find(s);
        if (it == r.stages.cpu.end() || b <= 0)
          std::printf("   %6s", "-");
        else
          std::printf("   %6.2f", it->second / r.topics / b);
      }
      std::printf("\n");
    }
  }
  for (const auto& r : results) {
    if (r.peak_mb > 2048) {
      std::printf("scale_bench: %d topics took %.0f MB, more than 2 GB\n", r.topics, r.peak_mb);
      return 1;
    }
  }
  std::printf("scale_bench: largest %d topics in %.2f s (%.2f s CPU), peak memory %.0f MB\n", results.back().topics,
              results.back().wall, results.back().cpu, results.back().peak_mb);
  return 0;
}
