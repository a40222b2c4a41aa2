#include "app/about_window.h"

#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>

#include "app/program_icon.h"
#include "app/shell.h"
#include "app/strings.h"

namespace tomeshift::app {

QString ProductAndVersion() {
  return QString(text::kProductName) + QLatin1Char(' ') + QStringLiteral(TOMESHIFT_VERSION);
}

namespace {

QLabel* LinkLabel(const QString& caption, QWidget* parent) {
  auto* label = new QLabel(caption, parent);
  QFont f = label->font();
  f.setUnderline(true);
  label->setFont(f);
  QPalette pal = label->palette();
  pal.setColor(QPalette::WindowText, Qt::blue);
  label->setPalette(pal);
  label->setCursor(Qt::PointingHandCursor);
  label->adjustSize();
  return label;
}

}  // namespace

TfrmAbout::TfrmAbout(QWidget* owner) : QDialog(owner) {
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  QFont font(QStringLiteral("Microsoft Sans Serif"));
  font.setPointSize(8);
  setFont(font);
  setFixedSize(392, 306);
  setWindowTitle(QString(text::kAboutCaption) + ProductAndVersion());

  // White banner across the top with the picture at its right.
  auto* banner = new QFrame(this);
  banner->setGeometry(0, 0, 392, 57);
  banner->setAutoFillBackground(true);
  QPalette white = banner->palette();
  white.setColor(QPalette::Window, Qt::white);
  banner->setPalette(white);
  auto* banner_picture = new QLabel(banner);
  banner_picture->setPixmap(QPixmap::fromImage(PaintProgramIcon(48)));
  banner_picture->setGeometry(392 - 48 - 12, 4, 48, 48);

  auto* picture = new QLabel(this);
  picture->setPixmap(QPixmap::fromImage(PaintProgramIcon(48)));
  picture->setGeometry(16, 72, 48, 48);

  lbSoftName = new QLabel(ProductAndVersion(), this);
  QFont bold = lbSoftName->font();
  bold.setBold(true);
  lbSoftName->setFont(bold);
  lbSoftName->setGeometry(80, 72, 300, 18);

  lbNotice = new QLabel(text::kRightsNotice, this);
  lbNotice->setWordWrap(true);
  lbNotice->setGeometry(80, 94, 300, 32);

  auto* website_label = new QLabel(text::kWebsiteLabel, this);
  website_label->setGeometry(80, 134, 60, 18);
  home_page_ = text::kWebsite;
  lbWebsite = LinkLabel(home_page_, this);
  lbWebsite->setGeometry(140, 134, lbWebsite->width(), 18);  // same height as its caption: one baseline
  lbWebsite->installEventFilter(this);

  auto* email_label = new QLabel(text::kEmailLabel, this);
  email_label->setGeometry(80, 156, 60, 18);
  lbEmail = LinkLabel(text::kEmail, this);
  lbEmail->setGeometry(140, 156, lbEmail->width(), 18);
  email_ = QString(text::kMailtoScheme) + text::kEmail;
  lbEmail->installEventFilter(this);

  auto* line = new QFrame(this);
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);
  line->setGeometry(12, 184, 368, 2);

  auto* legal = new QLabel(text::kLegalNotice, this);
  legal->setWordWrap(true);
  legal->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  legal->setGeometry(12, 192, 368, 66);

  btnOK = new QPushButton(text::kOk, this);
  btnOK->setGeometry(158, 268, 75, 25);
  btnOK->setDefault(true);
  connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
}

bool TfrmAbout::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonRelease && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    if (watched == lbWebsite) {
      actHomePage();
      return true;
    }
    if (watched == lbEmail) {
      actEmail();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void TfrmAbout::actHomePage() { OpenWithShell(this, home_page_); }
void TfrmAbout::actEmail() { OpenWithShell(this, email_); }

}  // namespace tomeshift::app
