// The about window: product, version, rights notice, web page and support address.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace tomeshift::app {

// Product name, a blank and the version of this build.
QString ProductAndVersion();

class TfrmAbout final : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmAbout(QWidget* owner);

  QLabel* lbSoftName = nullptr;
  QLabel* lbNotice = nullptr;
  QLabel* lbWebsite = nullptr;
  QLabel* lbEmail = nullptr;
  QPushButton* btnOK = nullptr;

  // Targets of the two shell actions.
  QString HomePageTarget() const { return home_page_; }
  QString EmailTarget() const { return email_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void actHomePage();
  void actEmail();

  QString home_page_;
  QString email_;
};

}  // namespace tomeshift::app
