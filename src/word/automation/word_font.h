// Font and ParagraphFormat: formatting of a range's characters and paragraphs, or of a style.
// Colours are the word processor's (blue * 65536 + green * 256 + red; -16777216 automatic).
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "word/model/document_model.h"

namespace tomeshift::word {

class Style;

constexpr int kWdColorAutomatic = -16777216;
constexpr int kWdUndefined = 9999999;

// What a Font or ParagraphFormat acts on: a span of a story, or a style.
struct FormatTarget {
  DocModel* doc = nullptr;
  Story* story = nullptr;
  std::shared_ptr<RangePos> pos;
  int style = -1;  // >= 0: the style, not a span
};

class Font {
 public:
  explicit Font(FormatTarget t) : t_(std::move(t)) {}
  std::u16string Name() const;
  void SetName(const std::u16string& name);
  double Size() const;  // points
  void SetSize(double points);
  int Color() const;
  void SetColor(int word_color);
  bool Bold() const;
  void SetBold(bool on);
  bool Italic() const;
  void SetItalic(bool on);
  int Underline() const;  // 0 none, 1 single
  void SetUnderline(int kind);
  void SetStrikeThrough(bool on);
  void SetSuperscript(bool on);
  void SetSubscript(bool on);

 private:
  RunProps Current() const;
  void Change(const std::function<void(RunProps&)>& f);
  FormatTarget t_;
};

class ParagraphFormat {
 public:
  explicit ParagraphFormat(FormatTarget t) : t_(std::move(t)) {}
  int Alignment() const;  // 0 left, 1 centre, 2 right, 3 justify
  void SetAlignment(int a);
  int OutlineLevel() const;  // 1..9, 10 body text
  void SetOutlineLevel(int level);
  Style GetStyle() const;
  void SetStyle(int builtin_index);
  void SetStyle(const Style& style);
  void SetKeepWithNext(bool on);

 private:
  ParaProps Current() const;
  void Change(const std::function<void(ParaProps&)>& f);
  FormatTarget t_;
};

int ToWordColor(std::int32_t rgb);
std::int32_t FromWordColor(int word_color);

}  // namespace tomeshift::word
