#include "app_test_support.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QThread>
#include <QTimer>

namespace tomeshift::testing {

BoxRecorder::BoxRecorder() {
  previous_ = app::SetBoxPresenter([this](const app::BoxRequest& r) {
    boxes.push_back(r);
    if (on_box) on_box(r);
    if (answers.empty()) return QMessageBox::Ok;
    const auto answer = answers.front();
    answers.erase(answers.begin());
    return answer;
  });
}

BoxRecorder::~BoxRecorder() { app::SetBoxPresenter(std::move(previous_)); }

QStringList BoxRecorder::Texts() const {
  QStringList texts;
  for (const auto& b : boxes) texts << b.text;
  return texts;
}

DesktopRecorder::DesktopRecorder() {
  app::DesktopShell shell;
  shell.open_url = [this](const QUrl& url) {
    opened << (url.isLocalFile() ? url.toLocalFile() : url.toString());
    return true;
  };
  shell.show_items = [this](const QString& file) {
    if (!file_manager) return false;
    shown << file;
    return true;
  };
  shell.has_help_viewer = [this] { return help_viewer; };
  shell.has_handler = [this](const QString&) { return handler; };
  shell.help_file = [this] { return help_file; };
  previous_ = app::SetDesktopShell(std::move(shell));
}

DesktopRecorder::~DesktopRecorder() { app::SetDesktopShell(std::move(previous_)); }

QString SampleHelpFile() { return QStringLiteral(TOMESHIFT_SOURCE_DIR "/docs/help/tomeshift.chm"); }

void InstallConverter(TOutputWord& worker, std::unique_ptr<TChmToDocPDF> converter) {
  TOutputWord* w = &worker;
  converter->SetOnChange([w](const std::u16string& i, int p) { w->ChmToDocPDF_OnChange(i, p); });
  converter->SetOnDenied([w](const std::u16string& f) { w->ChmToDocPDF_OnDenied(f); });
  converter->SetOnMsg([w](const std::u16string& m) { w->ChmToDocPDF_OnMsg(m); });
  converter->SetOnError([w](const std::u16string& e) { w->ChmToDocPDF_OnError(e); });
  worker.Converter = std::move(converter);
}

std::unique_ptr<TOutputWord> ScriptedWorker(IJobInteraction& interaction,
                                            std::function<void(ScriptedConverter&)> script) {
  auto worker = std::make_unique<TOutputWord>(interaction);
  auto converter = std::make_unique<ScriptedConverter>();
  converter->script = std::move(script);
  InstallConverter(*worker, std::move(converter));
  worker->chm = SampleHelpFile().toStdU16String();
  return worker;
}

void WhenModal(std::function<void(QWidget* modal)> action) {
  QPointer<QWidget> before = QApplication::activeModalWidget();
  auto* timer = new QTimer(QCoreApplication::instance());
  timer->setInterval(5);
  QObject::connect(timer, &QTimer::timeout, [timer, before, action] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal && modal != before.data() && modal->isVisible()) {
      timer->stop();
      timer->deleteLater();
      action(modal);
    }
  });
  timer->start();
}

bool WaitFor(const std::function<bool()>& pred, int timeout_ms) {
  QElapsedTimer clock;
  clock.start();
  while (!pred()) {
    if (clock.elapsed() > timeout_ms) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(1);
  }
  return true;
}

}  // namespace tomeshift::testing
