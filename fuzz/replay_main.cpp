// Stands in for libFuzzer in ordinary builds: runs the target once over every file named on the
// command line (folders are walked), so that kept inputs replay in every test run. Like libFuzzer's
// -timeout, an input that runs longer than TOMESHIFT_FUZZ_TIMEOUT seconds (60) fails the run: kept
// inputs include ones that used to take minutes.
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

const char* current_input = "";

void OnTimeout(int) {
  // Only async-signal-safe calls here.
  const char message[] = "input ran out of time: ";
  (void)!::write(2, message, sizeof message - 1);
  (void)!::write(2, current_input, std::strlen(current_input));
  (void)!::write(2, "\n", 1);
  std::_Exit(2);
}

unsigned TimeoutSeconds() {
  const char* value = std::getenv("TOMESHIFT_FUZZ_TIMEOUT");
  const long seconds = value ? std::strtol(value, nullptr, 10) : 60;
  return seconds > 0 ? static_cast<unsigned>(seconds) : 60;
}

int Replay(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "cannot read %s\n", path.c_str());
    return 1;
  }
  const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::fprintf(stderr, "replaying %s (%zu bytes)\n", path.c_str(), bytes.size());
  current_input = path.c_str();
  ::alarm(TimeoutSeconds());
  LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  ::alarm(0);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::signal(SIGALRM, OnTimeout);
  int failures = 0;
  std::size_t replayed = 0;
  for (int i = 1; i < argc; ++i) {
    const std::filesystem::path arg(argv[i]);
    if (std::filesystem::is_directory(arg)) {
      std::vector<std::filesystem::path> inputs;
      for (const auto& entry : std::filesystem::recursive_directory_iterator(arg)) {
        if (entry.is_regular_file() && entry.path().filename() != "README.md") inputs.push_back(entry.path());
      }
      std::sort(inputs.begin(), inputs.end());
      for (const auto& input : inputs) {
        failures += Replay(input);
        ++replayed;
      }
    } else {
      failures += Replay(arg);
      ++replayed;
    }
  }
  std::fprintf(stderr, "%zu inputs replayed\n", replayed);
  if (replayed == 0) {
    std::fprintf(stderr, "no inputs to replay\n");
    return 1;
  }
  return failures == 0 ? 0 : 1;
}
