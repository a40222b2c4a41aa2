#include "word/word_test_util.h"

#include <array>
#include <cstdio>
#include <cstdlib>

#include "text/unicode.h"
#include "word/image/png_encoder.h"
#include "word/model/story_builder.h"

namespace tomeshift::word::testing {

std::string Visible(const Story& s) { return Visible(s, 0, s.size()); }

std::string Visible(const Story& s, std::size_t start, std::size_t end) {
  std::string out;
  for (std::size_t i = start; i < end && i < s.size(); ++i) {
    switch (s.at(i)) {
      case ch::kParagraph:
        out += "¶";
        break;
      case ch::kSection:
        out += "§";
        break;
      case ch::kFieldBegin:
        out += "{";
        break;
      case ch::kFieldEnd:
        out += "}";
        break;
      case ch::kPicture:
        out += "▲";
        break;
      case ch::kTable:
        out += "▦";
        break;
      case ch::kTab:
        out += "→";
        break;
      case ch::kLineBreak:
        out += "↵";
        break;
      case ch::kPageBreak:
        out += "⇟";
        break;
      default:
        out += U8(std::u16string(1, s.at(i)));
    }
  }
  return out;
}

std::string MakePng(int width, int height, unsigned rgb) {
  std::string px(static_cast<std::size_t>(width) * height * 4, '\0');
  for (std::size_t i = 0; i < px.size(); i += 4) {
    px[i] = static_cast<char>((rgb >> 16) & 0xFF);
    px[i + 1] = static_cast<char>((rgb >> 8) & 0xFF);
    px[i + 2] = static_cast<char>(rgb & 0xFF);
    px[i + 3] = static_cast<char>(0xFF);
  }
  return EncodePng(px, width, height);
}

void FillPage(DocModel& doc, const std::vector<std::u16string>& paragraphs) {
  StoryBuilder b(doc, doc.main);
  for (const auto& p : paragraphs) {
    b.Text(p);
    b.EndParagraph();
  }
}

std::vector<std::filesystem::path> ConvertToPdf(const std::vector<std::filesystem::path>& files,
                                                const std::filesystem::path& out_dir, std::string* error) {
  std::vector<std::filesystem::path> pdfs;
  if (std::system("command -v soffice >/dev/null 2>&1") != 0) return pdfs;
  // A profile of our own, so parallel runs do not share LibreOffice's lock.
  std::string cmd = "soffice -env:UserInstallation=file://" + (out_dir / "lo-profile").string() +
                    " --headless --norestore --convert-to pdf --outdir '" + out_dir.string() + "'";
  for (const auto& f : files) cmd += " '" + f.string() + "'";
  cmd += " 2>&1";
  std::string output;
  if (FILE* p = ::popen(cmd.c_str(), "r")) {
    std::array<char, 512> buf{};
    while (std::fgets(buf.data(), buf.size(), p)) output += buf.data();
    int rc = ::pclose(p);
    if (rc != 0 && error) *error = "soffice exit " + std::to_string(rc) + ": " + output;
  }
  for (const auto& f : files) {
    auto pdf = out_dir / f.filename().replace_extension(".pdf");
    if (std::filesystem::exists(pdf) && std::filesystem::file_size(pdf) > 0)
      pdfs.push_back(pdf);
    else if (error)
      *error += "\nno PDF for " + f.string() + "; soffice said: " + output;
  }
  return pdfs;
}

}  // namespace tomeshift::word::testing
