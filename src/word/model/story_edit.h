// Editing helpers over a story of the model, shared by the automation objects and the contents
// builder: which paragraphs a span touches, formatting a span, and effective formatting.
#pragma once

#include <cstddef>
#include <functional>
#include <vector>

#include "word/model/document_model.h"

namespace tomeshift::word {

// Terminator positions of the paragraphs that [start, end) touches (the one holding start when the
// span is empty). A span that ends exactly where a paragraph starts does not touch it. Tables are skipped.
std::vector<std::size_t> ParagraphMarksIn(const Story& s, std::size_t start, std::size_t end);

void ApplyRunProps(DocModel& doc, Story& s, std::size_t start, std::size_t end,
                   const std::function<void(RunProps&)>& f);
void ApplyParaProps(DocModel& doc, Story& s, std::size_t start, std::size_t end,
                    const std::function<void(ParaProps&)>& f);

// Run props in force at pos: direct formatting over the character style, the paragraph style chain
// and the document defaults, all fields set.
RunProps EffectiveRunProps(const DocModel& doc, const Story& s, std::size_t pos);
RunProps EffectiveStyleRunProps(const DocModel& doc, int style);
ParaProps EffectiveStyleParaProps(const DocModel& doc, int style);

// The run format that text inserted at pos takes: the preceding character's in the same paragraph,
// else the following one's, else plain.
std::uint32_t InsertionRunFormat(const Story& s, std::size_t pos);

// Plain text of [start, end) without structural characters (tabs become spaces).
std::u16string PlainText(const Story& s, std::size_t start, std::size_t end);

}  // namespace tomeshift::word
