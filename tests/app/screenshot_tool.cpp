// Writes PNG pictures of the desktop windows (scripts/screenshots runs it under a virtual display):
// the main window with a help file chosen, the heading styles dialog, a font dialog, the progress
// window during a run and the about window.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <cstdio>

#include "app/about_window.h"
#include "app/heading_styles_dialog.h"
#include "app/main_window.h"
#include "app/progress_window.h"
#include "app_test_support.h"

using namespace tomeshift;
using namespace tomeshift::app;

namespace {

void Settle() {
  for (int i = 0; i < 20; ++i) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(10);
  }
}

bool Save(QWidget* w, const QDir& out, const QString& name) {
  Settle();
  const QString path = out.filePath(name);
  if (!w->grab().save(path, "PNG")) {
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
  }
  std::printf("%s\n", qPrintable(path));
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const QDir out(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("screenshots"));
  QDir().mkpath(out.absolutePath());
  QTemporaryDir scratch;
  qputenv("TMPDIR", scratch.path().toUtf8());
  testing::BoxRecorder quiet;  // nothing here should ask, but never wait for a person

  RegistryFileStore store(scratch.filePath("Tomeshift.reg").toStdString(), kSettingsKey);
  TfrmMain main_window(store, MainWindowServices{});
  const QString chm = scratch.filePath("Tomeshift User Manual.chm");
  QFile::copy(testing::SampleHelpFile(), chm);
  main_window.edtSourceFile->setText(chm);
  main_window.show();
  bool ok = Save(&main_window, out, "main-window.png");

  TfrmHeadings headings(&main_window);
  for (int n = 1; n <= 9; ++n) headings.FontDialog[n]->SetFont(main_window.HeadingFont[n]);
  headings.Update();
  headings.show();
  ok = Save(&headings, out, "heading-styles.png") && ok;
  headings.FontDialog[1]->show();
  ok = Save(headings.FontDialog[1], out, "font-dialog.png") && ok;
  headings.FontDialog[1]->hide();
  headings.hide();

  {
    // A real run on a help file of many pages, pictured in its topic loop and then cancelled.
    testing::DesktopRecorder desktop;  // a run that finishes first opens nothing on this machine
    const QString many = scratch.filePath("Many Pages.chm");
    QFile::copy(QStringLiteral(TOMESHIFT_FIXTURES_DIR "/converter/many-pages.chm"), many);
    main_window.edtSourceFile->setText(many);
    main_window.edtPDF->setText(scratch.filePath("Many Pages.docx"));
    bool pictured = false;
    testing::WhenModal([&](QWidget* modal) {
      auto* progress = qobject_cast<TfrmProgress*>(modal);
      if (!progress) return;
      testing::WaitFor([&] { return progress->lbInfo->text().startsWith(QStringLiteral("Processing (")); }, 120000);
      // Grabbed at once: the run goes on while events are processed.
      const QString path = out.filePath("progress-window.png");
      pictured = progress->grab().save(path, "PNG");
      if (pictured) std::printf("%s\n", qPrintable(path));
      progress->btnCancel->click();
    });
    main_window.btnConvertClick();
    ok = pictured && ok;
  }

  TfrmAbout about(&main_window);
  about.show();
  ok = Save(&about, out, "about-window.png") && ok;
  return ok ? 0 : 1;
}
