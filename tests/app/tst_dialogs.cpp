// The heading styles dialog, the font dialog and the about window.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include "app/about_window.h"
#include "app/font_qt.h"
#include "app/heading_styles_dialog.h"
#include "app/shell.h"
#include "app/strings.h"
#include "app_test_support.h"

using namespace tomeshift;
using namespace tomeshift::app;
using tomeshift::testing::WhenModal;

namespace {

TFont Font(const char16_t* name, int size, bool strike = false) {
  TFont f;
  f.Name = name;
  f.Size = size;
  f.StrikeOut = strike;
  return f;
}

TfrmFontDialog* AsFontDialog(QWidget* w) { return qobject_cast<TfrmFontDialog*>(w); }

}  // namespace

class TestDialogs : public QObject {
  Q_OBJECT

 private slots:
  void headingDialogLayoutAndCaptions();
  void cancelledLevelShowsItsOldFontNextTime();
  void okUpdatesThePreview();
  void strikeOutIsLostOnOkAndKeptOnCancel();
  void typedFaceNameIsAcceptedAsTyped();
  void colourComesFromTheChooser();
  void fontMappingKeepsColoursAndStyles();
  void aboutWindow();
};

void TestDialogs::headingDialogLayoutAndCaptions() {
  TfrmHeadings headings(nullptr);
  QCOMPARE(headings.windowTitle(), QStringLiteral("Heading styles"));
  QCOMPARE(headings.size(), QSize(564, 408));
  for (int n = 1; n <= 9; ++n) {
    headings.FontDialog[n]->SetFont(Font(u"Calibri", 29 - 2 * n));
  }
  headings.Update();
  for (int n = 1; n <= 9; ++n) {
    QCOMPARE(headings.Button[n]->text(), QStringLiteral("Level %1").arg(n));
    QCOMPARE(headings.Button[n]->geometry(), QRect(450, 40 * n - 32, 100, 30));
    QCOMPARE(headings.FontDialog[n]->windowTitle(), QStringLiteral("Leve %1").arg(n));
    QCOMPARE(headings.Preview[n]->text(), QStringLiteral("Level%1: Calibri").arg(n));
    QCOMPARE(headings.Preview[n]->font().pointSize(), 29 - 2 * n);
  }
  // The labels stack in level order.
  headings.show();
  for (int n = 2; n <= 9; ++n) QVERIFY(headings.Preview[n]->y() > headings.Preview[n - 1]->y());
  QCOMPARE(headings.FontDialog[1]->size(), QSize(404, 301));
}

void TestDialogs::cancelledLevelShowsItsOldFontNextTime() {
  TfrmHeadings headings(nullptr);
  headings.FontDialog[3]->SetFont(Font(u"Calibri", 23));
  headings.Update();
  WhenModal([](QWidget* modal) {
    auto* dialog = AsFontDialog(modal);
    QVERIFY(dialog);
    dialog->seSize->setValue(40);
    dialog->cbItalic->setChecked(true);
    QTest::mouseClick(dialog->CancelBtn, Qt::LeftButton);
  });
  headings.LevelClick(3);
  // The abandoned edits are gone from the dialog, and the font is unchanged.
  QCOMPARE(headings.FontDialog[3]->seSize->value(), 23);
  QVERIFY(!headings.FontDialog[3]->cbItalic->isChecked());
  QCOMPARE(headings.FontDialog[3]->Font().Size, 23);
  QCOMPARE(headings.Preview[3]->font().pointSize(), 23);
}

void TestDialogs::okUpdatesThePreview() {
  TfrmHeadings headings(nullptr);
  headings.FontDialog[3]->SetFont(Font(u"Calibri", 23));
  headings.Update();
  WhenModal([](QWidget* modal) {
    auto* dialog = AsFontDialog(modal);
    QVERIFY(dialog);
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Leve 3"));
    dialog->cbItalic->setChecked(true);
    dialog->seSize->setValue(30);
    QTest::mouseClick(dialog->OKBtn, Qt::LeftButton);
  });
  QTest::mouseClick(headings.Preview[3], Qt::LeftButton);  // the label opens it as the button does
  QVERIFY(headings.FontDialog[3]->Font().Italic);
  QCOMPARE(headings.FontDialog[3]->Font().Size, 30);
  QVERIFY(headings.Preview[3]->font().italic());
  QCOMPARE(headings.Preview[3]->text(), QStringLiteral("Level3: Calibri"));
}

void TestDialogs::strikeOutIsLostOnOkAndKeptOnCancel() {
  TfrmFontDialog dialog(nullptr);
  dialog.SetFont(Font(u"Calibri", 12, true));
  WhenModal([](QWidget* modal) { QTest::mouseClick(AsFontDialog(modal)->CancelBtn, Qt::LeftButton); });
  QCOMPARE(dialog.exec(), int(QDialog::Rejected));
  QVERIFY(dialog.Font().StrikeOut);
  WhenModal([](QWidget* modal) { QTest::mouseClick(AsFontDialog(modal)->OKBtn, Qt::LeftButton); });
  QCOMPARE(dialog.exec(), int(QDialog::Accepted));
  QVERIFY(!dialog.Font().StrikeOut);
  QCOMPARE(dialog.Font().Name, std::u16string(u"Calibri"));
  QCOMPARE(dialog.Font().Size, 12);
}

void TestDialogs::typedFaceNameIsAcceptedAsTyped() {
  TfrmFontDialog dialog(nullptr);
  dialog.SetFont(Font(u"Calibri", 12));
  dialog.cbFontName->setEditText(QStringLiteral("No Such Face 123"));
  QCOMPARE(dialog.lbPreview->text(), QStringLiteral("No Such Face 123"));
  WhenModal([](QWidget* modal) { QTest::mouseClick(AsFontDialog(modal)->OKBtn, Qt::LeftButton); });
  dialog.exec();
  QCOMPARE(dialog.Font().Name, std::u16string(u"No Such Face 123"));
}

void TestDialogs::colourComesFromTheChooser() {
  TfrmFontDialog dialog(nullptr);
  TFont f = Font(u"Arial", 12);
  f.Color = 0xFF000008;  // a system colour survives when the user does not touch it
  dialog.SetFont(f);
  WhenModal([](QWidget* modal) { QTest::mouseClick(AsFontDialog(modal)->OKBtn, Qt::LeftButton); });
  dialog.exec();
  QCOMPARE(dialog.Font().Color, 0xFF000008u);
  int asked = 0;
  dialog.SetColorChooser([&](const QColor&) -> std::optional<QColor> {
    ++asked;
    return QColor(255, 0, 0);
  });
  emit dialog.cbColor->activated(0);
  QCOMPARE(asked, 1);
  QCOMPARE(dialog.SelectedColor(), 255u);
  QCOMPARE(dialog.lbPreview->palette().color(QPalette::WindowText), QColor(255, 0, 0));
  dialog.SetColorChooser([](const QColor&) -> std::optional<QColor> { return std::nullopt; });  // dialog cancelled
  emit dialog.cbColor->activated(0);
  QCOMPARE(dialog.SelectedColor(), 255u);
}

void TestDialogs::fontMappingKeepsColoursAndStyles() {
  struct Case {
    std::uint32_t color;
    QColor expected;
  };
  const Case cases[] = {
      {0x000000FF, QColor(255, 0, 0)}, {0x00FF0000, QColor(0, 0, 255)}, {0x00123456, QColor(0x56, 0x34, 0x12)}};
  for (const auto& c : cases) {
    QCOMPARE(ColorOf(c.color), c.expected);
    QCOMPARE(WindowsColor(c.expected), c.color);
  }
  TFont f = Font(u"Arial", 12);
  f.Bold = f.Underline = true;
  f.Color = 0x00112233;
  const TFont back = FromQFont(ToQFont(f), f.Color);
  QVERIFY(back == f);
}

void TestDialogs::aboutWindow() {
  tomeshift::testing::DesktopRecorder desktop;
  TfrmAbout about(nullptr);
  const QString version = QStringLiteral(TOMESHIFT_VERSION);
  QVERIFY(!version.isEmpty());
  QCOMPARE(about.windowTitle(), QStringLiteral("About Quorvel Tomeshift ") + version);
  QCOMPARE(about.lbSoftName->text(), QStringLiteral("Quorvel Tomeshift ") + version);
  QVERIFY(about.lbSoftName->font().bold());
  QCOMPARE(about.size(), QSize(392, 306));
  QCOMPARE(about.EmailTarget(), QStringLiteral("mailto:") + about.lbEmail->text());
  QCOMPARE(about.HomePageTarget(), about.lbWebsite->text());
  about.show();
  QTest::mouseClick(about.lbWebsite, Qt::LeftButton);
  QTest::mouseClick(about.lbEmail, Qt::LeftButton);
  QCOMPARE(desktop.opened, (QStringList{about.HomePageTarget(), about.EmailTarget()}));
  QVERIFY(about.btnOK->isDefault());
}

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
