#include "app/shell.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

#include "app/message_box.h"
#include "app/strings.h"

namespace tomeshift::app {
namespace {

ShellSpy& Spy() {
  static ShellSpy spy;
  return spy;
}

QUrl ToUrl(const QString& target) {
  if (QFileInfo::exists(target) || target.startsWith(QLatin1Char('/'))) return QUrl::fromLocalFile(target);
  return QUrl(target);
}

bool Open(const QString& target) {
  if (Spy()) return Spy()(ShellAction::Open, target);
  return QDesktopServices::openUrl(ToUrl(target));
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
    const QDBusMessage list = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"),
                                                             QStringLiteral("/org/freedesktop/DBus"),
                                                             QStringLiteral("org.freedesktop.DBus"),
                                                             QStringLiteral("ListActivatableNames"));
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

}  // namespace

ShellSpy SetShellSpy(ShellSpy spy) {
  ShellSpy previous = std::move(Spy());
  Spy() = std::move(spy);
  return previous;
}

bool OpenWithShell(QWidget* parent, const QString& target) {
  if (Open(target)) return true;
  ShowBox(parent, BoxKind::Error, BoxButtons::Ok, QString(text::kCannotOpen).arg(target));
  return false;
}

bool ShowInFileManager(QWidget* parent, const QString& file) {
  if (Spy()) return Spy()(ShellAction::ShowInFolder, file);
  if (FileManagerShowItems(file)) return true;
  return OpenWithShell(parent, QFileInfo(file).absolutePath());
}

QString ProgramHelpFile() {
  const QString beside = QDir(QCoreApplication::applicationDirPath()).filePath(text::kHelpFileName);
  if (QFileInfo::exists(beside)) return beside;
  // Installed: share/tomeshift beside bin/, wherever the prefix ended up, else where it was configured.
  const QString relative =
      QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("../share/tomeshift/") + text::kHelpFileName);
  if (QFileInfo::exists(relative)) return QFileInfo(relative).canonicalFilePath();
  const QString installed = QDir(QStringLiteral(TOMESHIFT_DATA_DIR)).filePath(text::kHelpFileName);
  if (QFileInfo::exists(installed)) return installed;
  return {};
}

bool OpenProgramHelp(QWidget* parent) {
  const QString help = ProgramHelpFile();
  if (help.isEmpty()) {
    ShowBox(parent, BoxKind::Error, BoxButtons::Ok, QString(text::kHelpMissing).arg(text::kHelpFileName));
    return false;
  }
  if (!Spy() && !HasDesktopHandler({QStringLiteral("application/vnd.ms-htmlhelp"), QStringLiteral("application/x-chm")})) {
    ShowBox(parent, BoxKind::Warning, BoxButtons::Ok, QString(text::kNoChmViewer).arg(help));
    return false;
  }
  return OpenWithShell(parent, help);
}

}  // namespace tomeshift::app
