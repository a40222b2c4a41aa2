// Writes PNG pictures of the desktop windows (scripts/screenshots runs it under a virtual display):
// the main window with a help file chosen, the heading styles dialog, a font dialog, the progress
// window during a run and the about window.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <cstdio>

#include "app/about_window.h"
#include "app/heading_styles_dialog.h"
#include "app/main_window.h"
#include "app_test_support.h"
#include "job/progress_window_qt.h"

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

  RegistryFileStore store(scratch.filePath("Tomeshift.reg").toStdString(), u"\\Software\\Quorvel\\Tomeshift");
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
    TfrmProgress progress(&main_window);
    std::atomic<bool> release{false};
    std::atomic<bool> reached{false};
    progress.SetOutputWord(testing::ScriptedWorker(progress, [&](testing::ScriptedConverter& c) {
      c.Report(u"Converting topic 37 of 82: Installing", 45);
      reached = true;
      while (!release) QThread::msleep(5);
    }));
    progress.show();
    testing::WaitFor([&] { return reached.load(); });
    ok = Save(&progress, out, "progress-window.png") && ok;
    release = true;
    progress.OutputWord()->WaitFor();
    progress.hide();
  }

  TfrmAbout about(&main_window);
  about.show();
  ok = Save(&about, out, "about-window.png") && ok;
  return ok ? 0 : 1;
}
