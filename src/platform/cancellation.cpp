#include "platform/cancellation.h"

#include "platform/errors.h"

namespace tomeshift {

namespace {

// One job runs at a time; the threads it starts see its flag as well.
std::atomic<const std::atomic<bool>*> g_flag{nullptr};

}  // namespace

ScopedCancelFlag::ScopedCancelFlag(const std::atomic<bool>& flag) : previous_(g_flag.exchange(&flag)) {}

ScopedCancelFlag::~ScopedCancelFlag() { g_flag.store(previous_); }

bool CancelRequested() {
  const std::atomic<bool>* flag = g_flag.load(std::memory_order_acquire);
  return flag != nullptr && flag->load(std::memory_order_relaxed);
}

void CheckCancel() {
  if (CancelRequested()) throw EUserCancel();
}

}  // namespace tomeshift
