#include "app/font_dialog.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "app/font_qt.h"
#include "app/strings.h"

namespace tomeshift::app {
namespace {

QIcon Swatch(const QColor& color) {
  QPixmap pixmap(24, 14);
  pixmap.fill(color);
  return QIcon(pixmap);
}

// The dialog starts from the system's default font, as a new font object does.
TFont DefaultFont() {
  const QFont system = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
  TFont f;
  f.Name = system.family().toStdU16String();
  f.Size = system.pointSize() > 0 ? system.pointSize() : 8;
  return f;
}

}  // namespace

TfrmFontDialog::TfrmFontDialog(QWidget* owner) : QDialog(owner), FFont(DefaultFont()), preview_(FFont) {
  setFixedSize(404, 301);

  cbFontName = new QComboBox(this);
  cbFontName->setEditable(true);
  cbFontName->setInsertPolicy(QComboBox::NoInsert);
  cbFontName->addItems(QFontDatabase::families());

  seSize = new QSpinBox(this);
  seSize->setRange(1, 100);

  cbColor = new QComboBox(this);
  cbColor->addItem(text::kCustomColor);
  cbColor->setIconSize(QSize(24, 14));

  auto* fields = new QFormLayout;
  fields->addRow(text::kFontNameLabel, cbFontName);
  fields->addRow(text::kSizeLabel, seSize);
  fields->addRow(text::kColorLabel, cbColor);

  auto* style = new QGroupBox(text::kStyleGroup, this);
  cbBold = new QCheckBox(text::kBold, style);
  cbItalic = new QCheckBox(text::kItalic, style);
  cbUnderline = new QCheckBox(text::kUnderline, style);
  auto* style_layout = new QVBoxLayout(style);
  style_layout->addWidget(cbBold);
  style_layout->addWidget(cbItalic);
  style_layout->addWidget(cbUnderline);

  auto* top = new QHBoxLayout;
  top->addLayout(fields, 3);
  top->addWidget(style, 1);

  auto* preview_box = new QGroupBox(text::kPreviewGroup, this);
  lbPreview = new QLabel(preview_box);
  lbPreview->setAlignment(Qt::AlignCenter);
  auto* preview_layout = new QVBoxLayout(preview_box);
  preview_layout->addWidget(lbPreview);

  OKBtn = new QPushButton(text::kOk, this);
  OKBtn->setDefault(true);
  CancelBtn = new QPushButton(text::kCancel, this);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(OKBtn);
  buttons->addWidget(CancelBtn);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(preview_box, 1);
  layout->addLayout(buttons);

  connect(OKBtn, &QPushButton::clicked, this, &TfrmFontDialog::OKBtnClick);
  connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
  connect(cbFontName, &QComboBox::currentTextChanged, this, &TfrmFontDialog::UpdatePreview);
  connect(seSize, &QSpinBox::valueChanged, this, &TfrmFontDialog::UpdatePreview);
  connect(cbColor, &QComboBox::activated, this, &TfrmFontDialog::ChooseColor);
  for (QCheckBox* box : {cbBold, cbItalic, cbUnderline}) {
    connect(box, &QCheckBox::toggled, this, &TfrmFontDialog::UpdatePreview);
  }
  chooser_ = [this](const QColor& current) -> std::optional<QColor> {
    const QColor chosen = QColorDialog::getColor(current, this);
    if (!chosen.isValid()) return std::nullopt;
    return chosen;
  };
  Apply();
}

void TfrmFontDialog::SetFont(const TFont& value) {
  FFont = value;
  Apply();
}

void TfrmFontDialog::Apply() {
  applying_ = true;
  cbFontName->setEditText(FaceName(FFont));
  seSize->setValue(FFont.Size);
  SelectColor(FFont.Color);
  cbBold->setChecked(FFont.Bold);
  cbItalic->setChecked(FFont.Italic);
  cbUnderline->setChecked(FFont.Underline);
  applying_ = false;
  UpdatePreview();
}

void TfrmFontDialog::SetColorChooser(std::function<std::optional<QColor>(const QColor&)> chooser) {
  chooser_ = std::move(chooser);
}

void TfrmFontDialog::SelectColor(std::uint32_t color) {
  color_ = color;
  cbColor->setItemIcon(0, Swatch(ColorOf(color)));
  cbColor->setCurrentIndex(0);
  UpdatePreview();
}

void TfrmFontDialog::ChooseColor() {
  if (!chooser_) return;
  if (auto chosen = chooser_(ColorOf(color_))) SelectColor(WindowsColor(*chosen));
}

void TfrmFontDialog::UpdatePreview() {
  if (applying_) return;
  // The label's own strike-out is never touched, so it is never carried over.
  preview_.Name = cbFontName->currentText().toStdU16String();
  preview_.Size = seSize->value();
  preview_.Color = color_;
  preview_.Bold = cbBold->isChecked();
  preview_.Italic = cbItalic->isChecked();
  preview_.Underline = cbUnderline->isChecked();
  lbPreview->setText(cbFontName->currentText());
  lbPreview->setFont(ToQFont(preview_));
  QPalette pal = lbPreview->palette();
  pal.setColor(QPalette::WindowText, ColorOf(preview_.Color));
  lbPreview->setPalette(pal);
}

void TfrmFontDialog::OKBtnClick() {
  UpdatePreview();
  FFont = preview_;
  accept();
}

}  // namespace tomeshift::app
