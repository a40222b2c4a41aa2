// The main window: the help file, the output document and every conversion setting; keeps the
// settings between runs and starts a conversion behind the progress window.
#pragma once

#include <QMainWindow>
#include <array>
#include <memory>
#include <optional>

#include "app/conversion_request.h"
#include "app/shell.h"
#include "converter/conversion_settings.h"
#include "converter/word_connection.h"
#include "job/stored_settings.h"

class QAction;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTimer;

namespace tomeshift {
class TfrmProgress;
}

namespace tomeshift::app {

// The help file that is currently chosen, read from its scratch copy.
struct LoadedChm {
  std::string rTitle;
  std::uint32_t rCodePage = 0;
  std::uint32_t CodePage = 0;
  std::u16string Title;
};

struct MainWindowServices {
  HelpFileReader read_help_file = ReadHelpFileHeader;
  ConverterFactory create_converter;
  WordCheck word_installed = IsWordInstalled;
};

class TfrmMain final : public QMainWindow {
  Q_OBJECT

 public:
  TfrmMain(ISettingsStore& store, MainWindowServices services, QWidget* parent = nullptr);
  ~TfrmMain() override;

  void LoadSettings();
  void WriteDefaultSettings();
  void SaveSettings();
  // What the controls hold, in stored form.
  TStoredValues CurrentSettings() const;
  // The settings record a conversion would get now.
  TDocPDFSettings ConversionSettingsFromWindow() const;

  void btnConvertClick();
  void btnHeadingStylesClick();
  // Files dropped from the shell, in drop order (native paths).
  void DropFiles(const QStringList& paths);
  // The file named on the program's command line: taken as a dropped file; one that is not there is
  // shown in the help file's box and said to be missing, rather than the last one silently kept.
  void OpenFromCommandLine(const QString& path);
  // Evaluated when the program is idle: enables what may be used now.
  void Action1Update();

  const std::optional<LoadedChm>& Loaded() const { return LoadedChm_; }
  TfrmProgress* Progress() const { return Progress_; }
  std::array<TFont, 10> HeadingFont{};  // 1..9

  // Controls, named as the settings they hold.
  QLineEdit* edtSourceFile = nullptr;
  QLabel* lbSourceProblem = nullptr;  // "File not found: PATH" under the help file, when it is not there
  QLineEdit* edtPDF = nullptr;
  QLineEdit* edtTitle = nullptr;
  QComboBox* cbLanguage = nullptr;
  QComboBox* cbPaperSize = nullptr;
  QSpinBox* seHeight = nullptr;
  QSpinBox* seWidth = nullptr;
  QSpinBox* seTop = nullptr;
  QSpinBox* seBottom = nullptr;
  QSpinBox* seLeft = nullptr;
  QSpinBox* seRight = nullptr;
  QCheckBox* cbCover = nullptr;
  QCheckBox* cbHeader = nullptr;
  QCheckBox* cbFooter = nullptr;
  QCheckBox* cbTOC = nullptr;
  QSpinBox* seShowLevel = nullptr;
  QLabel* lbShowLevel = nullptr;
  QLineEdit* edtTableOfContents = nullptr;
  QLabel* lbTOCCaption = nullptr;
  QCheckBox* cbTitleNumber = nullptr;
  QCheckBox* cbExactPages = nullptr;
  QCheckBox* cbHint = nullptr;
  QLineEdit* edtHintFormat = nullptr;
  QLabel* lbHintFormat = nullptr;
  QComboBox* cbStartNewPage = nullptr;
  QRadioButton* rbDiscard = nullptr;
  QRadioButton* rbIntergrate = nullptr;
  QLineEdit* edtAddenda = nullptr;
  QLabel* lbAddenda = nullptr;
  QGroupBox* gbPDF = nullptr;
  QComboBox* cbPanes = nullptr;
  QComboBox* cbMagnification = nullptr;
  QComboBox* cbPageLayout = nullptr;
  QPushButton* btnConvert = nullptr;
  QPushButton* btnHeadingStyles = nullptr;
  QPushButton* btnBrowseSource = nullptr;
  QPushButton* btnBrowsePDF = nullptr;
  QPushButton* btnViewSource = nullptr;
  QPushButton* btnFolderSource = nullptr;
  QPushButton* btnViewPDF = nullptr;
  QPushButton* btnFolderPDF = nullptr;
  QAction* actSaveSettings = nullptr;
  QAction* actLoadOriginal = nullptr;
  QAction* actConvert = nullptr;
  QAction* actExit = nullptr;
  QAction* actHelp = nullptr;
  QAction* actAbout = nullptr;

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void BuildControls();
  void BuildMenus();
  void ApplySettings(const TStoredValues& s);
  void edtSourceFileChange();
  void cbLanguageChange();
  void cbPaperSizeChange();
  void cbTOCClick();
  void cbTitleNumberClick();
  void rbDiscardClick();
  void BrowseSource();
  void BrowsePDF();
  void ShowAbout();
  void ReportStoreFailure(const std::exception& e);
  std::u16string ProposedOutput(const QString& source) const;
  // Settles the page and the output document before a run; false when the user gave up.
  bool CheckBeforeConverting();
  void SetPaperRange(bool custom);

  // The finished document and "View" open through the desktop while the window lives.
  DesktopShellExecute shell_execute_;
  TStoredSettings Settings_;
  ISettingsStore& store_;
  MainWindowServices services_;
  std::optional<LoadedChm> LoadedChm_;
  TfrmProgress* Progress_ = nullptr;
  QTimer* idle_ = nullptr;
  bool loading_ = false;
  bool hint_wanted_ = true;  // the hint choice to come back when title numbers are ticked again
};

}  // namespace tomeshift::app
