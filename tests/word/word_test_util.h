// Helpers for the word engine's tests: readable story text, small pictures, and LibreOffice.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "word/automation/word_application.h"
#include "word/model/document_model.h"

namespace tomeshift::word::testing {

// Story text with its structure visible: paragraph "¶", section "§", field "{" "}", picture "▲",
// table "▦", tab "→", line break "↵", page break "⇟".
std::string Visible(const Story& s);
std::string Visible(const Story& s, std::size_t start, std::size_t end);

// A valid PNG of the given size (solid colour).
std::string MakePng(int width, int height, unsigned rgb = 0x3366CC);

// Fills a page document as an importer would: paragraphs of plain text.
void FillPage(DocModel& doc, const std::vector<std::u16string>& paragraphs);

// Converts every file to PDF with LibreOffice headless in one run; returns the PDFs that came out
// (empty when soffice is missing). error receives soffice's output when something failed.
std::vector<std::filesystem::path> ConvertToPdf(const std::vector<std::filesystem::path>& files,
                                                const std::filesystem::path& out_dir, std::string* error);

}  // namespace tomeshift::word::testing
