// Page reading and writing speed: generated pages (40 KB of text each) in four encodings are read with
// ReadPageText and written back with WritePageText, as the distiller does for every page.
// Prints megabytes of page text per second for each encoding.
//   build/bench/text_encoding_bench [PAGES] [ROUNDS]
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/code_pages.h"
#include "platform/text_files.h"
#include "text/unicode.h"

namespace fs = std::filesystem;
using namespace tomeshift;

namespace {

struct Kind {
  const char* name;
  const char* charset;   // nullptr: no declaration
  const char* sentence;  // UTF-8
};

std::u16string MakePage(const Kind& kind, std::size_t size) {
  std::string head = "<html><head>";
  if (kind.charset)
    head += std::string("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=") + kind.charset + "\">";
  head += "<title>Page</title></head><body>\n";
  std::u16string text = U16(head);
  const std::u16string sentence = U16(std::string("<p>") + kind.sentence + "</p>\n");
  while (text.size() < size) text += sentence;
  return text + u"</body></html>\n";
}

}  // namespace

int main(int argc, char** argv) {
  const int pages = argc > 1 ? std::atoi(argv[1]) : 200;
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
  const Kind kinds[] = {
      {"ANSI, no declaration", nullptr, "The quick brown fox jumps over the lazy dog, caf\xC3\xA9 and na\xC3\xAFve."},
      {"windows-1251", "windows-1251",
       "\xD0\xA1\xD1\x8A\xD0\xB5\xD1\x88\xD1\x8C \xD0\xB6\xD0\xB5 \xD0\xB5\xD1\x89\xD1\x91 "
       "\xD1\x8D\xD1\x82\xD0\xB8\xD1\x85 \xD0\xB1\xD1\x83\xD0\xBB\xD0\xBE\xD0\xBA."},
      {"shift_jis", "shift_jis",
       "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE3\x81\xAE\xE3\x83\x86\xE3\x82\xAD\xE3\x82\xB9"
       "\xE3\x83\x88\xE3\x81\xA7\xE3\x81\x99\xE3\x80\x82"},
      {"utf-8", "utf-8",
       "Gr\xC3\xBC\xC3\x9F"
       "e, \xE4\xB8\x96\xE7\x95\x8C and more text."},
  };
  char pattern[] = "/tmp/tomeshift-text-bench-XXXXXX";
  if (!::mkdtemp(pattern)) return 1;
  const fs::path work = pattern;
  std::printf("%d pages of about 40 KB, best of %d rounds\n", pages, rounds);
  for (const Kind& kind : kinds) {
    const std::u16string page = MakePage(kind, 40000);
    std::size_t text_units = 0;
    for (int i = 0; i < pages; ++i) {
      WritePageText(page, U16((work / ("p" + std::to_string(i) + ".htm")).string()));
      text_units += page.size();
    }
    double best = 1e9;
    for (int r = 0; r < rounds; ++r) {
      const auto start = std::chrono::steady_clock::now();
      for (int i = 0; i < pages; ++i) {
        const std::u16string path = U16((work / ("p" + std::to_string(i) + ".htm")).string());
        const std::u16string text = ReadPageText(path);
        if (text.size() != page.size()) {
          std::fprintf(stderr, "%s: page %d read back wrong\n", kind.name, i);
          fs::remove_all(work);
          return 1;
        }
        WritePageText(text, path);
      }
      best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    const double megabytes = static_cast<double>(text_units) * 2 / 1e6;
    std::printf("%-22s read+write %7.1f MB/s of UTF-16 text (%.0f pages/s)\n", kind.name, megabytes / best,
                pages / best);
  }
  fs::remove_all(work);
  return 0;
}
