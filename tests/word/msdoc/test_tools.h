// Running the outside readers that judge the written .doc files: LibreOffice (conversion to PDF and
// .docx), antiword, catdoc and wvText. Each call gets its own LibreOffice profile so tests can run in
// parallel.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "support/scratch_dir.h"

namespace tomeshift::word::testing {

struct CommandResult {
  int status = -1;
  std::string out;
};

inline CommandResult RunCommand(const std::string& command) {
  CommandResult r;
  FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r");
  if (!pipe) return r;
  std::array<char, 65536> buf;
  std::size_t n;
  while ((n = std::fread(buf.data(), 1, buf.size(), pipe)) > 0) r.out.append(buf.data(), n);
  r.status = ::pclose(pipe);
  return r;
}

inline std::string Quote(const std::filesystem::path& p) { return "'" + p.string() + "'"; }

// Converts the files with LibreOffice into `format` ("pdf", "docx", "png") beside a scratch profile;
// returns the produced paths in the same order (missing ones are empty paths).
inline std::vector<std::filesystem::path> LibreOfficeConvert(const std::vector<std::filesystem::path>& files,
                                                             const std::string& format,
                                                             const std::filesystem::path& out_dir) {
  tomeshift::testing::ScratchDir profile;
  std::string cmd = "timeout 600 nice -n 10 soffice -env:UserInstallation=file://" + profile.path().string() +
                    " --headless --norestore --convert-to " + format + " --outdir " + Quote(out_dir);
  for (const auto& f : files) cmd += " " + Quote(f);
  RunCommand(cmd);
  std::vector<std::filesystem::path> out;
  for (const auto& f : files) {
    auto p = out_dir / f.filename().replace_extension(format);
    out.push_back(std::filesystem::exists(p) ? p : std::filesystem::path());
  }
  return out;
}

inline int PdfPages(const std::filesystem::path& pdf) {
  const auto r = RunCommand("pdfinfo " + Quote(pdf));
  const auto at = r.out.find("Pages:");
  return at == std::string::npos ? -1 : std::stoi(r.out.substr(at + 6));
}

inline std::string ZipEntry(const std::filesystem::path& zip, const std::string& entry) {
  return RunCommand("unzip -p " + Quote(zip) + " " + entry).out;
}

// Words of a text, for recall comparisons that ignore layout.
inline std::vector<std::string> Words(const std::string& text) {
  std::vector<std::string> words;
  std::string w;
  for (char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (u > ' ' && c != '|') {
      w += c;
    } else if (!w.empty()) {
      words.push_back(w);
      w.clear();
    }
  }
  if (!w.empty()) words.push_back(w);
  return words;
}

// Share of `expected`'s words (as a multiset) that `actual` holds.
inline double Recall(const std::string& expected, const std::string& actual) {
  std::vector<std::string> a = Words(actual), e = Words(expected);
  std::sort(a.begin(), a.end());
  std::sort(e.begin(), e.end());
  std::size_t i = 0, j = 0, hit = 0;
  while (i < e.size() && j < a.size()) {
    if (e[i] == a[j])
      ++hit, ++i, ++j;
    else if (e[i] < a[j])
      ++i;
    else
      ++j;
  }
  return e.empty() ? 1.0 : static_cast<double>(hit) / static_cast<double>(e.size());
}

}  // namespace tomeshift::word::testing
