// The main window over a settings file: stored settings, the help-file change, the rules, drops and
// a conversion driven through the window.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <filesystem>

#include "app/heading_styles_dialog.h"
#include "app/main_window.h"
#include "app/progress_window.h"
#include "app/qt_user_interaction.h"
#include "app/strings.h"
#include "app_test_support.h"
#include "converter/word_connection.h"
#include "lang/language_tables.h"
#include "platform/code_pages.h"
#include "platform/com_runtime.h"
#include "platform/file_system.h"
#include "support/docx_reader.h"
#include "text/unicode.h"

using namespace tomeshift;
using namespace tomeshift::app;
using tomeshift::testing::BoxRecorder;
using tomeshift::testing::DesktopRecorder;
using tomeshift::testing::WaitFor;
using tomeshift::testing::WhenModal;

namespace {

constexpr std::u16string_view kKey = u"\\Software\\Quorvel\\Tomeshift";

QString ReadAll(const QString& path) {
  QFile f(path);
  f.open(QIODevice::ReadOnly);
  return QString::fromUtf8(f.readAll());
}

void WriteFile(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write(bytes);
}

// One window over a settings file of its own, with a help-file reader that answers from a table.
struct Fixture {
  QTemporaryDir dir;
  QString reg_path = dir.filePath("config/Quorvel/Tomeshift.reg");
  RegistryFileStore store{reg_path.toStdString(), kKey};
  std::string title_bytes = "Sample Help";
  std::uint32_t code_page = 1252;
  std::vector<std::u16string> read_paths;
  bool word = true;
  int converters_made = 0;
  std::function<void(tomeshift::testing::ScriptedConverter&)> script;

  MainWindowServices Services() {
    MainWindowServices s;
    s.read_help_file = [this](const std::u16string& path) {
      read_paths.push_back(path);
      if (!std::filesystem::exists(Utf16ToUtf8(path))) throw FileError(Utf16ToUtf8(path), "missing");
      return HelpFileHeader{title_bytes, code_page};
    };
    s.word_installed = [this] { return word; };
    s.create_converter = [this]() -> std::unique_ptr<TChmToDocPDF> {
      ++converters_made;
      auto c = std::make_unique<tomeshift::testing::ScriptedConverter>();
      c->script = script;
      return c;
    };
    return s;
  }

  QString Chm(const QString& name, const QByteArray& bytes = "ITSF fake help file") {
    const QString path = dir.filePath(name);
    QDir().mkpath(QFileInfo(path).absolutePath());
    WriteFile(path, bytes);
    return path;
  }
};

// A folder that refuses writes, as a read-only folder does for an ordinary user (root writes into
// one anyway, so the refusal is also made where the program asks).
class ReadOnlyFolder final : public IFileSystem {
 public:
  explicit ReadOnlyFolder(const QString& folder) : folder_((folder + "/").toStdU16String()) {}
  bool FileExists(std::u16string_view p) override { return native_.FileExists(p); }
  bool DirectoryExists(std::u16string_view p) override { return native_.DirectoryExists(p); }
  std::optional<std::string> ReadFile(std::u16string_view p) override { return native_.ReadFile(p); }
  void WriteFile(std::u16string_view p, std::string_view bytes) override {
    if (p.substr(0, folder_.size()) == folder_) throw FileError(Utf16ToUtf8(p), "Permission denied");
    native_.WriteFile(p, bytes);
  }
  void CreateDirectories(std::u16string_view p) override { native_.CreateDirectories(p); }
  bool RemoveFile(std::u16string_view p) override { return native_.RemoveFile(p); }
  bool RemoveTree(std::u16string_view p) override { return native_.RemoveTree(p); }
  std::vector<DirEntry> ListDirectory(std::u16string_view p) override { return native_.ListDirectory(p); }
  std::optional<std::uint64_t> FileSize(std::u16string_view p) override { return native_.FileSize(p); }
  std::string NativePath(std::u16string_view p) override { return native_.NativePath(p); }
  int AccessForWriting(std::u16string_view p) override {
    return p.substr(0, folder_.size() - 1) == std::u16string_view(folder_).substr(0, folder_.size() - 1) ? EACCES : 0;
  }

 private:
  NativeFileSystem native_;
  std::u16string folder_;
};

}  // namespace

class TestMainWindow : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void firstRunWritesAndShowsFactorySettings();
  void missingHeadingRestoresFactorySettingsButKeepsPaths();
  void mistypedPathsReadAsEmptyWithoutLooping();
  void damagedSettingsFileIsKeptAside();
  void savedSettingsComeBack();
  void storedCustomSizeStaysUntilPaperChanges();
  void paperSizeRule();
  void clickRules();
  void idleRule_data();
  void idleRule();
  void droppedFiles();
  void sourceChangeReadsTitleAndProposesOutput();
  void outputInUseGoesToDocuments();
  void readOnlySourceFolderGoesToDocuments();
  void languageChangeAndBack();
  void realHelpFileGivesItsTitle();
  void commandsWithoutHelpFileAreRefused();
  void wordMissingStopsBeforeAnything();
  void unwritableOutputOffersAnotherPlace();
  void conversionDrivenThroughTheWindow();
  void conversionWithTheRealOutputStage();
  void cancelDuringTheTopicLoop();
  void wordCheckIsTheCores();
  void shellCommands_data();
  void shellCommands();
  void headingStylesCancelKeepsFonts();
  void menusAndLists();
};

void TestMainWindow::init() { qputenv("TMPDIR", QDir::tempPath().toUtf8()); }

void TestMainWindow::firstRunWritesAndShowsFactorySettings() {
  Fixture f;
  TfrmMain w(f.store, f.Services());
  QCOMPARE(w.windowTitle(), QStringLiteral("Quorvel Tomeshift ") + QStringLiteral(TOMESHIFT_VERSION));
  QCOMPARE(w.edtSourceFile->text(), QString());
  QCOMPARE(w.edtPDF->text(), QString());
  QCOMPARE(w.cbPaperSize->currentText(), QStringLiteral("A4"));
  QCOMPARE(w.seTop->value(), 25);
  QCOMPARE(w.seLeft->value(), 30);
  QCOMPARE(w.seShowLevel->value(), 9);
  QVERIFY(w.cbCover->isChecked() && w.cbHeader->isChecked() && w.cbFooter->isChecked() && w.cbTOC->isChecked());
  QVERIFY(w.cbHint->isChecked());
  QVERIFY(w.rbIntergrate->isChecked());
  QCOMPARE(w.edtTableOfContents->text(), QStringLiteral("Table of Contents"));
  QCOMPARE(w.edtHintFormat->text(), QStringLiteral("See [Title No.]"));
  QCOMPARE(w.edtAddenda->text(), QStringLiteral("Addenda"));
  QCOMPARE(w.HeadingFont[1].Name, std::u16string(u"Calibri"));
  QCOMPARE(w.HeadingFont[1].Size, 27);
  QVERIFY(w.HeadingFont[1].Bold && w.HeadingFont[1].Underline && !w.HeadingFont[1].Italic);
  for (int n = 2; n <= 9; ++n) {
    QCOMPARE(w.HeadingFont[n].Size, 29 - 2 * n);
    QVERIFY(!w.HeadingFont[n].Bold && !w.HeadingFont[n].Underline);
  }
  const QString file = ReadAll(f.reg_path);
  QVERIFY(file.contains("\"Heading1\"=\"Calibri,27,0,[BU]\""));
  QVERIFY(file.contains("\"PaperSize\"=dword:00000004"));
  QVERIFY(!file.contains("SourceFile"));  // the factory settings leave the paths alone
  QVERIFY(!file.contains("Panes"));       // written only after a conversion
}

void TestMainWindow::missingHeadingRestoresFactorySettingsButKeepsPaths() {
  Fixture f;
  const QString chm = f.Chm("books/guide.chm");
  {
    TfrmMain w(f.store, f.Services());
    w.edtSourceFile->setText(chm);
    w.edtPDF->setText(f.dir.filePath("out/guide.docx"));
    w.seTop->setValue(11);
    w.cbCover->setChecked(false);
    w.HeadingFont[2].Size = 99;
    w.SaveSettings();
  }
  QVERIFY(f.store.DeleteValue(u"Heading5"));
  TfrmMain w(f.store, f.Services());
  QCOMPARE(w.seTop->value(), 25);
  QVERIFY(w.cbCover->isChecked());
  QCOMPARE(w.HeadingFont[2].Size, 25);
  QCOMPARE(w.HeadingFont[5].Size, 19);
  QCOMPARE(w.edtSourceFile->text(), chm);
  QCOMPARE(w.edtPDF->text(), f.dir.filePath("out/guide.docx"));
}

void TestMainWindow::mistypedPathsReadAsEmptyWithoutLooping() {
  Fixture f;
  f.store.WriteInteger(u"SourceFile", 7);
  f.store.WriteInteger(u"WordFile", 8);
  BoxRecorder boxes;
  TfrmMain w(f.store, f.Services());
  QCOMPARE(w.edtSourceFile->text(), QString());
  QCOMPARE(w.cbPaperSize->currentIndex(), 4);  // the rest came from the factory settings
  QVERIFY(boxes.boxes.empty());
}

void TestMainWindow::damagedSettingsFileIsKeptAside() {
  Fixture f;
  QDir().mkpath(QFileInfo(f.reg_path).absolutePath());
  WriteFile(f.reg_path, "this is not a registry export\n\"PaperSize\"=dword:1\n");
  BoxRecorder boxes;
  TfrmMain w(f.store, f.Services());
  QCOMPARE(w.cbPaperSize->currentIndex(), 4);
  QCOMPARE(ReadAll(f.reg_path + ".bak"), QStringLiteral("this is not a registry export\n\"PaperSize\"=dword:1\n"));
  QVERIFY(ReadAll(f.reg_path).contains("\"Heading9\""));
  QCOMPARE(boxes.boxes.size(), size_t{1});
  QVERIFY(boxes.boxes[0].text.contains(f.reg_path + ".bak"));
}

void TestMainWindow::savedSettingsComeBack() {
  Fixture f;
  TStoredValues saved;
  {
    TfrmMain w(f.store, f.Services());
    w.cbPaperSize->setCurrentIndex(0);
    w.seTop->setValue(5);
    w.seBottom->setValue(6);
    w.seLeft->setValue(7);
    w.seRight->setValue(8);
    w.cbTOC->setChecked(false);
    w.seShowLevel->setValue(4);
    w.edtTableOfContents->setText(QStringLiteral("Inhalt"));
    w.cbTitleNumber->setChecked(false);
    w.edtHintFormat->setText(QStringLiteral("Siehe \"[Title No.]\""));
    w.cbStartNewPage->setCurrentIndex(2);
    w.rbDiscard->setChecked(true);
    w.edtAddenda->setText(QStringLiteral("Anhang"));
    w.HeadingFont[7].Italic = true;
    w.HeadingFont[7].Color = 0xFF000008;
    w.SaveSettings();
    saved = w.CurrentSettings();
  }
  TfrmMain again(f.store, f.Services());
  QVERIFY(again.CurrentSettings() == saved);
  QVERIFY(!again.seShowLevel->isEnabled());
  QVERIFY(!again.edtAddenda->isEnabled());
  QVERIFY(ReadAll(f.reg_path).contains("\"Heading7\"=\"Calibri,15,-16777208,[I]\""));
}

void TestMainWindow::storedCustomSizeStaysUntilPaperChanges() {
  Fixture f;
  {
    TfrmMain w(f.store, f.Services());
    w.cbPaperSize->setCurrentIndex(kCustomPaperIndex);
    w.seWidth->setValue(150);
    w.seHeight->setValue(210);
    w.SaveSettings();
  }
  TfrmMain w(f.store, f.Services());
  QCOMPARE(w.cbPaperSize->currentIndex(), kCustomPaperIndex);
  QCOMPARE(w.seWidth->value(), 150);
  QCOMPARE(w.seHeight->value(), 210);
  QVERIFY(!w.seWidth->isEnabled());  // the rule runs only when the user picks a size
  QCOMPARE(w.ConversionSettingsFromWindow().PaperSize, 41);
  // Values no document can be made with come back as the original ones, and the user is told.
  BoxRecorder boxes;
  f.store.WriteInteger(u"Top", -100);
  f.store.WriteString(u"Heading2", u"Arial,99999999,0,[]");
  w.LoadSettings();
  QCOMPARE(w.seTop->value(), 25);
  QCOMPARE(w.HeadingFont[2].Size, 25);
  QCOMPARE(boxes.boxes.size(), size_t{1});
  QVERIFY(boxes.boxes[0].text.contains(f.reg_path));
  QVERIFY2(boxes.boxes[0].text.contains("\"Top\"=-100 is out of range (0 to 999); 25 is used"),
           qPrintable(boxes.boxes[0].text));
  QVERIFY(boxes.boxes[0].text.contains("\"Heading2\"=\"Arial,99999999,0,[]\""));
  // A stored index outside the list selects nothing, and the record keeps its own paper code.
  f.store.WriteInteger(u"PaperSize", 12);
  w.LoadSettings();
  QCOMPARE(w.cbPaperSize->currentIndex(), -1);
  QCOMPARE(w.ConversionSettingsFromWindow().PaperSize, TDocPDFSettings{}.PaperSize);
}

void TestMainWindow::paperSizeRule() {
  Fixture f;
  TfrmMain w(f.store, f.Services());
  QVERIFY(!w.seWidth->isEnabled() && !w.seHeight->isEnabled());
  w.cbPaperSize->setCurrentIndex(kCustomPaperIndex);
  QCOMPARE(w.seWidth->value(), 220);
  QCOMPARE(w.seHeight->value(), 280);
  QVERIFY(w.seWidth->isEnabled() && w.seHeight->isEnabled());
  // No page of 0 x 0 mm, none larger than the document engine takes.
  w.seWidth->setValue(0);
  w.seHeight->setValue(99999);
  QCOMPARE(w.seWidth->value(), 50);
  QCOMPARE(w.seHeight->value(), 558);
  w.cbPaperSize->setCurrentIndex(4);
  QCOMPARE(w.seWidth->value(), 0);
  QCOMPARE(w.seHeight->value(), 0);
  QVERIFY(!w.seWidth->isEnabled() && !w.seHeight->isEnabled());
  const int codes[] = {2, 23, 4, 6, 7, 11, 41};
  for (int i = 0; i < 7; ++i) {
    w.cbPaperSize->setCurrentIndex(i);
    QCOMPARE(w.ConversionSettingsFromWindow().PaperSize, codes[i]);
  }
}

void TestMainWindow::clickRules() {
  Fixture f;
  TfrmMain w(f.store, f.Services());
  // Title numbers off: no hints (they would name numbers no heading shows), and the box shows it;
  // numbers on again bring the hint choice back.
  w.cbTitleNumber->setChecked(false);
  w.Action1Update();
  QVERIFY(!w.cbHint->isEnabled());
  QVERIFY(!w.cbHint->isChecked());
  QVERIFY(!w.edtHintFormat->isEnabled());
  QVERIFY(!w.lbHintFormat->isEnabled());
  QVERIFY(!w.ConversionSettingsFromWindow().AddHint);
  w.cbTitleNumber->setChecked(true);
  w.Action1Update();
  QVERIFY(w.cbHint->isChecked());
  QVERIFY(w.edtHintFormat->isEnabled());
  w.cbHint->setChecked(false);
  w.Action1Update();
  QVERIFY(!w.edtHintFormat->isEnabled());

  w.cbTOC->setChecked(false);
  QVERIFY(!w.seShowLevel->isEnabled() && !w.lbShowLevel->isEnabled());
  QVERIFY(!w.edtTableOfContents->isEnabled() && !w.lbTOCCaption->isEnabled());
  w.cbTOC->setChecked(true);
  QVERIFY(w.seShowLevel->isEnabled() && w.edtTableOfContents->isEnabled());

  w.rbDiscard->setChecked(true);
  QVERIFY(!w.edtAddenda->isEnabled() && !w.lbAddenda->isEnabled());
  QVERIFY(w.ConversionSettingsFromWindow().Discard);
  w.rbIntergrate->setChecked(true);
  QVERIFY(w.edtAddenda->isEnabled());
  QVERIFY(!w.ConversionSettingsFromWindow().Discard);
  // A disabled edit shows the button face.
  w.cbTOC->setChecked(false);
  QCOMPARE(w.edtTableOfContents->palette().color(QPalette::Disabled, QPalette::Base),
           w.edtTableOfContents->palette().color(QPalette::Active, QPalette::Button));
}

void TestMainWindow::idleRule_data() {
  QTest::addColumn<QString>("source");
  QTest::addColumn<QString>("output");
  QTest::addColumn<bool>("convert");
  QTest::newRow("both") << "a.chm"
                        << "a.doc" << true;
  QTest::newRow("no output") << "a.chm"
                             << "" << false;
  QTest::newRow("blank output") << "a.chm"
                                << " \t " << false;
  QTest::newRow("control characters only") << "\x01\x02"
                                           << "a.doc" << false;
  QTest::newRow("blank source") << "   "
                                << "a.doc" << false;
}

void TestMainWindow::idleRule() {
  QFETCH(QString, source);
  QFETCH(QString, output);
  QFETCH(bool, convert);
  Fixture f;
  TfrmMain w(f.store, f.Services());
  w.edtSourceFile->setText(source);
  w.edtPDF->setText(output);
  w.Action1Update();
  QCOMPARE(w.btnConvert->isEnabled(), convert);
  QCOMPARE(w.actConvert->isEnabled(), convert);
  QVERIFY(!w.btnViewSource->isEnabled() && !w.btnFolderPDF->isEnabled());
}

void TestMainWindow::droppedFiles() {
  Fixture f;
  BoxRecorder boxes;
  TfrmMain w(f.store, f.Services());
  const QString first = f.Chm("notes.txt");
  const QString second = f.Chm("Second.CHM");
  const QString third = f.Chm("third.Chm");
  w.DropFiles({first, second, third});
  QCOMPARE(w.edtSourceFile->text(), second);
  QVERIFY(boxes.boxes.empty());
  QVERIFY(w.btnViewSource->isEnabled() && w.btnFolderSource->isEnabled());
  w.DropFiles({first, f.dir.filePath("x.doc")});
  QCOMPARE(w.edtSourceFile->text(), second);  // unchanged
  QCOMPARE(boxes.Texts(), QStringList{"Only accept .chm file!"});
  QCOMPARE(boxes.boxes[0].kind, BoxKind::Warning);
  // Named on the program's command line: a file that is not there is said to be missing.
  const QString missing = f.dir.filePath("gone/manual.chm");
  w.OpenFromCommandLine(missing);
  QCOMPARE(w.edtSourceFile->text(), missing);
  QCOMPARE(boxes.Texts().last(), "File not found: " + missing);
  QCOMPARE(w.lbSourceProblem->text(), "File not found: " + missing);
  w.OpenFromCommandLine(third);
  QCOMPARE(w.edtSourceFile->text(), third);
  QVERIFY(w.lbSourceProblem->isHidden());
}

void TestMainWindow::sourceChangeReadsTitleAndProposesOutput() {
  Fixture f;
  TfrmMain w(f.store, f.Services());
  const QString chm = f.Chm("help/My Guide.chm", "CHM-BYTES");
  w.edtSourceFile->setText(chm);
  QCOMPARE(w.edtTitle->text(), QStringLiteral("Sample Help"));
  const QString proposed = f.dir.filePath("help/My Guide.doc");
  QCOMPARE(w.edtPDF->text(), proposed);
  // The probe of the proposed path leaves no empty document behind.
  QVERIFY(!QFileInfo::exists(proposed));
  // The reader saw a scratch copy, not the file itself, and the copy is gone.
  QCOMPARE(f.read_paths.size(), size_t{1});
  const QString scratch = QString::fromStdU16String(f.read_paths[0]);
  QVERIFY(scratch != chm);
  QVERIFY(QFileInfo(scratch).fileName().startsWith("~wi"));
  QVERIFY(!QFileInfo::exists(scratch));
  QVERIFY(w.Loaded().has_value());
  // A path that names nothing says so under the box, without a box of its own.
  BoxRecorder boxes;
  w.edtSourceFile->setText(f.dir.filePath("help/My Guid"));
  QVERIFY(!w.lbSourceProblem->isHidden());
  QCOMPARE(w.lbSourceProblem->text(), "File not found: " + f.dir.filePath("help/My Guid"));
  QVERIFY(boxes.boxes.empty());
  // An existing document of that name is kept as it is.
  WriteFile(proposed, "old document");
  w.edtSourceFile->setText(QString());
  QVERIFY(w.lbSourceProblem->isHidden());
  QCOMPARE(w.edtTitle->text(), QString());
  QCOMPARE(w.edtPDF->text(), QString());
  QVERIFY(!w.Loaded().has_value());
  w.edtSourceFile->setText(chm);
  QCOMPARE(ReadAll(proposed), QStringLiteral("old document"));
  QCOMPARE(w.edtPDF->text(), proposed);
}

void TestMainWindow::outputInUseGoesToDocuments() {
  Fixture f;
  const QString home = f.dir.filePath("home");
  QDir().mkpath(home + "/Documents");
  const QByteArray old_home = qgetenv("HOME");
  qputenv("HOME", home.toUtf8());
  qunsetenv("XDG_DOCUMENTS_DIR");
  TfrmMain w(f.store, f.Services());
  const QString chm = f.Chm("shared/manual.chm");
  // An office suite holds the proposed document open.
  WriteFile(f.dir.filePath("shared/.~lock.manual.doc#"), "lock");
  WriteFile(f.dir.filePath("shared/manual.doc"), "open elsewhere");
  w.edtSourceFile->setText(chm);
  qputenv("HOME", old_home);
  QCOMPARE(QFileInfo(w.edtPDF->text()).fileName(), QStringLiteral("manual.doc"));
  QCOMPARE(QFileInfo(w.edtPDF->text()).absolutePath(), QFileInfo(home + "/Documents").absoluteFilePath());
}

void TestMainWindow::readOnlySourceFolderGoesToDocuments() {
  Fixture f;
  const QString home = f.dir.filePath("home");
  QDir().mkpath(home + "/Documents");
  const QByteArray old_home = qgetenv("HOME");
  qputenv("HOME", home.toUtf8());
  qunsetenv("XDG_DOCUMENTS_DIR");
  BoxRecorder boxes;
  TfrmMain w(f.store, f.Services());
  const QString chm = f.Chm("cdrom/setup guide.chm");
  const QString folder = f.dir.filePath("cdrom");
  QFile::setPermissions(
      folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner | QFileDevice::ReadOther | QFileDevice::ExeOther);
  {
    ReadOnlyFolder read_only(folder);
    ScopedFileSystem installed(read_only);
    w.edtSourceFile->setText(chm);
  }
  QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  qputenv("HOME", old_home);
  QCOMPARE(w.edtTitle->text(), QStringLiteral("Sample Help"));
  QCOMPARE(w.edtPDF->text(), QDir(home + "/Documents").absoluteFilePath("setup guide.doc"));
  QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList{"setup guide.chm"});
  QVERIFY(boxes.boxes.empty());
}

void TestMainWindow::languageChangeAndBack() {
  Fixture f;
  f.title_bytes = "\xCF\xF0\xE8\xEC\xE5\xF0";  // "Пример" in code page 1251
  f.code_page = 1251;
  TfrmMain w(f.store, f.Services());
  w.edtSourceFile->setText(f.Chm("ru.chm"));
  QCOMPARE(w.edtTitle->text(), QString::fromUtf8("\xD0\x9F\xD1\x80\xD0\xB8\xD0\xBC\xD0\xB5\xD1\x80"));
  // Pick a language with another code page: the title is decoded with it and a typed title is replaced.
  const TLanguages& languages = GlobalLanguages();
  int other = -1;
  for (int i = 0; i < languages.GetCount(); ++i) {
    if (languages.GetItem(i).CodePage == 1252) {
      other = i;
      break;
    }
  }
  QVERIFY(other >= 0);
  w.edtTitle->setText(QStringLiteral("typed"));
  w.cbLanguage->setCurrentIndex(other + 1);
  emit w.cbLanguage->activated(other + 1);
  QCOMPARE(w.Loaded()->CodePage, 1252u);
  QCOMPARE(w.edtTitle->text(), QString::fromStdU16String(CodePageToText(f.title_bytes, 1252)));
  w.cbLanguage->setCurrentIndex(0);
  emit w.cbLanguage->activated(0);
  QCOMPARE(w.Loaded()->CodePage, 1251u);
  QCOMPARE(w.edtTitle->text(), QString::fromUtf8("\xD0\x9F\xD1\x80\xD0\xB8\xD0\xBC\xD0\xB5\xD1\x80"));
  // Choosing a new help file goes back to "[Automatic]".
  w.cbLanguage->setCurrentIndex(other + 1);
  emit w.cbLanguage->activated(other + 1);
  w.edtSourceFile->setText(f.Chm("ru2.chm"));
  QCOMPARE(w.cbLanguage->currentIndex(), 0);
  QCOMPARE(w.Loaded()->CodePage, 1251u);
}

void TestMainWindow::realHelpFileGivesItsTitle() {
  Fixture f;
  BoxRecorder boxes;
  MainWindowServices services = f.Services();
  services.read_help_file = ReadHelpFileHeader;
  TfrmMain w(f.store, services);
  QFile help(tomeshift::testing::SampleHelpFile());
  QVERIFY(help.open(QIODevice::ReadOnly));
  w.edtSourceFile->setText(f.Chm("manual.chm", help.readAll()));
  QCOMPARE(w.edtTitle->text(), QStringLiteral("Tomeshift User Manual"));
  QCOMPARE(w.Loaded()->rCodePage, 1252u);
  QVERIFY(boxes.boxes.empty());
}

void TestMainWindow::commandsWithoutHelpFileAreRefused() {
  Fixture f;
  BoxRecorder boxes;
  TfrmMain w(f.store, f.Services());
  w.edtSourceFile->setText(f.dir.filePath("missing.chm"));
  w.edtPDF->setText(f.dir.filePath("out.doc"));
  w.cbLanguage->setCurrentIndex(3);
  emit w.cbLanguage->activated(3);
  QCOMPARE(w.cbLanguage->currentIndex(), 0);
  w.btnConvertClick();
  QCOMPARE(boxes.Texts(), (QStringList{text::kNoHelpFileLoaded, text::kNoHelpFileLoaded}));
  QCOMPARE(f.converters_made, 0);
  QVERIFY(w.Progress() == nullptr);
}

void TestMainWindow::wordMissingStopsBeforeAnything() {
  Fixture f;
  f.word = false;
  BoxRecorder boxes;
  TfrmMain w(f.store, f.Services());
  w.edtSourceFile->setText(f.Chm("a.chm"));
  const QString before = ReadAll(f.reg_path);
  w.btnConvertClick();
  QCOMPARE(boxes.Texts(), QStringList{"Microsoft Word has not been installed. Unable to continue."});
  QCOMPARE(boxes.boxes[0].kind, BoxKind::Error);
  QCOMPARE(f.converters_made, 0);
  QVERIFY(w.Progress() == nullptr);
  QCOMPARE(ReadAll(f.reg_path), before);
}

void TestMainWindow::unwritableOutputOffersAnotherPlace() {
  Fixture f;
  BoxRecorder boxes;
  TfrmMain w(f.store, f.Services());
  QFile help(tomeshift::testing::SampleHelpFile());
  QVERIFY(help.open(QIODevice::ReadOnly));
  w.edtSourceFile->setText(f.Chm("a.chm", help.readAll()));
  const QString locked = f.dir.filePath("locked");
  QDir().mkpath(locked);
  w.edtPDF->setText(locked + "/a.docx");
  ReadOnlyFolder read_only(locked);
  ScopedFileSystem installed(read_only);
  // Declined: nothing runs.
  boxes.answers = {QMessageBox::No};
  w.btnConvertClick();
  QCOMPARE(f.converters_made, 0);
  QCOMPARE(boxes.boxes.size(), size_t{1});
  QVERIFY2(boxes.boxes[0].text.startsWith("Cannot write in the folder " + locked + ": Permission denied"),
           qPrintable(boxes.boxes[0].text));
  QVERIFY(!boxes.boxes[0].text.contains("probably"));
  // Accepted: the save dialog, and the run goes to the place chosen there.
  boxes.answers = {QMessageBox::Yes};
  const QString elsewhere = f.dir.filePath("a.docx");
  std::u16string written_to;
  f.script = [&](tomeshift::testing::ScriptedConverter& c) { written_to = c.pdf; };
  WhenModal([&](QWidget* modal) {
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    QVERIFY(dialog);
    WhenModal([](QWidget* modal_progress) {
      auto* progress = qobject_cast<TfrmProgress*>(modal_progress);
      QVERIFY(progress);
      QVERIFY(WaitFor([&] { return progress->btnCancel->text() == text::kClose; }));
      QTest::mouseClick(progress->btnCancel, Qt::LeftButton);
    });
    dialog->setDirectory(f.dir.path());
    dialog->selectFile(QFileInfo(elsewhere).fileName());
    static_cast<QDialog*>(dialog)->accept();  // public in QDialog
  });
  w.btnConvertClick();
  QCOMPARE(w.edtPDF->text(), elsewhere);
  QCOMPARE(f.converters_made, 1);
  QCOMPARE(QString::fromStdU16String(written_to), elsewhere);
}

void TestMainWindow::conversionDrivenThroughTheWindow() {
  Fixture f;
  BoxRecorder boxes;
  TfrmMain w(f.store, f.Services());
  // A real help file: the worker reads and extracts it before the (scripted) output stage.
  QFile help(tomeshift::testing::SampleHelpFile());
  QVERIFY(help.open(QIODevice::ReadOnly));
  const QByteArray help_bytes = help.readAll();
  const QString chm = f.Chm("docs/product.chm", help_bytes);
  w.edtSourceFile->setText(chm);
  w.edtTitle->setText(QStringLiteral("Product Manual"));
  // A language picked by hand is what the conversion reads the help file with.
  int cyrillic = -1;
  for (int i = 0; i < GlobalLanguages().GetCount(); ++i) {
    if (GlobalLanguages().GetItem(i).CodePage == 1251) {
      cyrillic = i;
      break;
    }
  }
  QVERIFY(cyrillic >= 0);
  w.cbLanguage->setCurrentIndex(cyrillic + 1);
  emit w.cbLanguage->activated(cyrillic + 1);
  w.edtTitle->setText(QStringLiteral("Product Manual"));
  w.seLeft->setValue(20);
  w.cbPaperSize->setCurrentIndex(0);
  w.cbStartNewPage->setCurrentIndex(1);
  w.HeadingFont[4].Bold = true;

  struct Seen {
    QByteArray scratch;
    std::u16string chm_file, pdf, title;
    std::uint32_t code_page = 0;
    bool only_word = false;
    TDocPDFSettings settings;
    size_t topics = 0;
    bool root_exists = false;
  } seen;
  f.script = [&](tomeshift::testing::ScriptedConverter& c) {
    QFile copy(QString::fromStdU16String(c.chmFile));
    copy.open(QIODevice::ReadOnly);
    seen.scratch = copy.readAll();
    seen.chm_file = c.chmFile;
    seen.pdf = c.pdf;
    seen.title = c.Title;
    seen.code_page = c.CodePage;
    seen.only_word = c.OnlyWord;
    seen.settings = c.Settings;
    seen.topics = static_cast<size_t>(c.List.Count());
    seen.root_exists = QFileInfo(QString::fromStdU16String(c.rootFolder)).isDir();
    c.Report(u"Topics", 50);
    c.Report(u"Saving", 98);
    c.Saved = true;
    c.SavedFile = c.pdf;
    c.OK = true;
    c.Report(u"OK!", 100);
  };
  int bar_seen = -1;
  // Close the progress window once it offers "Close".
  WhenModal([&](QWidget* modal) {
    auto* progress = qobject_cast<TfrmProgress*>(modal);
    QVERIFY(progress);
    QVERIFY(WaitFor([&] { return progress->btnCancel->text() == text::kClose; }));
    bar_seen = progress->Gauge1->value();
    QTest::mouseClick(progress->btnCancel, Qt::LeftButton);
  });
  w.btnConvertClick();
  QVERIFY2(boxes.boxes.empty(), qPrintable(boxes.Texts().join('|')));
  QCOMPARE(f.converters_made, 1);
  QCOMPARE(seen.scratch, help_bytes);
  QVERIFY(QString::fromStdU16String(seen.chm_file) != chm);
  QVERIFY(!QFileInfo::exists(QString::fromStdU16String(seen.chm_file)));  // the scratch copy is gone
  QVERIFY(seen.root_exists);
  QVERIFY(seen.topics > 0);
  QVERIFY(seen.only_word);
  QCOMPARE(QString::fromStdU16String(seen.pdf), f.dir.filePath("docs/product.doc"));
  QCOMPARE(QString::fromStdU16String(seen.title), QStringLiteral("Product Manual"));
  QCOMPARE(seen.code_page, 1251u);
  QCOMPARE(seen.settings.PaperSize, 2);
  QCOMPARE(seen.settings.Left, 20);
  QCOMPARE(seen.settings.ShowLevel, 9);
  QCOMPARE(seen.settings.StartNewPage, 1);
  QCOMPARE(seen.settings.Magnification, 4);
  QVERIFY(seen.settings.AddHint);
  QVERIFY(seen.settings.HeadingFont[4].Bold);
  QCOMPARE(bar_seen, 100);
  // The settings were recorded after the run, the viewer choices and the heading fonts with them.
  const QString file = ReadAll(f.reg_path);
  QVERIFY(file.contains("\"SourceFile\"=\"" + chm + "\""));
  QVERIFY(file.contains("\"Left\"=dword:00000014"));
  QVERIFY(file.contains("\"Panes\"=dword:00000000"));
  QVERIFY(file.contains("\"Magnification\"=dword:00000004"));
  QVERIFY(file.contains("\"PageLayout\"=dword:00000000"));
  QVERIFY(file.contains("\"Heading4\"=\"Calibri,21,0,[B]\""));
}

void TestMainWindow::conversionWithTheRealOutputStage() {
  Fixture f;
  BoxRecorder boxes;
  DesktopRecorder desktop;
  // As the program does: the worker's questions and messages come to the window as boxes.
  QtUserInteraction interaction;
  ScopedUserInteraction installed(interaction);
  MainWindowServices services;  // the program's own: the real reader, converter and word check
  TfrmMain w(f.store, services);
  QFile help(QStringLiteral(TOMESHIFT_FIXTURES_DIR "/converter/nested-contents.chm"));
  QVERIFY(help.open(QIODevice::ReadOnly));
  const QString chm = f.Chm("in/nested.chm", help.readAll());
  w.edtSourceFile->setText(chm);
  QVERIFY(!w.edtTitle->text().isEmpty());
  const QString output = f.dir.filePath("out/nested.docx");
  QDir().mkpath(f.dir.filePath("out"));
  w.edtPDF->setText(output);
  w.edtTitle->setText(QStringLiteral("Nested Manual"));
  w.cbPaperSize->setCurrentIndex(0);  // Letter
  w.cbTitleNumber->setChecked(true);
  w.Action1Update();
  QVERIFY(w.btnConvert->isEnabled());

  QString label_at_close, end_at_close;
  int bar_at_close = -1;
  QStringList opened_before_close;
  WhenModal([&](QWidget* modal) {
    auto* progress = qobject_cast<TfrmProgress*>(modal);
    QVERIFY(progress);
    QVERIFY(WaitFor([&] { return progress->btnCancel->text() == text::kClose; }, 180000));
    label_at_close = progress->lbInfo->text();
    end_at_close = progress->lbEnd->text();
    bar_at_close = progress->Gauge1->value();
    opened_before_close = desktop.opened;
    QTest::mouseClick(progress->btnCancel, Qt::LeftButton);
  });
  QTest::mouseClick(w.btnConvert, Qt::LeftButton);
  QVERIFY2(boxes.boxes.empty(), qPrintable(boxes.Texts().join('|')));
  QCOMPARE(end_at_close, QString(text::kEndSaved));
  QCOMPARE(label_at_close, output);
  QCOMPARE(bar_at_close, 100);
  // The finished document was opened through the desktop before the button offered "Close".
  QCOMPARE(opened_before_close, QStringList{output});

  const tomeshift::testing::DocxReader doc(output.toStdString());
  const auto headings = doc.Headings();
  QVERIFY(!headings.empty());
  bool numbered = false;
  for (const auto& h : headings) numbered = numbered || (h.level == 1 && h.text.rfind("1. ", 0) == 0);
  QVERIFY2(numbered, headings.front().text.c_str());
  const auto sections = doc.Sections();
  QVERIFY(!sections.empty());
  QCOMPARE(sections.front().width, 12240);  // Letter, in twips
  // Header and footer are on (the cover page's section may go without).
  QVERIFY(
      std::any_of(sections.begin(), sections.end(), [](const auto& sec) { return sec.has_header && sec.has_footer; }));
  // The scratch copy of the help file is gone; only the source and the document are there.
  QCOMPARE(QDir(f.dir.filePath("out")).entryList(QDir::Files), QStringList{"nested.docx"});

  // The hidden viewer choices reach the store only now, with their fixed values.
  const QString file = ReadAll(f.reg_path);
  QVERIFY(file.contains("\"Panes\"=dword:00000000"));
  QVERIFY(file.contains("\"Magnification\"=dword:00000004"));
  QVERIFY(file.contains("\"PageLayout\"=dword:00000000"));
  QVERIFY(file.contains("\"WordFile\"=\"" + output + "\""));

  // "View" beside the output goes the same way.
  w.Action1Update();
  QVERIFY(w.btnViewPDF->isEnabled());
  QTest::mouseClick(w.btnViewPDF, Qt::LeftButton);
  QCOMPARE(desktop.opened, (QStringList{output, output}));
}

void TestMainWindow::cancelDuringTheTopicLoop() {
  Fixture f;
  const QString scratch = f.dir.filePath("tmp");
  QDir().mkpath(scratch);
  qputenv("TMPDIR", scratch.toUtf8());
  BoxRecorder boxes;
  DesktopRecorder desktop;
  QtUserInteraction interaction;
  ScopedUserInteraction installed(interaction);
  TfrmMain w(f.store, MainWindowServices{});
  QFile help(QStringLiteral(TOMESHIFT_FIXTURES_DIR "/converter/many-pages.chm"));
  QVERIFY(help.open(QIODevice::ReadOnly));
  w.edtSourceFile->setText(f.Chm("in/many.chm", help.readAll()));
  const QString output = f.dir.filePath("in/many.docx");
  w.edtPDF->setText(output);

  QString label_at_cancel;
  bool closed = false;
  WhenModal([&](QWidget* modal) {
    auto* progress = qobject_cast<TfrmProgress*>(modal);
    QVERIFY(progress);
    QVERIFY(WaitFor([&] { return progress->lbInfo->text().startsWith("Processing ("); }, 180000));
    label_at_cancel = progress->lbInfo->text();
    QTest::mouseClick(progress->btnCancel, Qt::LeftButton);
    closed = !progress->isVisible();
  });
  w.btnConvertClick();
  QVERIFY2(label_at_cancel.startsWith("Processing ("), qPrintable(label_at_cancel));
  QVERIFY(closed);
  // No error box, no document (not even a partial one), nothing opened, no scratch files left.
  QVERIFY2(boxes.boxes.empty(), qPrintable(boxes.Texts().join('|')));
  QVERIFY(!QFileInfo::exists(output));
  QVERIFY(desktop.opened.isEmpty());
  QCOMPARE(QDir(scratch).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList{});
  // The settings are recorded whatever the outcome.
  QVERIFY(ReadAll(f.reg_path).contains("\"Panes\"=dword:00000000"));
}

void TestMainWindow::wordCheckIsTheCores() {
  Fixture f;
  BoxRecorder boxes;
  MainWindowServices services = f.Services();
  services.word_installed = MainWindowServices{}.word_installed;
  TfrmMain w(f.store, services);
  w.edtSourceFile->setText(f.Chm("a.chm"));
  com::UnregisterClass(kWordProgID);
  w.btnConvertClick();
  RegisterBuiltInWordEngine();
  QCOMPARE(boxes.Texts(), QStringList{"Microsoft Word has not been installed. Unable to continue."});
  QCOMPARE(f.converters_made, 0);
  QVERIFY(w.Progress() == nullptr);
}

void TestMainWindow::shellCommands_data() {
  QTest::addColumn<QString>("command");
  QTest::addColumn<bool>("file_manager");
  QTest::addColumn<bool>("help_viewer");
  QTest::addColumn<QString>("help_file");
  QTest::addColumn<QString>("opened");  // "source", "output", "folder", "help" or empty
  QTest::addColumn<bool>("shown");      // handed to the file manager
  QTest::addColumn<QString>("box");     // start of the box text, empty: no box
  QTest::newRow("view source") << "view source" << true << true << ""
                               << "source" << false << "";
  QTest::newRow("view output") << "view output" << true << true << ""
                               << "output" << false << "";
  QTest::newRow("folder, file manager there") << "folder output" << true << true << ""
                                              << "" << true << "";
  QTest::newRow("folder, no file manager") << "folder output" << false << true << ""
                                           << "folder" << false << "";
  QTest::newRow("help with a viewer") << "help" << true << true << "/opt/t/tomeshift.chm"
                                      << "help" << false << "";
  QTest::newRow("help without a viewer") << "help" << true << false << "/opt/t/tomeshift.chm"
                                         << "" << false << "No program for viewing help files";
  QTest::newRow("help file missing") << "help" << true << true << ""
                                     << "" << false << "The help file \"tomeshift.chm\"";
}

void TestMainWindow::shellCommands() {
  QFETCH(QString, command);
  QFETCH(bool, file_manager);
  QFETCH(bool, help_viewer);
  QFETCH(QString, help_file);
  QFETCH(QString, opened);
  QFETCH(bool, shown);
  QFETCH(QString, box);
  Fixture f;
  BoxRecorder boxes;
  DesktopRecorder desktop;
  desktop.file_manager = file_manager;
  desktop.help_viewer = help_viewer;
  desktop.help_file = help_file;
  TfrmMain w(f.store, f.Services());
  const QString source = f.Chm("src/book.chm");
  w.edtSourceFile->setText(source);
  const QString output = f.dir.filePath("out/book.docx");
  QDir().mkpath(f.dir.filePath("out"));
  WriteFile(output, "PK");
  w.edtPDF->setText(output);
  w.Action1Update();
  if (command == "view source") QTest::mouseClick(w.btnViewSource, Qt::LeftButton);
  if (command == "view output") QTest::mouseClick(w.btnViewPDF, Qt::LeftButton);
  if (command == "folder output") QTest::mouseClick(w.btnFolderPDF, Qt::LeftButton);
  if (command == "help") w.actHelp->trigger();
  const QMap<QString, QString> targets{
      {"source", source}, {"output", output}, {"folder", f.dir.filePath("out")}, {"help", help_file}};
  QCOMPARE(desktop.opened, opened.isEmpty() ? QStringList{} : QStringList{targets.value(opened)});
  QCOMPARE(desktop.shown, shown ? QStringList{output} : QStringList{});
  if (box.isEmpty()) {
    QVERIFY2(boxes.boxes.empty(), qPrintable(boxes.Texts().join('|')));
  } else {
    QCOMPARE(boxes.boxes.size(), size_t{1});
    QVERIFY2(boxes.boxes[0].text.startsWith(box), qPrintable(boxes.boxes[0].text));
    if (!help_file.isEmpty()) QVERIFY(boxes.boxes[0].text.contains(help_file));
  }
}

void TestMainWindow::headingStylesCancelKeepsFonts() {
  Fixture f;
  TfrmMain w(f.store, f.Services());
  const TFont before = w.HeadingFont[3];
  // Level 3 made italic with OK, then the heading styles dialog cancelled.
  WhenModal([](QWidget* modal) {
    auto* headings = qobject_cast<TfrmHeadings*>(modal);
    QVERIFY(headings);
    WhenModal([](QWidget* font_modal) {
      auto* dialog = qobject_cast<TfrmFontDialog*>(font_modal);
      QVERIFY(dialog);
      dialog->cbItalic->setChecked(true);
      QTest::mouseClick(dialog->OKBtn, Qt::LeftButton);
    });
    QTest::mouseClick(headings->Button[3], Qt::LeftButton);
    QVERIFY(headings->FontDialog[3]->Font().Italic);
    QTest::mouseClick(headings->CancelBtn, Qt::LeftButton);
  });
  w.btnHeadingStylesClick();
  QVERIFY(w.HeadingFont[3] == before);
  // The same with OK reaches the window.
  WhenModal([](QWidget* modal) {
    auto* headings = qobject_cast<TfrmHeadings*>(modal);
    QVERIFY(headings);
    QCOMPARE(headings->Preview[3]->text(), QStringLiteral("Level3: Calibri"));
    headings->FontDialog[3]->cbItalic->setChecked(true);
    QTest::mouseClick(headings->FontDialog[3]->OKBtn, Qt::LeftButton);  // as if its OK was pressed
    QTest::mouseClick(headings->OKBtn, Qt::LeftButton);
  });
  w.btnHeadingStylesClick();
  QVERIFY(w.HeadingFont[3].Italic);
  QCOMPARE(w.HeadingFont[3].Size, before.Size);
}

void TestMainWindow::menusAndLists() {
  Fixture f;
  TfrmMain w(f.store, f.Services());
  QCOMPARE(w.cbLanguage->itemText(0), QStringLiteral("[Automatic]"));
  QCOMPARE(w.cbLanguage->count(), GlobalLanguages().GetCount() + 1);
  QCOMPARE(w.cbLanguage->itemText(1), QString::fromStdU16String(GlobalLanguages().GetItem(0).Name));
  QCOMPARE(w.cbStartNewPage->itemText(2), QStringLiteral("For each  topic"));
  QCOMPARE(w.cbPaperSize->itemText(6), QStringLiteral("Custom Size..."));
  QCOMPARE(w.seHeight->maximum(), 558);
  QCOMPARE(w.seTop->maximum(), 999);
  QCOMPARE(w.seShowLevel->minimum(), 1);
  QCOMPARE(w.seShowLevel->maximum(), 9);
  QCOMPARE(w.cbPanes->currentIndex(), 0);
  QCOMPARE(w.cbMagnification->currentText(), QStringLiteral("Zoom factor(100%)"));
  QCOMPARE(w.cbPageLayout->currentIndex(), 0);
  QVERIFY(!w.gbPDF->isVisible());
  QCOMPARE(w.actLoadOriginal->text(), QStringLiteral("Load Original Settings"));
  // "Load Original Settings" brings the factory values back over changed ones.
  w.seBottom->setValue(3);
  w.SaveSettings();
  w.actLoadOriginal->trigger();
  QCOMPARE(w.seBottom->value(), 25);
  QVERIFY(w.width() >= 648 && w.height() >= 488);
}

QTEST_MAIN(TestMainWindow)
#include "tst_main_window.moc"
