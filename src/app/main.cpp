// The desktop program: one main window over the per-user settings.
#include <QApplication>
#include <QScreen>

#include "app/main_window.h"
#include "app/program_icon.h"
#include "app/qt_user_interaction.h"
#include "lang/language_tables.h"
#include "platform/settings_store.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tomeshift"));
  QApplication::setOrganizationName(QStringLiteral("Quorvel"));
  QApplication::setWindowIcon(tomeshift::app::ProgramIcon());
  // The fixed tables are built before any worker can exist.
  tomeshift::GlobalLanguages();
  // Messages of the conversion (a page that cannot be read, say) reach the user in boxes.
  tomeshift::app::QtUserInteraction interaction;
  tomeshift::ScopedUserInteraction installed(interaction);

  tomeshift::RegistryFileStore store(tomeshift::RegistryFileStore::DefaultPath(), tomeshift::kSettingsKey);
  tomeshift::app::MainWindowServices services;
  tomeshift::app::TfrmMain window(store, std::move(services));
  // A help file handed over by the desktop ("Open with") becomes the source, as a drop would.
  const QStringList args = QApplication::arguments();
  window.show();
  if (args.size() > 1) window.OpenFromCommandLine(args.at(1));
  if (const QScreen* screen = window.screen()) {
    window.move(screen->availableGeometry().center() - window.rect().center());
  }
  return QApplication::exec();
}
