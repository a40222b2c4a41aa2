// tomeshift-cli: converts a compiled HTML Help file into a Word document from the command line.
#include <cstdio>
#include <cstring>

namespace {

constexpr const char* kUsage =
    "Usage: tomeshift-cli [OPTIONS] INPUT.chm [-o OUTPUT]\n"
    "       tomeshift-cli --help\n";

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  std::fputs(kUsage, stderr);
  return 2;
}
