#include "app/heading_styles_dialog.h"

#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include "app/font_qt.h"
#include "app/strings.h"

namespace tomeshift::app {

TfrmHeadings::TfrmHeadings(QWidget* owner) : QDialog(owner) {
  setWindowTitle(text::kHeadingStylesCaption);
  setFixedSize(564, 408);

  ScrollBox1 = new QScrollArea(this);
  ScrollBox1->setGeometry(8, 8, 425, 353);
  ScrollBox1->setWidgetResizable(true);
  auto* content = new QWidget;
  content->setAutoFillBackground(true);
  QPalette white = content->palette();
  white.setColor(QPalette::Window, Qt::white);
  content->setPalette(white);
  auto* stack = new QVBoxLayout(content);
  stack->setContentsMargins(4, 4, 4, 4);
  stack->setSpacing(5);

  for (int n = 1; n <= 9; ++n) {
    Button[n] = new QPushButton(QString(text::kLevelButton) + QString::number(n), this);
    Button[n]->setProperty("tag", n);
    Button[n]->setGeometry(450, 40 * n - 32, 100, 30);
    Button[n]->setAutoDefault(false);
    connect(Button[n], &QPushButton::clicked, this, [this, n] { LevelClick(n); });

    FontDialog[n] = new TfrmFontDialog(this);
    FontDialog[n]->setProperty("tag", n);
    FontDialog[n]->setWindowTitle(QString(text::kFontDialogCaption) + QString::number(n));

    Preview[n] = new QLabel(content);
    Preview[n]->setProperty("tag", n);
    Preview[n]->setMinimumHeight(30);
    Preview[n]->setCursor(Qt::PointingHandCursor);
    Preview[n]->installEventFilter(this);
    stack->addWidget(Preview[n]);
  }
  stack->addStretch();
  ScrollBox1->setWidget(content);

  OKBtn = new QPushButton(text::kOk, this);
  OKBtn->setGeometry(392, 372, 75, 25);
  OKBtn->setDefault(true);
  CancelBtn = new QPushButton(text::kCancel, this);
  CancelBtn->setGeometry(475, 372, 75, 25);
  CancelBtn->setAutoDefault(false);
  connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
  connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
  Update();
}

void TfrmHeadings::Update() {
  for (int n = 1; n <= 9; ++n) {
    const TFont& font = FontDialog[n]->Font();
    Preview[n]->setFont(ToQFont(font));
    QPalette pal = Preview[n]->palette();
    pal.setColor(QPalette::WindowText, ColorOf(font.Color));
    Preview[n]->setPalette(pal);
    Preview[n]->setText(QString(text::kPreviewPrefix) + QString::number(n) + QStringLiteral(": ") + FaceName(font));
  }
}

void TfrmHeadings::LevelClick(int n) {
  if (n < 1 || n > 9) return;
  if (FontDialog[n]->exec() == QDialog::Accepted) {
    Update();
  } else {
    FontDialog[n]->Apply();
  }
}

bool TfrmHeadings::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonRelease && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    const int n = watched->property("tag").toInt();
    if (n >= 1 && n <= 9 && watched == Preview[n]) {
      LevelClick(n);
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace tomeshift::app
