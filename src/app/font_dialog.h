// The font dialog of one heading level: face, size, colour and styles with a live preview.
#pragma once

#include <QDialog>
#include <functional>
#include <optional>

#include "text/font_spec.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;

namespace tomeshift::app {

class TfrmFontDialog final : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmFontDialog(QWidget* owner);

  const TFont& Font() const { return FFont; }
  void SetFont(const TFont& value);
  // Shows Font in the controls (abandoned edits disappear).
  void Apply();

  // The font the preview shows, built from the controls.
  const TFont& PreviewFont() const { return preview_; }
  std::uint32_t SelectedColor() const { return color_; }
  // What choosing the colour entry does; tests set it to skip the system colour dialog.
  void SetColorChooser(std::function<std::optional<QColor>(const QColor& current)> chooser);

  QComboBox* cbFontName = nullptr;
  QSpinBox* seSize = nullptr;
  QComboBox* cbColor = nullptr;
  QCheckBox* cbBold = nullptr;
  QCheckBox* cbItalic = nullptr;
  QCheckBox* cbUnderline = nullptr;
  QLabel* lbPreview = nullptr;
  QPushButton* OKBtn = nullptr;
  QPushButton* CancelBtn = nullptr;

 private:
  void UpdatePreview();
  void ChooseColor();
  void SelectColor(std::uint32_t color);
  void OKBtnClick();

  TFont FFont;
  TFont preview_;
  std::uint32_t color_ = 0;
  bool applying_ = false;
  std::function<std::optional<QColor>(const QColor&)> chooser_;
};

}  // namespace tomeshift::app
