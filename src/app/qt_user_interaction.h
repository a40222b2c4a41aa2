// The core's user-interaction interface on the desktop: questions from the worker thread are handed
// to the window thread and wait there for the user's answer.
#pragma once

#include <QObject>
#include <QStringList>
#include <mutex>

#include "platform/user_interaction.h"

namespace tomeshift::app {

class QtUserInteraction final : public QObject, public IUserInteraction {
  Q_OBJECT

 public:
  // Lives on (and hands over to) the thread that creates it: the window thread.
  QtUserInteraction();

  MessageAnswer MessageBox(std::u16string_view text, MessageIcon icon, MessageButtons buttons) override;
  std::optional<std::u16string> SaveFileDialog(const SaveFileRequest& request) override;
  void Warning(std::u16string_view page, std::u16string_view text) override;

  // The warnings so far, "page: text" (printed on stderr as they come).
  QStringList Warnings() const;

 private:
  template <typename Fn>
  void OnWindowThread(Fn&& fn);

  mutable std::mutex warnings_mutex_;
  QStringList warnings_;
};

}  // namespace tomeshift::app
