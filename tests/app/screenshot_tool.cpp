// Writes PNG pictures of the desktop windows (scripts/screenshots runs it under a virtual display):
// the main window with a help file chosen, the heading styles dialog, a font dialog, the progress
// window during a run and at each way a run ends (real runs: saved with its warnings opened, not
// saved, failed; canceled), and the about window.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
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
#include "app/strings.h"
#include "app_test_support.h"
#include "text/text_utils.h"

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

  main_window.edtSourceFile->setText(scratch.filePath("Tomeshift User Manaul.chm"));  // mistyped
  ok = Save(&main_window, out, "main-window-file-not-found.png") && ok;
  main_window.edtSourceFile->setText(chm);

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

  // How runs end, each a real run through the window but the cancel.
  const auto finished_run = [&](const QString& chm_fixture, const QString& output, const QString& picture,
                                bool open_warnings) {
    const QString chm = scratch.filePath(QFileInfo(chm_fixture).fileName());
    QFile::copy(QStringLiteral(TOMESHIFT_FIXTURES_DIR "/") + chm_fixture, chm);
    main_window.edtSourceFile->setText(chm);
    main_window.edtPDF->setText(output);
    bool pictured = false;
    testing::WhenModal([&](QWidget* modal) {
      auto* progress = qobject_cast<TfrmProgress*>(modal);
      if (!progress) return;
      testing::WaitFor([&] { return progress->btnCancel->text() == QLatin1String(text::kClose); }, 120000);
      if (open_warnings && !progress->btnWarnings->isHidden()) progress->btnWarnings->click();
      pictured = Save(progress, out, picture);
      progress->btnCancel->click();
    });
    main_window.btnConvertClick();
    return pictured;
  };
  {
    testing::DesktopRecorder desktop;
    desktop.handler = false;  // as on a machine without a word processor
    ok = finished_run("hostile/odd-contents.chm", scratch.filePath("out/Odd Contents.docx"), "progress-saved.png",
                      true) &&
         ok;
    QDir().mkpath(scratch.filePath("busy"));
    QFile lock(scratch.filePath("busy/.~lock.Nested.docx#"));
    lock.open(QIODevice::WriteOnly);
    lock.write("someone,host,01.01.2026 10:00,");
    lock.close();
    quiet.answers = {QMessageBox::Abort};
    ok = finished_run("converter/nested-contents.chm", scratch.filePath("busy/Nested.docx"), "progress-not-saved.png",
                      false) &&
         ok;
    ok = finished_run("converter/not-a-help-file.chm", scratch.filePath("out/Not a help file.docx"),
                      "progress-failed.png", false) &&
         ok;
  }
  {
    // Stopped from the code rather than the button, which would close the window at once.
    TfrmProgress progress(&main_window);
    progress.SetOutputWord(testing::ScriptedWorker(progress, [](testing::ScriptedConverter& c) {
      for (int i = 0;; ++i) c.Report(u"Processing (" + IntToStr(i % 50 + 1) + u" of 50) topic.htm...", 20 + i % 60);
    }));
    progress.show();
    testing::WaitFor([&] { return progress.lbInfo->text().startsWith(QStringLiteral("Processing (")); });
    progress.StopIt();
    ok = Save(&progress, out, "progress-canceled.png") && ok;
    progress.btnCancel->click();
  }

  TfrmAbout about(&main_window);
  about.show();
  ok = Save(&about, out, "about-window.png") && ok;
  return ok ? 0 : 1;
}
