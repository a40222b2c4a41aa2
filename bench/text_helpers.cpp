// Throughput of the text helpers that the page scanners call per character or per tag.
#include <chrono>
#include <cstdio>
#include <string>

#include "text/html_vocabulary.h"
#include "text/path_helpers.h"
#include "text/text_utils.h"

using namespace tomeshift;

namespace {

template <class F>
double Seconds(F&& f) {
  const auto start = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main() {
  // A page-sized text rich in references: about 4 MB of UTF-16.
  std::u16string page;
  while (page.size() < 2'000'000) {
    page +=
        u"<p class=\"body\">Caf&eacute; &amp; r&eacute;sum&eacute; &#8212; x &lt; y &nbsp;&copy; 2004 "
        u"<a href=\"topics/setup.htm#steps\" target=_top>Setup</a> &unknown; &#65</p>\r\n";
  }
  std::size_t sink = 0;
  const double decode = Seconds([&] {
    for (int i = 0; i < 5; ++i) sink += DecodeHtmlEntities(page).size();
  });
  std::printf("DecodeHtmlEntities: %.1f MB/s (UTF-16 bytes)\n", 5 * page.size() * 2 / decode / 1e6);

  const double title = Seconds([&] {
    for (int i = 0; i < 5; ++i) sink += GetPageTitle(page + u"<TITLE>t</TITLE>").size();
  });
  std::printf("GetPageTitle (title at the end): %.1f MB/s\n", 5 * page.size() * 2 / title / 1e6);

  const std::u16string tag = u"<img border=0 alt='Previous topic' width=24 height=24 src='nav/prev.gif'>";
  const double attr = Seconds([&] {
    for (int i = 0; i < 1'000'000; ++i) sink += GetAttributeValue(tag, u"src").size();
  });
  std::printf("GetAttributeValue: %.0f tags/s\n", 1e6 / attr);

  const char16_t* names[] = {u"p", u"TD", u"span", u"Div", u"img", u"script", u"b", u"TABLE"};
  const double lookups = Seconds([&] {
    for (int i = 0; i < 4'000'000; ++i) {
      const auto* name = names[i % 8];
      sink += IsBreakTag(name) + IsNonDocumentTag(name) + IsEmptyTag(name);
    }
  });
  std::printf("tag classification: %.1f M lookups/s\n", 12.0 / lookups);

  const double normalize = Seconds([&] {
    for (int i = 0; i < 1'000'000; ++i) sink += NormalizePath(u"html/topics/../images/a%20b/./logo.gif").size();
  });
  std::printf("NormalizePath: %.0f paths/s\n", 1e6 / normalize);
  return sink == 0;
}
