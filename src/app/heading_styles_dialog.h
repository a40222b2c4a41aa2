// The heading styles dialog: the nine heading levels, each previewed in its font; a click on a level
// opens its font dialog.
#pragma once

#include <QDialog>
#include <array>

#include "app/font_dialog.h"

class QLabel;
class QPushButton;
class QScrollArea;

namespace tomeshift::app {

class TfrmHeadings final : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmHeadings(QWidget* owner);

  // Refreshes the nine previews from the nine font dialogs.
  void Update();
  // What a click on level n (1..9) does.
  void LevelClick(int n);

  QPushButton* OKBtn = nullptr;
  QPushButton* CancelBtn = nullptr;
  QScrollArea* ScrollBox1 = nullptr;
  std::array<TfrmFontDialog*, 10> FontDialog{};  // 1..9
  std::array<QPushButton*, 10> Button{};         // 1..9
  std::array<QLabel*, 10> Preview{};             // 1..9

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace tomeshift::app
