#include "app/shell.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>
#include <utility>

#include "app/message_box.h"
#include "app/strings.h"
#include "platform/file_system.h"

namespace tomeshift::app {
namespace {

QUrl ToUrl(const QString& target) {
  if (QFileInfo::exists(target) || target.startsWith(QLatin1Char('/'))) return QUrl::fromLocalFile(target);
  return QUrl(target);
}

// xdg-open succeeds in starting even when no program is set up for a type, so ask first.
bool HasDesktopHandler(const QStringList& mime_types) {
  const QString xdg_mime = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
  if (xdg_mime.isEmpty()) return false;
  for (const QString& type : mime_types) {
    QProcess query;
    query.start(xdg_mime, {QStringLiteral("query"), QStringLiteral("default"), type});
    if (!query.waitForFinished(5000)) {
      query.kill();
      query.waitForFinished(1000);
      continue;
    }
    if (query.exitCode() == 0 && !query.readAllStandardOutput().trimmed().isEmpty()) return true;
  }
  return false;
}

bool FileManagerShowItems(const QString& file) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return false;
  const QString service = QStringLiteral("org.freedesktop.FileManager1");
  QDBusConnectionInterface* iface = bus.interface();
  bool available = iface && iface->isServiceRegistered(service).value();
  if (!available && iface) {
    const QDBusMessage list =
        QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
                                       QStringLiteral("org.freedesktop.DBus"), QStringLiteral("ListActivatableNames"));
    const QDBusMessage reply = bus.call(list, QDBus::Block, 3000);
    available = reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty() &&
                reply.arguments().first().toStringList().contains(service);
  }
  if (!available) return false;
  QDBusMessage call = QDBusMessage::createMethodCall(service, QStringLiteral("/org/freedesktop/FileManager1"), service,
                                                     QStringLiteral("ShowItems"));
  call << QStringList{QUrl::fromLocalFile(QFileInfo(file).absoluteFilePath()).toString()} << QString();
  const QDBusMessage reply = bus.call(call, QDBus::Block, 5000);
  return reply.type() == QDBusMessage::ReplyMessage;
}

DesktopShell& Current() {
  static DesktopShell shell = SystemDesktopShell();
  return shell;
}

}  // namespace

DesktopShell SystemDesktopShell() {
  DesktopShell shell;
  shell.open_url = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
  shell.show_items = FileManagerShowItems;
  shell.has_help_viewer = [] {
    return HasDesktopHandler({QStringLiteral("application/vnd.ms-htmlhelp"), QStringLiteral("application/x-chm")});
  };
  shell.help_file = ProgramHelpFile;
  shell.has_handler = [](const QString& file) {
    const QMimeType type = QMimeDatabase().mimeTypeForFile(file);
    QStringList names{type.name()};
    names << type.aliases();
    return HasDesktopHandler(names);
  };
  return shell;
}

DesktopShell SetDesktopShell(DesktopShell shell) {
  const DesktopShell system = SystemDesktopShell();
  if (!shell.open_url) shell.open_url = system.open_url;
  if (!shell.show_items) shell.show_items = system.show_items;
  if (!shell.has_help_viewer) shell.has_help_viewer = system.has_help_viewer;
  if (!shell.help_file) shell.help_file = system.help_file;
  if (!shell.has_handler) shell.has_handler = system.has_handler;
  return std::exchange(Current(), std::move(shell));
}

bool HasProgramFor(const QString& file) { return Current().has_handler(file); }

bool OpenWithShell(QWidget* parent, const QString& target) {
  // xdg-open "succeeds" in starting for a local file nobody can open: ask first.
  const QUrl url = ToUrl(target);
  if ((!url.isLocalFile() || Current().has_handler(target)) && Current().open_url(url)) return true;
  ShowBox(parent, BoxKind::Error, BoxButtons::Ok, QString(text::kCannotOpen).arg(target));
  return false;
}

bool ShowInFileManager(QWidget* parent, const QString& file) {
  if (Current().show_items(file)) return true;
  return OpenWithShell(parent, QFileInfo(file).absolutePath());
}

QString ProgramHelpFile() {
  const QString beside = QDir(QCoreApplication::applicationDirPath()).filePath(text::kHelpFileName);
  if (QFileInfo::exists(beside)) return beside;
  // Installed: share/tomeshift beside bin/, wherever the prefix ended up, else where it was configured.
  const QString relative = QDir(QCoreApplication::applicationDirPath())
                               .filePath(QStringLiteral("../share/tomeshift/") + text::kHelpFileName);
  if (QFileInfo::exists(relative)) return QFileInfo(relative).canonicalFilePath();
  const QString installed = QDir(QStringLiteral(TOMESHIFT_DATA_DIR)).filePath(text::kHelpFileName);
  if (QFileInfo::exists(installed)) return installed;
  return {};
}

bool OpenProgramHelp(QWidget* parent) {
  const QString help = Current().help_file();
  if (help.isEmpty()) {
    ShowBox(parent, BoxKind::Error, BoxButtons::Ok, QString(text::kHelpMissing).arg(text::kHelpFileName));
    return false;
  }
  if (!Current().has_help_viewer()) {
    ShowBox(parent, BoxKind::Warning, BoxButtons::Ok, QString(text::kNoChmViewer).arg(help));
    return false;
  }
  return OpenWithShell(parent, help);
}

DesktopShellExecute::DesktopShellExecute() {
  previous_ = SetShellExecuteHandler([](const std::u16string&, const std::u16string& file, int) {
    const QString native = QString::fromStdString(FileSystem().NativePath(file));
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) return;
    auto open = [native] {
      if (HasProgramFor(native)) OpenWithShell(QApplication::activeWindow(), native);
    };
    if (QThread::currentThread() == app->thread()) {
      open();
    } else {
      // Queued, not blocking: the window thread may itself be waiting for the worker, and the
      // order of the worker's hand-overs (this one before "Close") is kept.
      QMetaObject::invokeMethod(app, open, Qt::QueuedConnection);
    }
  });
}

DesktopShellExecute::~DesktopShellExecute() { SetShellExecuteHandler(std::move(previous_)); }

}  // namespace tomeshift::app
