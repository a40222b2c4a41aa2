#include "app/main_window.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "app/about_window.h"
#include "app/heading_styles_dialog.h"
#include "app/message_box.h"
#include "app/program_icon.h"
#include "app/progress_window.h"
#include "app/shell.h"
#include "app/strings.h"
#include "converter/chm_decompile.h"
#include "converter/chm_to_doc.h"
#include "job/output_word.h"
#include "lang/language_tables.h"
#include "platform/code_pages.h"
#include "platform/shell_execute.h"
#include "platform/temp_files.h"
#include "text/unicode.h"

namespace tomeshift::app {
namespace {

namespace fs = std::filesystem;

QString Q(std::u16string_view s) { return QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size())); }
std::u16string U(const QString& s) { return s.toStdU16String(); }

// Trimmed of blanks and control characters at both ends, as the idle rule wants it.
bool HasText(const QString& s) {
  for (QChar c : s) {
    if (c.unicode() > 32) return true;
  }
  return false;
}

bool IsExistingFile(const QString& path) {
  const QFileInfo info(path);
  return !path.isEmpty() && info.exists() && info.isFile();
}

// Disabled edits take the button-face colour, enabled ones the window colour.
void SetEnabledWithColour(QWidget* w, bool enabled) {
  w->setEnabled(enabled);
  QPalette pal = w->palette();
  pal.setColor(QPalette::Disabled, QPalette::Base, pal.color(QPalette::Active, QPalette::Button));
  w->setPalette(pal);
}

QSpinBox* SpinEdit(int low, int high, QWidget* parent) {
  auto* se = new QSpinBox(parent);
  se->setRange(low, high);
  return se;
}

template <size_t N>
QComboBox* DropDown(const char* const (&items)[N], QWidget* parent) {
  auto* cb = new QComboBox(parent);
  for (const char* item : items) cb->addItem(QString::fromUtf8(item));
  return cb;
}

TFont WindowDefaultFont() {
  TFont f;
  f.Name = u"Tahoma";
  f.Size = 8;
  f.Color = 0xFF000008;  // window text
  return f;
}

}  // namespace

HelpFileHeader ReadHelpFileHeader(const std::u16string& path) {
  TCHMDecompile chm;
  chm.LoadFromCHM(path);
  return HelpFileHeader{chm.rTitle, chm.CodePage};
}

TfrmMain::TfrmMain(ISettingsStore& store, MainWindowServices services, QWidget* parent)
    : QMainWindow(parent), Settings_(store), store_(store), services_(std::move(services)) {
  // Window creation, in order: drops, caption, language list, paper rule, fonts, stored settings.
  setAcceptDrops(true);
  setWindowTitle(ProductAndVersion());
  setWindowIcon(ProgramIcon());
  QFont font(QStringLiteral("Tahoma"));
  font.setPointSize(8);
  setFont(font);
  BuildControls();
  BuildMenus();

  cbLanguage->clear();
  cbLanguage->addItem(text::kAutomatic);
  const TLanguages& languages = GlobalLanguages();
  for (int i = 0; i < languages.GetCount(); ++i) cbLanguage->addItem(Q(languages.GetItem(i).Name));
  cbLanguage->setCurrentIndex(0);

  cbPaperSize->setCurrentIndex(4);
  cbPaperSizeChange();
  for (int n = 1; n <= 9; ++n) HeadingFont[n] = WindowDefaultFont();
  cbTOCClick();
  cbTitleNumberClick();
  rbDiscardClick();

  LoadSettings();

  idle_ = new QTimer(this);
  connect(idle_, &QTimer::timeout, this, &TfrmMain::Action1Update);
  idle_->start(250);
  Action1Update();

  const QSize hint = sizeHint();
  setFixedSize(std::max(648, hint.width()), std::max(488, hint.height()));
}

TfrmMain::~TfrmMain() = default;

void TfrmMain::BuildControls() {
  auto* central = new QWidget(this);
  setCentralWidget(central);

  // Paths, title and language.
  edtSourceFile = new QLineEdit(central);
  edtPDF = new QLineEdit(central);
  edtTitle = new QLineEdit(central);
  cbLanguage = new QComboBox(central);
  btnBrowseSource = new QPushButton(text::kBrowse, central);
  btnBrowsePDF = new QPushButton(text::kBrowse, central);
  btnViewSource = new QPushButton(text::kView, central);
  btnFolderSource = new QPushButton(text::kFolder, central);
  btnViewPDF = new QPushButton(text::kView, central);
  btnFolderPDF = new QPushButton(text::kFolder, central);
  for (QPushButton* b : {btnBrowseSource, btnBrowsePDF}) b->setFixedWidth(28);
  auto* files = new QGridLayout;
  files->addWidget(new QLabel(text::kSourceFileLabel, central), 0, 0);
  files->addWidget(edtSourceFile, 0, 1);
  files->addWidget(btnBrowseSource, 0, 2);
  files->addWidget(btnViewSource, 0, 3);
  files->addWidget(btnFolderSource, 0, 4);
  lbSourceProblem = new QLabel(central);
  lbSourceProblem->setTextFormat(Qt::PlainText);
  QPalette problem = lbSourceProblem->palette();
  problem.setColor(QPalette::WindowText, Qt::darkRed);
  lbSourceProblem->setPalette(problem);
  lbSourceProblem->hide();
  files->addWidget(lbSourceProblem, 1, 1, 1, 4);
  files->addWidget(new QLabel(text::kWordFileLabel, central), 2, 0);
  files->addWidget(edtPDF, 2, 1);
  files->addWidget(btnBrowsePDF, 2, 2);
  files->addWidget(btnViewPDF, 2, 3);
  files->addWidget(btnFolderPDF, 2, 4);
  files->addWidget(new QLabel(text::kTitleLabel, central), 3, 0);
  files->addWidget(edtTitle, 3, 1, 1, 4);
  files->addWidget(new QLabel(text::kLanguageLabel, central), 4, 0);
  files->addWidget(cbLanguage, 4, 1, 1, 4);

  // Page setup.
  auto* page = new QGroupBox(text::kGroupPageSetup, central);
  cbPaperSize = DropDown(text::kPaperSizes, page);
  seHeight = SpinEdit(0, kMaxPaperMm, page);
  seWidth = SpinEdit(0, kMaxPaperMm, page);
  seTop = SpinEdit(0, 999, page);
  seBottom = SpinEdit(0, 999, page);
  seLeft = SpinEdit(0, 999, page);
  seRight = SpinEdit(0, 999, page);
  auto* page_layout = new QGridLayout(page);
  page_layout->addWidget(new QLabel(text::kPaperSizeLabel, page), 0, 0);
  page_layout->addWidget(cbPaperSize, 0, 1, 1, 3);
  page_layout->addWidget(new QLabel(text::kWidthLabel, page), 1, 0);
  page_layout->addWidget(seWidth, 1, 1);
  page_layout->addWidget(new QLabel(text::kHeightLabel, page), 1, 2);
  page_layout->addWidget(seHeight, 1, 3);
  page_layout->addWidget(new QLabel(text::kMarginsLabel, page), 2, 0, 1, 4);
  page_layout->addWidget(new QLabel(text::kTopLabel, page), 3, 0);
  page_layout->addWidget(seTop, 3, 1);
  page_layout->addWidget(new QLabel(text::kBottomLabel, page), 3, 2);
  page_layout->addWidget(seBottom, 3, 3);
  page_layout->addWidget(new QLabel(text::kLeftLabel, page), 4, 0);
  page_layout->addWidget(seLeft, 4, 1);
  page_layout->addWidget(new QLabel(text::kRightLabel, page), 4, 2);
  page_layout->addWidget(seRight, 4, 3);

  // Elements.
  auto* elements = new QGroupBox(text::kGroupElements, central);
  cbCover = new QCheckBox(text::kCover, elements);
  cbHeader = new QCheckBox(text::kHeader, elements);
  cbFooter = new QCheckBox(text::kFooter, elements);
  cbTOC = new QCheckBox(text::kToc, elements);
  seShowLevel = SpinEdit(1, 9, elements);
  lbShowLevel = new QLabel(text::kShowLevelLabel, elements);
  edtTableOfContents = new QLineEdit(elements);
  lbTOCCaption = new QLabel(text::kCaptionLabel, elements);
  auto* elements_layout = new QGridLayout(elements);
  elements_layout->addWidget(cbCover, 0, 0);
  elements_layout->addWidget(cbHeader, 0, 1);
  elements_layout->addWidget(cbFooter, 0, 2);
  elements_layout->addWidget(cbTOC, 1, 0, 1, 3);
  elements_layout->addWidget(lbShowLevel, 2, 0);
  elements_layout->addWidget(seShowLevel, 2, 1);
  elements_layout->addWidget(lbTOCCaption, 3, 0);
  elements_layout->addWidget(edtTableOfContents, 3, 1, 1, 2);

  // Enhancement.
  auto* enhancement = new QGroupBox(text::kGroupEnhancement, central);
  cbTitleNumber = new QCheckBox(text::kTitleNumber, enhancement);
  cbHint = new QCheckBox(text::kHint, enhancement);
  edtHintFormat = new QLineEdit(enhancement);
  lbHintFormat = new QLabel(text::kHintFormatLabel, enhancement);
  cbStartNewPage = DropDown(text::kStartNewPageItems, enhancement);
  cbExactPages = new QCheckBox(text::kExactPages, enhancement);
  cbExactPages->setToolTip(text::kExactPagesTip);
  auto* enhancement_layout = new QGridLayout(enhancement);
  enhancement_layout->addWidget(cbTitleNumber, 0, 0, 1, 2);
  enhancement_layout->addWidget(cbHint, 1, 0, 1, 2);
  enhancement_layout->addWidget(lbHintFormat, 2, 0);
  enhancement_layout->addWidget(edtHintFormat, 2, 1);
  enhancement_layout->addWidget(new QLabel(text::kStartNewPageLabel, enhancement), 3, 0);
  enhancement_layout->addWidget(cbStartNewPage, 3, 1);
  enhancement_layout->addWidget(cbExactPages, 4, 0, 1, 2);

  // Topics out of TOC.
  auto* outside = new QGroupBox(text::kGroupTopicsOutOfToc, central);
  rbDiscard = new QRadioButton(text::kDiscard, outside);
  rbIntergrate = new QRadioButton(text::kIntegrate, outside);
  auto* group = new QButtonGroup(outside);
  group->addButton(rbDiscard);
  group->addButton(rbIntergrate);
  edtAddenda = new QLineEdit(outside);
  lbAddenda = new QLabel(text::kCaptionLabel, outside);
  auto* outside_layout = new QGridLayout(outside);
  outside_layout->addWidget(rbDiscard, 0, 0);
  outside_layout->addWidget(rbIntergrate, 0, 1);
  outside_layout->addWidget(lbAddenda, 1, 0);
  outside_layout->addWidget(edtAddenda, 1, 1);

  // The viewer settings of a PDF, kept for the stored settings; never shown.
  gbPDF = new QGroupBox(text::kGroupPdf, central);
  cbPanes = DropDown(text::kPanesItems, gbPDF);
  cbMagnification = DropDown(text::kMagnificationItems, gbPDF);
  cbPageLayout = DropDown(text::kPageLayoutItems, gbPDF);
  auto* pdf_layout = new QGridLayout(gbPDF);
  pdf_layout->addWidget(new QLabel(text::kPanesLabel, gbPDF), 0, 0);
  pdf_layout->addWidget(cbPanes, 0, 1);
  pdf_layout->addWidget(new QLabel(text::kMagnificationLabel, gbPDF), 1, 0);
  pdf_layout->addWidget(cbMagnification, 1, 1);
  pdf_layout->addWidget(new QLabel(text::kPageLayoutLabel, gbPDF), 2, 0);
  pdf_layout->addWidget(cbPageLayout, 2, 1);
  cbPanes->setCurrentIndex(0);
  cbMagnification->setCurrentIndex(4);
  cbPageLayout->setCurrentIndex(0);
  gbPDF->setVisible(false);

  btnHeadingStyles = new QPushButton(text::kHeadingStyles, central);
  btnConvert = new QPushButton(text::kConvert, central);
  btnConvert->setDefault(true);
  btnConvert->setMinimumWidth(100);

  auto* left = new QVBoxLayout;
  left->addWidget(page);
  left->addWidget(outside);
  left->addStretch();
  auto* right = new QVBoxLayout;
  right->addWidget(elements);
  right->addWidget(enhancement);
  right->addStretch();
  auto* columns = new QHBoxLayout;
  columns->addLayout(left, 1);
  columns->addLayout(right, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(btnHeadingStyles);
  buttons->addStretch();
  buttons->addWidget(btnConvert);
  auto* layout = new QVBoxLayout(central);
  layout->addLayout(files);
  layout->addLayout(columns);
  layout->addStretch();
  layout->addLayout(buttons);

  connect(edtSourceFile, &QLineEdit::textChanged, this, &TfrmMain::edtSourceFileChange);
  connect(cbLanguage, &QComboBox::activated, this, &TfrmMain::cbLanguageChange);
  connect(cbPaperSize, &QComboBox::currentIndexChanged, this, [this] {
    if (!loading_) cbPaperSizeChange();
  });
  connect(cbTOC, &QCheckBox::toggled, this, &TfrmMain::cbTOCClick);
  connect(cbTitleNumber, &QCheckBox::toggled, this, &TfrmMain::cbTitleNumberClick);
  connect(rbDiscard, &QRadioButton::toggled, this, &TfrmMain::rbDiscardClick);
  connect(rbIntergrate, &QRadioButton::toggled, this, &TfrmMain::rbDiscardClick);
  for (QLineEdit* e : {edtSourceFile, edtPDF}) {
    connect(e, &QLineEdit::textChanged, this, &TfrmMain::Action1Update);
    // A long path shows only its end in the box; the whole of it on hovering.
    connect(e, &QLineEdit::textChanged, e, &QLineEdit::setToolTip);
  }
  connect(cbHint, &QCheckBox::toggled, this, &TfrmMain::Action1Update);
  connect(cbHint, &QCheckBox::toggled, this, [this](bool on) {
    if (cbHint->isEnabled()) hint_wanted_ = on;
  });
  connect(btnBrowseSource, &QPushButton::clicked, this, &TfrmMain::BrowseSource);
  connect(btnBrowsePDF, &QPushButton::clicked, this, &TfrmMain::BrowsePDF);
  connect(btnViewSource, &QPushButton::clicked, this, [this] { OpenWithShell(this, edtSourceFile->text()); });
  connect(btnViewPDF, &QPushButton::clicked, this, [this] { OpenWithShell(this, edtPDF->text()); });
  connect(btnFolderSource, &QPushButton::clicked, this, [this] { ShowInFileManager(this, edtSourceFile->text()); });
  connect(btnFolderPDF, &QPushButton::clicked, this, [this] { ShowInFileManager(this, edtPDF->text()); });
  connect(btnConvert, &QPushButton::clicked, this, &TfrmMain::btnConvertClick);
  connect(btnHeadingStyles, &QPushButton::clicked, this, &TfrmMain::btnHeadingStylesClick);
}

void TfrmMain::BuildMenus() {
  QMenu* project = menuBar()->addMenu(text::kMenuProject);
  actSaveSettings = project->addAction(text::kMenuSaveSettings, this, &TfrmMain::SaveSettings);
  actLoadOriginal = project->addAction(text::kMenuLoadOriginal, this, [this] {
    WriteDefaultSettings();
    LoadSettings();
  });
  project->addSeparator();
  actConvert = project->addAction(text::kMenuConvert, this, &TfrmMain::btnConvertClick);
  project->addSeparator();
  actExit = project->addAction(text::kMenuExit, this, &QWidget::close);
  QMenu* about = menuBar()->addMenu(text::kMenuAbout);
  actHelp = about->addAction(text::kMenuHelp, this, [this] { OpenProgramHelp(this); });
  about->addSeparator();
  actAbout = about->addAction(text::kMenuAboutItem, this, &TfrmMain::ShowAbout);
}

// ---- stored settings ----

void TfrmMain::ReportStoreFailure(const std::exception& e) {
  ShowBox(this, BoxKind::Error, BoxButtons::Ok, QString(text::kSettingsFailed).arg(QString::fromUtf8(e.what())));
}

void TfrmMain::LoadSettings() {
  try {
    TStoredValues base = CurrentSettings();
    TStoredValues loaded = Settings_.LoadSettings(base);
    const std::vector<std::string> fixed = FixRanges(loaded);
    ApplySettings(loaded);
    if (!fixed.empty()) {
      const auto* file_store = dynamic_cast<RegistryFileStore*>(&store_);
      QStringList lines;
      for (const std::string& line : fixed) lines << QString::fromStdString(line);
      ShowBox(this, BoxKind::Warning, BoxButtons::Ok,
              QString(text::kSettingsOutOfRange)
                  .arg(file_store ? QString::fromStdString(file_store->file_path()) : QString(), lines.join('\n')));
    }
  } catch (const std::exception& e) {
    ReportStoreFailure(e);
  }
  if (auto* file_store = dynamic_cast<RegistryFileStore*>(&store_); file_store && !file_store->moved_aside().empty()) {
    const QString aside = QString::fromStdString(file_store->moved_aside());
    ShowBox(this, BoxKind::Warning, BoxButtons::Ok, QString(text::kSettingsMovedAside).arg(aside));
  }
}

void TfrmMain::WriteDefaultSettings() {
  try {
    Settings_.WriteDefaultSettings();
  } catch (const std::exception& e) {
    ReportStoreFailure(e);
  }
}

void TfrmMain::SaveSettings() {
  try {
    Settings_.SaveSettings(CurrentSettings());
  } catch (const std::exception& e) {
    ReportStoreFailure(e);
  }
}

void TfrmMain::ApplySettings(const TStoredValues& s) {
  // Setting the source runs its change (the help file is read again), and the stored output path
  // then replaces the proposed one.
  edtSourceFile->setText(Q(s.SourceFile));
  edtPDF->setText(Q(s.WordFile));
  loading_ = true;  // loading keeps a stored custom size as it is
  cbPaperSize->setCurrentIndex(s.PaperSize >= 0 && s.PaperSize <= kCustomPaperIndex ? s.PaperSize : -1);
  loading_ = false;
  SetPaperRange(s.PaperSize == kCustomPaperIndex);
  seHeight->setValue(s.Height);
  seWidth->setValue(s.Width);
  seTop->setValue(s.Top);
  seBottom->setValue(s.Bottom);
  seLeft->setValue(s.Left);
  seRight->setValue(s.Right);
  cbCover->setChecked(s.Cover);
  cbHeader->setChecked(s.Header);
  cbFooter->setChecked(s.Footer);
  cbTOC->setChecked(s.Toc);
  seShowLevel->setValue(s.ShowLevel);
  cbStartNewPage->setCurrentIndex(s.StartNewPage >= 0 && s.StartNewPage < cbStartNewPage->count() ? s.StartNewPage
                                                                                                  : -1);
  cbTitleNumber->setChecked(s.TitleNumber);
  cbExactPages->setChecked(s.ExactPages);
  edtTableOfContents->setText(Q(s.TOCCaption));
  hint_wanted_ = s.AddHint;
  cbTitleNumberClick();
  edtHintFormat->setText(Q(s.HintFormat));
  if (s.Discard) {
    rbDiscard->setChecked(true);
  } else {
    rbIntergrate->setChecked(true);
  }
  rbDiscardClick();
  edtAddenda->setText(Q(s.Addenda));
  for (int n = 1; n <= 9; ++n) HeadingFont[n] = s.HeadingFont[n];
  Action1Update();
}

TStoredValues TfrmMain::CurrentSettings() const {
  TStoredValues s;
  s.SourceFile = U(edtSourceFile->text());
  s.WordFile = U(edtPDF->text());
  s.PaperSize = cbPaperSize->currentIndex();
  s.Height = seHeight->value();
  s.Width = seWidth->value();
  s.Top = seTop->value();
  s.Bottom = seBottom->value();
  s.Left = seLeft->value();
  s.Right = seRight->value();
  s.Cover = cbCover->isChecked();
  s.Header = cbHeader->isChecked();
  s.Footer = cbFooter->isChecked();
  s.Toc = cbTOC->isChecked();
  s.ShowLevel = seShowLevel->value();
  s.TOCCaption = U(edtTableOfContents->text());
  s.TitleNumber = cbTitleNumber->isChecked();
  s.ExactPages = cbExactPages->isChecked();
  s.AddHint = cbHint->isChecked();
  s.HintFormat = U(edtHintFormat->text());
  s.StartNewPage = cbStartNewPage->currentIndex();
  s.Discard = rbDiscard->isChecked();
  s.Addenda = U(edtAddenda->text());
  s.Panes = cbPanes->currentIndex();
  s.Magnification = cbMagnification->currentIndex();
  s.PageLayout = cbPageLayout->currentIndex();
  s.HeadingFont = HeadingFont;
  return s;
}

TDocPDFSettings TfrmMain::ConversionSettingsFromWindow() const { return ToConversionSettings(CurrentSettings()); }

// ---- the help file ----

std::u16string TfrmMain::ProposedOutput(const QString& source) const {
  const QFileInfo info(source);
  const QString derived = info.dir().filePath(info.completeBaseName() + QStringLiteral(".doc"));
  const std::u16string path = U(derived);
  // Asked, not tried: nothing is created beside the user's help file.
  if (OutputWriteProblem(path, false).empty() && !IsHeldByAnotherProgram(path)) return path;
  const QString documents = Q(GetSpecialFolderPath(CSIDL_PERSONAL));
  return U(documents + QLatin1Char('/') + QFileInfo(derived).fileName());
}

void TfrmMain::edtSourceFileChange() {
  LoadedChm_.reset();
  const QString source = edtSourceFile->text();
  if (!IsExistingFile(source)) {
    // Said where it is typed: a box on every keystroke would be worse than silence.
    lbSourceProblem->setText(QString(text::kFileNotFound).arg(source));
    lbSourceProblem->setVisible(HasText(source));
    edtTitle->clear();
    edtPDF->clear();
    return;
  }
  lbSourceProblem->hide();
  std::u16string scratch;
  bool copied = false;
  try {
    scratch = NewTempFileName();
    fs::copy_file(fs::path(source.toStdString()), fs::path(Utf16ToUtf8(scratch)), fs::copy_options::overwrite_existing);
    copied = true;
    HelpFileHeader header;
    if (services_.read_help_file) header = services_.read_help_file(scratch);
    LoadedChm chm;
    chm.rTitle = header.rTitle;
    chm.rCodePage = header.rCodePage;
    chm.CodePage = header.rCodePage;
    chm.Title = CodePageToText(chm.rTitle, chm.rCodePage);
    LoadedChm_ = chm;
    edtTitle->setText(Q(chm.Title));
  } catch (const std::exception& e) {
    edtTitle->clear();
    // The reason may name the scratch copy; the user knows the file by its own name.
    QString reason = QString::fromUtf8(e.what());
    if (!scratch.empty()) reason.replace(Q(scratch), source);
    ShowBox(this, BoxKind::Error, BoxButtons::Ok, QString(text::kHelpFileUnreadable).arg(source, reason));
  }
  edtPDF->setText(Q(ProposedOutput(source)));
  {
    const QSignalBlocker quiet(cbLanguage);
    cbLanguage->setCurrentIndex(0);
  }
  // NewTempFileName made the file even when the copy failed; it is ours to remove either way.
  if (!scratch.empty()) {
    std::error_code ec;
    fs::remove(fs::path(Utf16ToUtf8(scratch)), ec);
  }
  (void)copied;
}

void TfrmMain::cbLanguageChange() {
  if (!LoadedChm_) {
    const QSignalBlocker quiet(cbLanguage);
    cbLanguage->setCurrentIndex(0);
    ShowBox(this, BoxKind::Warning, BoxButtons::Ok, text::kNoHelpFileLoaded);
    return;
  }
  const int index = cbLanguage->currentIndex();
  if (index <= 0) {
    LoadedChm_->CodePage = LoadedChm_->rCodePage;
  } else {
    LoadedChm_->CodePage = GlobalLanguages().GetItem(index - 1).CodePage;
  }
  LoadedChm_->Title = CodePageToText(LoadedChm_->rTitle, LoadedChm_->CodePage);
  edtTitle->setText(Q(LoadedChm_->Title));
}

// ---- rules ----

void TfrmMain::SetPaperRange(bool custom) {
  // A custom page has sides a document can have; the others show 0.
  for (QSpinBox* se : {seWidth, seHeight}) se->setRange(custom ? kMinPaperMm : 0, kMaxPaperMm);
}

void TfrmMain::cbPaperSizeChange() {
  const bool custom = cbPaperSize->currentIndex() == kCustomPaperIndex;
  SetPaperRange(custom);
  seWidth->setValue(custom ? 220 : 0);
  seHeight->setValue(custom ? 280 : 0);
  SetEnabledWithColour(seWidth, custom);
  SetEnabledWithColour(seHeight, custom);
}

void TfrmMain::cbTOCClick() {
  const bool on = cbTOC->isChecked();
  SetEnabledWithColour(seShowLevel, on);
  lbShowLevel->setEnabled(on);
  SetEnabledWithColour(edtTableOfContents, on);
  lbTOCCaption->setEnabled(on);
}

void TfrmMain::cbTitleNumberClick() {
  // Hints name the target's chapter number: without numbers there are none, and the box says so.
  const bool numbers = cbTitleNumber->isChecked();
  cbHint->setEnabled(numbers);
  const QSignalBlocker quiet(cbHint);
  cbHint->setChecked(numbers && hint_wanted_);
  Action1Update();
}

void TfrmMain::rbDiscardClick() {
  const bool on = !rbDiscard->isChecked();
  SetEnabledWithColour(edtAddenda, on);
  lbAddenda->setEnabled(on);
}

void TfrmMain::Action1Update() {
  const bool hint = cbHint->isChecked() && cbHint->isEnabled();
  SetEnabledWithColour(edtHintFormat, hint);
  lbHintFormat->setEnabled(hint);
  const bool can_convert = HasText(edtSourceFile->text()) && HasText(edtPDF->text());
  btnConvert->setEnabled(can_convert);
  actConvert->setEnabled(can_convert);
  const bool source_exists = IsExistingFile(edtSourceFile->text());
  const bool output_exists = IsExistingFile(edtPDF->text());
  btnViewSource->setEnabled(source_exists);
  btnFolderSource->setEnabled(source_exists);
  btnViewPDF->setEnabled(output_exists);
  btnFolderPDF->setEnabled(output_exists);
}

// ---- commands ----

void TfrmMain::BrowseSource() {
  const QString current = edtSourceFile->text();
  const QString chosen = QFileDialog::getOpenFileName(this, text::kOpenTitle, current, text::kOpenFilter);
  if (!chosen.isEmpty()) edtSourceFile->setText(chosen);
}

void TfrmMain::BrowsePDF() {
  QFileDialog dialog(this, text::kSaveTitle, edtPDF->text(), text::kSaveFilter);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix(QStringLiteral("doc"));
  // A name typed without extension gets the one of the kind of document chosen.
  connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& filter) {
    dialog.setDefaultSuffix(filter.contains(QStringLiteral("*.pdf")) ? QStringLiteral("pdf") : QStringLiteral("doc"));
  });
  if (edtPDF->text().endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive)) {
    dialog.selectNameFilter(QString(text::kSaveFilter).section(QStringLiteral(";;"), 1, 1));
    dialog.setDefaultSuffix(QStringLiteral("pdf"));
  }
  if (!edtPDF->text().isEmpty()) dialog.selectFile(edtPDF->text());
  if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
    edtPDF->setText(dialog.selectedFiles().first());
  }
}

void TfrmMain::ShowAbout() {
  TfrmAbout about(this);
  about.exec();
}

void TfrmMain::btnHeadingStylesClick() {
  TfrmHeadings headings(this);
  for (int n = 1; n <= 9; ++n) {
    headings.FontDialog[n]->SetFont(HeadingFont[n]);
    headings.FontDialog[n]->Apply();
  }
  headings.Update();
  if (headings.exec() == QDialog::Accepted) {
    for (int n = 1; n <= 9; ++n) HeadingFont[n] = headings.FontDialog[n]->Font();
  }
}

void TfrmMain::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void TfrmMain::dropEvent(QDropEvent* event) {
  QStringList paths;
  for (const QUrl& url : event->mimeData()->urls()) {
    if (url.isLocalFile()) paths << url.toLocalFile();
  }
  event->acceptProposedAction();
  // A modal box inside the drop would hold the file manager's drag; answer after it.
  QTimer::singleShot(0, this, [this, paths] { DropFiles(paths); });
}

void TfrmMain::DropFiles(const QStringList& paths) {
  for (const QString& path : paths) {
    if (QFileInfo(path).suffix().compare(QStringLiteral("chm"), Qt::CaseInsensitive) == 0) {
      edtSourceFile->setText(path);
      return;
    }
  }
  ShowBox(this, BoxKind::Warning, BoxButtons::Ok, text::kOnlyChm);
}

bool TfrmMain::CheckBeforeConverting() {
  if (const std::string page = PageSetupProblem(ConversionSettingsFromWindow()); !page.empty()) {
    ShowBox(this, BoxKind::Warning, BoxButtons::Ok, QString::fromStdString(page));
    return false;
  }
  for (;;) {
    const std::u16string target = OutputTargetPath(U(edtPDF->text()));
    std::u16string problem = OutputFormatProblem(target);
    if (problem.empty()) problem = OutputWriteProblem(target, true, U(edtSourceFile->text()));
    if (problem.empty()) return true;
    const auto answer =
        ShowBox(this, BoxKind::Warning, BoxButtons::YesNo, QString(text::kChooseAnotherOutput).arg(Q(problem)));
    if (answer != QMessageBox::Yes) return false;
    const QString before = edtPDF->text();
    BrowsePDF();
    if (edtPDF->text() == before) return false;  // the dialog was cancelled
  }
}

void TfrmMain::OpenFromCommandLine(const QString& path) {
  if (QFileInfo(path).isFile()) {
    DropFiles({path});
    return;
  }
  const QString absolute = QFileInfo(path).absoluteFilePath();
  std::fprintf(stderr, "tomeshift: %s\n", qPrintable(QString(text::kFileNotFound).arg(absolute)));
  edtSourceFile->setText(absolute);
  ShowBox(this, BoxKind::Error, BoxButtons::Ok, QString(text::kFileNotFound).arg(absolute));
}

void TfrmMain::btnConvertClick() {
  Action1Update();
  if (!btnConvert->isEnabled()) return;
  if (services_.word_installed && !services_.word_installed()) {
    ShowBox(this, BoxKind::Error, BoxButtons::Ok, Q(kWordNotInstalledMessage));
    return;
  }
  // Without a help file there is no code page to hand over and nothing to convert.
  if (!LoadedChm_ || !IsExistingFile(edtSourceFile->text())) {
    ShowBox(this, BoxKind::Warning, BoxButtons::Ok, text::kNoHelpFileLoaded);
    return;
  }
  if (!CheckBeforeConverting()) return;
  delete Progress_;
  Progress_ = new TfrmProgress(this);

  std::u16string scratch;
  try {
    scratch = NewTempFileName();
    fs::copy_file(fs::path(edtSourceFile->text().toStdString()), fs::path(Utf16ToUtf8(scratch)),
                  fs::copy_options::overwrite_existing);
  } catch (const std::exception& e) {
    if (!scratch.empty()) {
      std::error_code ec;
      fs::remove(fs::path(Utf16ToUtf8(scratch)), ec);
    }
    ShowBox(this, BoxKind::Error, BoxButtons::Ok,
            QString(text::kScratchCopyFailed).arg(edtSourceFile->text(), QString::fromUtf8(e.what())));
    return;
  }

  try {
    auto worker = std::make_unique<TOutputWord>(*Progress_);
    if (services_.create_converter) {
      worker->Converter = services_.create_converter();
      TOutputWord* w = worker.get();
      w->Converter->SetOnChange([w](const std::u16string& i, int p) { w->ChmToDocPDF_OnChange(i, p); });
      w->Converter->SetOnDenied([w](const std::u16string& f) { w->ChmToDocPDF_OnDenied(f); });
      w->Converter->SetOnMsg([w](const std::u16string& m) { w->ChmToDocPDF_OnMsg(m); });
      w->Converter->SetOnError([w](const std::u16string& e) { w->ChmToDocPDF_OnError(e); });
    }
    worker->chm = scratch;
    worker->SourceFile = U(edtSourceFile->text());
    worker->Converter->OnlyWord = true;
    worker->Converter->pdf = U(edtPDF->text());
    worker->Converter->Title = U(edtTitle->text());
    worker->Converter->CodePage = LoadedChm_->CodePage;
    // "[Automatic]" lets the worker read the help file's code page itself (and say so when its
    // text had to show it).
    worker->KeepCodePage = cbLanguage->currentIndex() > 0;
    worker->Converter->Settings = ConversionSettingsFromWindow();
    Progress_->SetOutputWord(std::move(worker));
    Progress_->exec();
  } catch (const std::exception& e) {
    ShowBox(this, BoxKind::Error, BoxButtons::Ok, QString::fromUtf8(e.what()));
  }

  // The settings are recorded whatever the outcome.
  try {
    Settings_.SaveAfterConversion(CurrentSettings());
  } catch (const std::exception& e) {
    ReportStoreFailure(e);
  }
  std::error_code ec;
  fs::remove(fs::path(Utf16ToUtf8(scratch)), ec);
  Action1Update();
}

}  // namespace tomeshift::app
