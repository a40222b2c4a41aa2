// The progress window driving the real worker: the early stages run on a real help file, the output
// stage follows a script.
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <thread>

#include "app/progress_window.h"
#include "app/qt_user_interaction.h"
#include "app/strings.h"
#include "app_test_support.h"
#include "platform/errors.h"

using namespace tomeshift;
using tomeshift::testing::BoxRecorder;
using tomeshift::testing::DesktopRecorder;
using tomeshift::testing::ScriptedConverter;
using tomeshift::testing::ScriptedWorker;
using tomeshift::testing::WaitFor;

class TestProgressWindow : public QObject {
  Q_OBJECT

 private slots:
  void reportsKeepBarOrLabelWhenEmpty_data();
  void reportsKeepBarOrLabelWhenEmpty();
  void messagesAndErrorsReachTheUserInOrder();
  void deniedFileAsksUntilAbort();
  void endStates_data();
  void endStates();
  void savedDocumentOpensOnlyWhenAsked();
  void warningsAreListedAtTheEnd();
  void cancelStopsTheWorkerAndClosesWithoutErrorBox();
  void titleBarCloseAsksAndStopsTheWorker();
  void destroyingTheWindowStopsTheWorker();
  void questionsFromTheWorkerAreAnsweredEvenWhileStopping();
  void windowLayout();
};

void TestProgressWindow::reportsKeepBarOrLabelWhenEmpty_data() {
  QTest::addColumn<int>("persent");
  QTest::addColumn<QString>("info");
  QTest::addColumn<int>("bar");
  QTest::addColumn<QString>("label");
  // After a first report of ("Extracting", 10):
  QTest::newRow("0 with a message changes only the label") << 0 << "Distilling" << 10 << "Distilling";
  QTest::newRow("empty message with 100 changes only the bar") << 100 << "" << 100 << "Extracting";
  QTest::newRow("both") << 50 << "Topics" << 50 << "Topics";
  QTest::newRow("neither") << 0 << "" << 10 << "Extracting";
}

void TestProgressWindow::reportsKeepBarOrLabelWhenEmpty() {
  QFETCH(int, persent);
  QFETCH(QString, info);
  QFETCH(int, bar);
  QFETCH(QString, label);
  BoxRecorder boxes;
  TfrmProgress window(nullptr);
  int bar_after = -1;
  QString label_after;
  window.SetOutputWord(ScriptedWorker(window, [&](ScriptedConverter& c) {
    c.Report(u"Extracting", 10);
    c.Report(info.toStdU16String(), persent);
    // Read on the window thread, as the window shows it.
    QMetaObject::invokeMethod(
        &window,
        [&] {
          bar_after = window.Gauge1->value();
          label_after = window.lbInfo->text();
        },
        Qt::BlockingQueuedConnection);
  }));
  window.show();
  QVERIFY(WaitFor([&] { return window.OutputWord()->Finished(); }));
  QCOMPARE(bar_after, bar);
  QCOMPARE(label_after, label);
  QVERIFY(boxes.boxes.empty());
}

void TestProgressWindow::messagesAndErrorsReachTheUserInOrder() {
  BoxRecorder boxes;
  TfrmProgress window(nullptr);
  window.SetOutputWord(ScriptedWorker(window, [&](ScriptedConverter& c) {
    c.Report(u"Topics", 20);
    c.Message(u"For your information");
    c.Error(u"Word stopped");
    c.Failed = true;
    c.Report(u"Failed.", 0);
    c.OK = true;
    c.Report(u"", 100);
  }));
  window.show();
  QVERIFY(WaitFor([&] { return window.OutputWord()->Finished(); }));
  // The information in a box as it came; the error once, in the finished window.
  QCOMPARE(boxes.Texts(), QStringList{"For your information"});
  QCOMPARE(boxes.boxes[0].kind, app::BoxKind::Confirmation);
  QCOMPARE(window.lbEnd->text(), QString(app::text::kEndFailed));
  QCOMPARE(window.lbInfo->text(), QStringLiteral("Word stopped"));
  QCOMPARE(window.btnCancel->text(), QString(app::text::kClose));
}

void TestProgressWindow::deniedFileAsksUntilAbort() {
  BoxRecorder boxes;
  boxes.answers = {QMessageBox::Retry, QMessageBox::Retry, QMessageBox::Abort};
  TfrmProgress window(nullptr);
  int asked = 0;
  window.SetOutputWord(ScriptedWorker(window, [&](ScriptedConverter& c) {
    // The output stage tests the file again after every Retry.
    while (!c.Abort) {
      ++asked;
      c.Denied(u"/home/u/out.doc");
    }
    c.OK = true;
    c.Report(u"", 100);
  }));
  window.show();
  QVERIFY(WaitFor([&] { return window.OutputWord()->Finished(); }));
  QCOMPARE(asked, 3);
  QCOMPARE(boxes.boxes.size(), size_t{3});
  QCOMPARE(boxes.boxes[0].text, QStringLiteral("\"/home/u/out.doc\" access denied! It probably has been opened. "
                                               "Please close it and retry."));
  QCOMPARE(boxes.boxes[0].buttons, app::BoxButtons::AbortRetry);
  QCOMPARE(boxes.boxes[0].kind, app::BoxKind::Error);
  // Giving up is no success.
  QCOMPARE(window.lbEnd->text(), QString(app::text::kEndNotSaved));
  QVERIFY2(window.lbInfo->text().contains("/home/u/out.doc"), qPrintable(window.lbInfo->text()));
  QVERIFY(window.btnOpen->isHidden());
}

void TestProgressWindow::endStates_data() {
  QTest::addColumn<QString>("how");
  QTest::addColumn<QString>("heading");
  QTest::addColumn<QString>("detail");  // what the line under it holds
  QTest::addColumn<int>("bar");
  QTest::newRow("saved") << "saved" << app::text::kEndSaved << "/home/u/Manual.docx" << 100;
  QTest::newRow("failed in the output stage") << "failed" << app::text::kEndFailed << "Word stopped" << 40;
  QTest::newRow("not a help file, named as the user chose it")
      << "not a help file" << app::text::kEndFailed << "/home/u/Manual.chm is not a compiled HTML Help file" << 1;
  QTest::newRow("ended without writing") << "nothing" << app::text::kEndFailed << "No document was written." << 98;
}

void TestProgressWindow::endStates() {
  QFETCH(QString, how);
  QFETCH(QString, heading);
  QFETCH(QString, detail);
  QFETCH(int, bar);
  BoxRecorder boxes;
  DesktopRecorder desktop;
  QTemporaryDir scratch;
  TfrmProgress window(nullptr);
  auto worker = ScriptedWorker(window, [&](ScriptedConverter& c) {
    if (how == "saved") {
      c.Report(u"Saving document...", 98);
      c.Saved = true;
      c.SavedFile = u"/home/u/Manual.docx";
    } else if (how == "failed") {
      c.Report(u"Processing (3 of 9)", 40);
      c.Error(u"Word stopped");
      c.Failed = true;
      c.Report(u"Failed.", 0);
    } else {
      c.Report(u"Saving document...", 98);
    }
    c.OK = true;
    c.Report(u"", 0);
  });
  if (how == "not a help file") {
    // The window converts a scratch copy; the user chose another name.
    const QString copy = scratch.filePath("~wi3T3rqZ.tmp");
    QVERIFY(QFile::copy(QStringLiteral(TOMESHIFT_FIXTURES_DIR "/converter/not-a-help-file.chm"), copy));
    worker->chm = copy.toStdU16String();
    worker->SourceFile = u"/home/u/Manual.chm";
  }
  window.SetOutputWord(std::move(worker));
  window.show();
  // Never stuck at its last percentage with a live Cancel: always a finished window.
  QVERIFY(WaitFor([&] { return window.btnCancel->text() == app::text::kClose; }));
  QCOMPARE(window.lbEnd->text(), heading);
  QVERIFY2(window.lbInfo->text().contains(detail), qPrintable(window.lbInfo->text()));
  QVERIFY(!window.lbInfo->text().contains("~wi"));
  // The bar stays only for a document written; elsewhere it would say nothing true.
  QCOMPARE(!window.Gauge1->isHidden(), bar == 100);
  if (bar == 100) QCOMPARE(window.Gauge1->value(), 100);
  QCOMPARE(!window.btnOpen->isHidden(), how == "saved");
  QCOMPARE(!window.btnShowFolder->isHidden(), how == "saved");
  QVERIFY(window.Label1->isHidden());
  QVERIFY(window.btnWarnings->isHidden());
  QVERIFY2(boxes.boxes.empty(), qPrintable(boxes.Texts().join('|')));
  QVERIFY(desktop.opened.isEmpty());
  QTest::keyClick(&window, Qt::Key_Return);  // Enter presses Close
  QVERIFY(WaitFor([&] { return !window.isVisible(); }));
}

void TestProgressWindow::savedDocumentOpensOnlyWhenAsked() {
  for (const bool handler : {true, false}) {
    BoxRecorder boxes;
    DesktopRecorder desktop;
    desktop.handler = handler;
    TfrmProgress window(nullptr);
    window.SetOutputWord(ScriptedWorker(window, [&](ScriptedConverter& c) {
      c.Saved = true;
      c.SavedFile = u"/srv/books/Manual.docx";
      c.OK = true;
      c.Report(u"OK!", 100);
    }));
    window.show();
    QVERIFY(WaitFor([&] { return window.OutputWord()->Finished(); }));
    // Without a program for the type the window says so, and Open says it again.
    QCOMPARE(window.lbInfo->text().contains("No program is set up to open .docx files."), !handler);
    QTest::mouseClick(window.btnOpen, Qt::LeftButton);
    QTest::mouseClick(window.btnShowFolder, Qt::LeftButton);
    QCOMPARE(desktop.opened, handler ? QStringList{"/srv/books/Manual.docx"} : QStringList{});
    QCOMPARE(desktop.shown, QStringList{"/srv/books/Manual.docx"});
    QCOMPARE(boxes.Texts(),
             handler ? QStringList{}
                     : QStringList{"\"/srv/books/Manual.docx\" could not be opened: no program is set up for it."});
  }
}

void TestProgressWindow::warningsAreListedAtTheEnd() {
  BoxRecorder boxes;
  app::QtUserInteraction interaction;
  ScopedUserInteraction installed(interaction);
  TfrmProgress window(nullptr);
  window.SetOutputWord(ScriptedWorker(window, [&](ScriptedConverter& c) {
    UserInteraction().Warning(u"a.htm", u"the picture logo.gif is missing");
    UserInteraction().Warning(u"", u"code page 950 was read approximately");
    c.Saved = true;
    c.SavedFile = u"/home/u/Manual.docx";
    c.OK = true;
    c.Report(u"OK!", 100);
  }));
  window.show();
  QVERIFY(WaitFor([&] { return window.OutputWord()->Finished(); }));
  QCOMPARE(window.lstWarnings->count(), 2);
  QCOMPARE(window.lstWarnings->item(0)->text(), QStringLiteral("a.htm: the picture logo.gif is missing"));
  QCOMPARE(window.lstWarnings->item(1)->text(), QStringLiteral("code page 950 was read approximately"));
  QVERIFY(!window.btnWarnings->isHidden());
  QVERIFY(window.btnWarnings->text().startsWith("2 warnings"));
  QVERIFY(window.lstWarnings->isHidden());
  const int closed_height = window.height();
  QTest::mouseClick(window.btnWarnings, Qt::LeftButton);
  QVERIFY(!window.lstWarnings->isHidden());
  QVERIFY(window.height() > closed_height);
  QVERIFY(boxes.boxes.empty());
}

void TestProgressWindow::cancelStopsTheWorkerAndClosesWithoutErrorBox() {
  BoxRecorder boxes;
  TfrmProgress window(nullptr);
  std::atomic<int> reports{0};
  std::atomic<bool> cleaned_up{false};
  window.SetOutputWord(ScriptedWorker(window, [&](ScriptedConverter& c) {
    try {
      for (int i = 0;; ++i) {
        c.Report(u"Topic", 20 + i % 60);
        ++reports;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
      }
    } catch (const EUserCancel&) {
      // The clean-up still reports; the window must keep serving it while it waits.
      c.Report(u"Cleaning up", 0);
      cleaned_up = true;
      throw;
    }
  }));
  window.show();
  QVERIFY(WaitFor([&] { return reports > 3; }));
  QTest::mouseClick(window.btnCancel, Qt::LeftButton);
  QVERIFY(!window.isVisible());
  QVERIFY(window.OutputWord()->Finished());
  QVERIFY(window.OutputWord()->Canceled());
  QVERIFY(cleaned_up);
  QCOMPARE(window.lbEnd->text(), QString(app::text::kEndCanceled));
  QVERIFY(boxes.boxes.empty());
}

void TestProgressWindow::titleBarCloseAsksAndStopsTheWorker() {
  BoxRecorder boxes;
  boxes.answers = {QMessageBox::No, QMessageBox::Yes};
  TfrmProgress window(nullptr);
  std::atomic<int> reports{0};
  window.SetOutputWord(ScriptedWorker(window, [&](ScriptedConverter& c) {
    for (;;) {
      c.Report(u"Topic", 30);
      ++reports;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }));
  window.show();
  QVERIFY(WaitFor([&] { return reports > 2; }));
  window.close();  // the title bar's close box: answered No
  QVERIFY(window.isVisible());
  QVERIFY(!window.OutputWord()->Finished());
  const int before = reports;
  QVERIFY(WaitFor([&] { return reports > before + 2; }));  // still running
  window.close();                                          // answered Yes
  QVERIFY(!window.isVisible());
  QVERIFY(window.OutputWord()->Finished());
  QVERIFY(window.OutputWord()->Canceled());
  QCOMPARE(boxes.boxes.size(), size_t{2});
  QCOMPARE(boxes.boxes[0].text, QString(app::text::kAskCancelRun));
  QCOMPARE(boxes.boxes[0].buttons, app::BoxButtons::YesNo);
}

void TestProgressWindow::destroyingTheWindowStopsTheWorker() {
  BoxRecorder boxes;
  std::atomic<bool> ended{false};
  std::atomic<int> reports{0};
  {
    TfrmProgress window(nullptr);
    window.SetOutputWord(ScriptedWorker(window, [&](ScriptedConverter& c) {
      try {
        for (;;) {
          c.Report(u"Topic", 40);
          ++reports;
          std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
      } catch (...) {
        ended = true;
        throw;
      }
    }));
    window.show();
    QVERIFY(WaitFor([&] { return reports > 2; }));
  }
  QVERIFY(ended);
}

void TestProgressWindow::questionsFromTheWorkerAreAnsweredEvenWhileStopping() {
  BoxRecorder boxes;
  boxes.answers = {QMessageBox::Retry, QMessageBox::Cancel};
  app::QtUserInteraction interaction;
  ScopedUserInteraction installed(interaction);
  TfrmProgress window(nullptr);
  std::atomic<bool> release{false};
  std::atomic<bool> waiting{false};
  std::vector<MessageAnswer> answers;
  window.SetOutputWord(ScriptedWorker(window, [&](ScriptedConverter& c) {
    // A page that cannot be read asks the user from the worker thread, outside the job's hand-overs.
    answers.push_back(
        UserInteraction().MessageBox(u"page1.htm cannot be read", MessageIcon::kError, MessageButtons::kRetryCancel));
    c.Report(u"Topic", 30);
    waiting = true;
    while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    answers.push_back(
        UserInteraction().MessageBox(u"page2.htm cannot be read", MessageIcon::kError, MessageButtons::kRetryCancel));
    c.Report(u"Topic", 31);  // raises the cancellation
  }));
  window.show();
  QVERIFY(WaitFor([&] { return waiting.load(); }));
  // The second question comes while the window waits for the stopped worker.
  QTimer::singleShot(30, [&] { release = true; });
  QTest::mouseClick(window.btnCancel, Qt::LeftButton);
  QVERIFY(!window.isVisible());
  QVERIFY(window.OutputWord()->Canceled());
  QCOMPARE(boxes.Texts(), (QStringList{"page1.htm cannot be read", "page2.htm cannot be read"}));
  QCOMPARE(boxes.boxes[0].buttons, app::BoxButtons::RetryCancel);
  QCOMPARE(answers, (std::vector<MessageAnswer>{MessageAnswer::kRetry, MessageAnswer::kCancel}));
  interaction.Warning(u"page3.htm", u"charset read approximately");
  QCOMPARE(interaction.Warnings(), QStringList{"page3.htm: charset read approximately"});
}

void TestProgressWindow::windowLayout() {
  TfrmProgress window(nullptr);
  QCOMPARE(window.size(), QSize(581, 133));
  QCOMPARE(window.Gauge1->geometry(), QRect(24, 64, 529, 17));
  QCOMPARE(window.btnCancel->geometry(), QRect(244, 98, 81, 25));
  QCOMPARE(window.Label1->text(), QStringLiteral("Meanwhile, please don't use the system Clipboard."));
  QCOMPARE(window.Label1->palette().color(QPalette::Window), QColor(Qt::red));
  QCOMPARE(window.lbInfo->text(), QString(14, QLatin1Char(' ')));
  QVERIFY(window.btnCancel->isDefault());
  QCOMPARE(window.Gauge1->value(), 0);
}

QTEST_MAIN(TestProgressWindow)
#include "tst_progress_window.moc"
