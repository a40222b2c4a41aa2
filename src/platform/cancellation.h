// A stop the user asked for (Cancel in the progress window, Ctrl-C, SIGTERM or SIGHUP at the command
// line), seen by every loop that can run for more than a moment: extraction per file, the comparison
// passes and the distiller per page, the importer per element and table, the writers while saving.
// The job that runs installs its stop flag; CheckCancel then throws EUserCancel once it is set.
#pragma once

#include <atomic>

namespace tomeshift {

// Installs flag as the stop request of the running job for the lifetime of the guard; the previous
// one comes back afterwards.
class ScopedCancelFlag {
 public:
  explicit ScopedCancelFlag(const std::atomic<bool>& flag);
  ~ScopedCancelFlag();
  ScopedCancelFlag(const ScopedCancelFlag&) = delete;
  ScopedCancelFlag& operator=(const ScopedCancelFlag&) = delete;

 private:
  const std::atomic<bool>* previous_;
};

// True once the running job was asked to stop.
bool CancelRequested();

// Throws EUserCancel when the running job was asked to stop.
void CheckCancel();

}  // namespace tomeshift
