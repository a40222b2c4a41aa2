// The progress window and the worker's hand-over to it.
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include <atomic>
#include <chrono>
#include <thread>

#include "app/strings.h"
#include "app_test_support.h"
#include "job/progress_window_qt.h"
#include "platform/errors.h"

using namespace tomeshift;
using tomeshift::testing::BoxRecorder;
using tomeshift::testing::WaitFor;

namespace {

// A view that only records what reaches it (the handler rules need no window).
class RecordingView final : public IProgressView {
 public:
  std::vector<ProgressSnapshot> shown;
  std::vector<std::u16string> denied;
  std::vector<bool> denied_answers;  // true = Abort
  void ShowProgress(const ProgressSnapshot& s) override { shown.push_back(s); }
  bool AskDenied(const std::u16string& file) override {
    denied.push_back(file);
    const bool abort = denied_answers.empty() ? true : denied_answers.front();
    if (!denied_answers.empty()) denied_answers.erase(denied_answers.begin());
    return abort;
  }
};

struct Run {
  std::atomic<bool> ok{false};
  std::unique_ptr<ProgressJob> Job(ProgressJob::Body body) {
    return std::make_unique<ProgressJob>(std::move(body), [this] { return ok.load(); });
  }
};

}  // namespace

class TestProgressWindow : public QObject {
  Q_OBJECT

 private slots:
  void reportsKeepBarOrLabelWhenEmpty_data();
  void reportsKeepBarOrLabelWhenEmpty();
  void stopRaisesOnceAtTheNextReport();
  void messagesAndErrorsReachTheUserInOrder();
  void deniedFileAsksUntilAbort();
  void finishedRunOffersCloseAndEnterPressesIt();
  void cancelStopsTheWorkerAndClosesWithoutErrorBox();
  void titleBarCloseAsksAndStopsTheWorker();
  void failureBeforeOutputIsReported();
  void destroyingTheWindowStopsTheWorker();
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
  RecordingView view;
  ProgressRelay relay(view);
  relay.OnChange(u"Extracting", 10);
  relay.OnChange(info.toStdU16String(), persent);
  QCOMPARE(view.shown.size(), size_t{2});
  QCOMPARE(view.shown.back().position, bar);
  QCOMPARE(QString::fromStdU16String(view.shown.back().info), label);
}

void TestProgressWindow::stopRaisesOnceAtTheNextReport() {
  RecordingView view;
  ProgressRelay relay(view);
  relay.OnChange(u"a", 1);
  relay.RequestStop();
  // Messages and errors do not raise: only a progress report does.
  relay.OnMsg(u"note");
  QVERIFY_THROWS_EXCEPTION(EUserCancel, relay.OnChange(u"b", 5));
  // The report that raised was still shown, and the clean-up's reports pass.
  QCOMPARE(QString::fromStdU16String(view.shown.back().info), QStringLiteral("b"));
  relay.OnChange(u"Failed.", 100);
  QCOMPARE(view.shown.back().position, 100);
}

void TestProgressWindow::messagesAndErrorsReachTheUserInOrder() {
  BoxRecorder boxes;
  TfrmProgress window(nullptr);
  Run run;
  window.SetOutputWord(run.Job([&](ProgressRelay& r) {
    r.OnChange(u"Topics", 20);
    r.OnMsg(u"For your information");
    r.OnError(u"Word stopped");
    r.OnChange(u"Failed.", 100);
    run.ok = true;
    r.OnChange(u"", 0);
  }));
  window.show();
  QVERIFY(WaitFor([&] { return window.OutputWord()->Finished(); }));
  QVERIFY(WaitFor([&] { return window.btnCancel->text() == app::text::kClose; }));
  QCOMPARE(boxes.Texts(), (QStringList{"For your information", "Word stopped"}));
  QCOMPARE(boxes.boxes[0].kind, app::BoxKind::Confirmation);
  QCOMPARE(boxes.boxes[1].kind, app::BoxKind::Error);
  QCOMPARE(boxes.boxes[1].caption, QString(app::text::kBoxError));
  QCOMPARE(window.Gauge1->value(), 100);
  QCOMPARE(window.lbInfo->text(), QStringLiteral("Failed."));
}

void TestProgressWindow::deniedFileAsksUntilAbort() {
  BoxRecorder boxes;
  boxes.answers = {QMessageBox::Retry, QMessageBox::Retry, QMessageBox::Abort};
  TfrmProgress window(nullptr);
  Run run;
  int asked = 0;
  window.SetOutputWord(run.Job([&](ProgressRelay& r) {
    // The output stage tests the file again after every Retry.
    while (!r.Aborted()) {
      ++asked;
      r.OnDenied(u"/home/u/out.doc");
    }
    run.ok = true;
    r.OnChange(u"Failed.", 100);
  }));
  window.show();
  QVERIFY(WaitFor([&] { return window.OutputWord()->Finished(); }));
  QCOMPARE(asked, 3);
  QCOMPARE(boxes.boxes.size(), size_t{3});
  QCOMPARE(boxes.boxes[0].text, QStringLiteral("\"/home/u/out.doc\" access denied! It probably has been opened. "
                                               "Please close it and retry."));
  QCOMPARE(boxes.boxes[0].buttons, app::BoxButtons::AbortRetry);
  QCOMPARE(boxes.boxes[0].kind, app::BoxKind::Error);
}

void TestProgressWindow::finishedRunOffersCloseAndEnterPressesIt() {
  BoxRecorder boxes;
  TfrmProgress window(nullptr);
  Run run;
  window.SetOutputWord(run.Job([&](ProgressRelay& r) {
    r.OnChange(u"Saving", 98);
    run.ok = true;
    r.OnChange(u"OK!", 100);
  }));
  QCOMPARE(window.btnCancel->text(), QString(app::text::kCancel));
  window.show();
  QVERIFY(WaitFor([&] { return window.btnCancel->text() == app::text::kClose; }));
  QVERIFY(window.isVisible());
  QTest::keyClick(&window, Qt::Key_Return);
  QVERIFY(WaitFor([&] { return !window.isVisible(); }));
  QCOMPARE(window.result(), int(QDialog::Accepted));
  QVERIFY(boxes.boxes.empty());
}

void TestProgressWindow::cancelStopsTheWorkerAndClosesWithoutErrorBox() {
  BoxRecorder boxes;
  TfrmProgress window(nullptr);
  Run run;
  std::atomic<int> reports{0};
  std::atomic<bool> cleaned_up{false};
  window.SetOutputWord(run.Job([&](ProgressRelay& r) {
    try {
      for (int i = 0;; ++i) {
        r.OnChange(u"Topic", 20 + i % 60);
        ++reports;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
      }
    } catch (const EUserCancel&) {
      // The clean-up still reports; the window must keep serving it while it waits.
      r.OnChange(u"Cleaning up", 0);
      cleaned_up = true;
      throw;
    }
  }));
  window.show();
  QVERIFY(WaitFor([&] { return reports > 3; }));
  QTest::mouseClick(window.btnCancel, Qt::LeftButton);
  QVERIFY(!window.isVisible());
  QVERIFY(window.OutputWord()->Finished());
  QVERIFY(window.OutputWord()->Cancelled());
  QVERIFY(cleaned_up);
  QCOMPARE(window.lbInfo->text(), QStringLiteral("Cleaning up"));
  QVERIFY(boxes.boxes.empty());
}

void TestProgressWindow::titleBarCloseAsksAndStopsTheWorker() {
  BoxRecorder boxes;
  boxes.answers = {QMessageBox::No, QMessageBox::Yes};
  TfrmProgress window(nullptr);
  Run run;
  std::atomic<int> reports{0};
  window.SetOutputWord(run.Job([&](ProgressRelay& r) {
    for (;;) {
      r.OnChange(u"Topic", 30);
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
  window.close();  // answered Yes
  QVERIFY(!window.isVisible());
  QVERIFY(window.OutputWord()->Finished());
  QVERIFY(window.OutputWord()->Cancelled());
  QCOMPARE(boxes.boxes.size(), size_t{2});
  QCOMPARE(boxes.boxes[0].text, QString(app::text::kAskCancelRun));
  QCOMPARE(boxes.boxes[0].buttons, app::BoxButtons::YesNo);
}

void TestProgressWindow::failureBeforeOutputIsReported() {
  BoxRecorder boxes;
  TfrmProgress window(nullptr);
  Run run;
  window.SetOutputWord(run.Job([&](ProgressRelay& r) {
    r.OnChange(u"Extracting", 5);
    throw FileError("/tmp/~wi1.tmp", "is not a compiled HTML Help file");
  }));
  window.show();
  QVERIFY(WaitFor([&] { return !boxes.boxes.empty(); }));
  QCOMPARE(boxes.boxes[0].text, QStringLiteral("/tmp/~wi1.tmp: is not a compiled HTML Help file"));
  QCOMPARE(window.btnCancel->text(), QString(app::text::kClose));
  QCOMPARE(window.lbInfo->text(), QStringLiteral("Extracting"));
  QTest::mouseClick(window.btnCancel, Qt::LeftButton);
  QVERIFY(!window.isVisible());
}

void TestProgressWindow::destroyingTheWindowStopsTheWorker() {
  BoxRecorder boxes;
  std::atomic<bool> ended{false};
  std::atomic<int> reports{0};
  Run run;
  {
    TfrmProgress window(nullptr);
    window.SetOutputWord(run.Job([&](ProgressRelay& r) {
      try {
        for (;;) {
          r.OnChange(u"Topic", 40);
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
