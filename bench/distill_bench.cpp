// The whole distillation of a large help file: 3,000 topic pages in 30 folders that share a header
// (logo, navigation bar) and a footer, each with text of its own, named anchors, links to other
// topics (some to anchors, some between folders), a shared style sheet, and every tenth contents
// entry pointing into an anchor of a page that another entry also cites (so those pages are split).
// The pages are written to a scratch folder on disk and the contents list is loaded from its
// sitemap; the timed part is Execute with hints on.
// Usage: distill_bench [pages]
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "converter/chm_distill.h"
#include "platform/file_system.h"
#include "platform/temp_files.h"
#include "text/unicode.h"

using namespace tomeshift;

namespace {

const char* const kWords[] = {
    "file",    "window",   "select",   "option",  "report",   "data",     "server",   "client",    "button",
    "dialog",  "menu",     "settings", "network", "printer",  "document", "page",     "table",     "record",
    "field",   "value",    "default",  "user",    "account",  "password", "security", "backup",    "restore",
    "export",  "import",   "format",   "chart",   "schedule", "job",      "log",      "error",     "message",
    "connect", "database", "query",    "filter",  "sort",     "column",   "row",      "configure", "install",
    "remove",  "update",   "license",  "feature", "module",   "template", "style",    "font",      "margin",
};

std::string Words(std::mt19937& random, int count) {
  std::string text;
  for (int n = 0; n < count; ++n) {
    if (n) text += ' ';
    text += kWords[random() % std::size(kWords)];
  }
  return text;
}

std::string PageName(int n) { return "f" + std::to_string(n % 30) + "/topic" + std::to_string(n) + ".htm"; }

std::string Page(std::mt19937& random, int n, int pages) {
  std::string body;
  body += "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">";
  body += "<title>Topic " + std::to_string(n) + "</title>";
  body += "<link rel=\"stylesheet\" media=\"screen\" href=\"../help.css\"></head><body>\n";
  body +=
      "<div class=\"header\"><img src=\"../logo.gif\"><a href=\"../f0/topic0.htm\">Home</a> | "
      "<a href=\"../f1/topic1.htm\">Index</a> | <a href=\"../f2/topic2.htm\">Search</a></div>\n";
  body += "<h1>Topic " + std::to_string(n) + "</h1>\n";
  for (int s = 0; s < 4; ++s) {
    body += "<h2><a name=\"s" + std::to_string(s) + "\"></a>" + Words(random, 4) + "</h2>\n<p>" + Words(random, 60);
    const int target = static_cast<int>(random() % static_cast<unsigned>(pages));
    body += " <a href=\"../" + PageName(target) + (s % 2 ? "#s" + std::to_string(s) : std::string()) + "\">" +
            Words(random, 2) + "</a> " + Words(random, 30) + "</p>\n";
  }
  body +=
      "<div class=\"footer\">Copyright 2026 Example Software Ltd. All rights reserved. Send feedback on this "
      "topic.</div>\n</body></html>\n";
  return body;
}

void Write(const std::u16string& path, const std::string& bytes) { FileSystem().WriteFile(path, bytes); }

}  // namespace

int main(int argc, char** argv) {
  const int pages = argc > 1 ? std::atoi(argv[1]) : 3000;
  const std::u16string root = NewTempFolderName();
  FileSystem().CreateDirectories(root);
  std::mt19937 random(7);
  for (int f = 0; f < 30; ++f) FileSystem().CreateDirectories(root + u"f" + U16(std::to_string(f)));
  std::string hhc = "<html><body><ul>\n";
  std::size_t bytes = 0;
  for (int n = 0; n < pages; ++n) {
    const std::string page = Page(random, n, pages);
    bytes += page.size();
    Write(root + U16(PageName(n)), page);
    std::string local = PageName(n);
    if (n % 10 == 9) local = PageName(n - 1) + "#s2";  // a second entry into the previous page
    if (n % 10 == 8) local += "#s0";
    hhc += "<li><object type=\"text/sitemap\"><param name=\"Name\" value=\"Topic " + std::to_string(n) +
           "\"><param name=\"Local\" value=\"" + local + "\"></object>\n";
    if (n % 50 == 0) hhc += "<ul>\n";
    if (n % 50 == 49) hhc += "</ul>\n";
  }
  hhc += "</ul></body></html>\n";
  Write(root + u"help.css", ".hidden{display:none} p{text-align:justify}\n");
  Write(root + u"help.hhc", hhc);

  TCHMDistill distill;
  distill.rootFolder = root;
  distill.chmFile = root + u"help.chm";
  distill.hhcFile = root + u"help.hhc";
  distill.AddHint = true;
  distill.LoadContentsSitemap();

  const auto start = std::chrono::steady_clock::now();
  distill.Execute();
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  int split = 0;
  for (const auto& entry : distill.List) split += entry->Url.find(u'_') != std::u16string::npos ? 1 : 0;
  std::printf("pages %d (%.1f MB of HTML), entries %d, section entries %d, addenda pages %d\n", pages,
              static_cast<double>(bytes) / 1e6, distill.List.Count(), split, distill.NonTocicFiles.Count());
  const auto cpu = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
  };
  // Wall time includes the disk: rewriting files in place makes some file systems flush each one.
  std::printf("distillation %.2f s (process CPU %.2f s user, %.2f s system), peak memory %.1f MB\n", seconds,
              cpu(usage.ru_utime), cpu(usage.ru_stime), static_cast<double>(usage.ru_maxrss) / 1024.0);
  DeleteFolder(root);
  return 0;
}
