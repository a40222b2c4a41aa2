#include "platform/com_runtime.h"

#include <chrono>
#include <map>
#include <mutex>
#include <thread>
#include <utility>

#include "text/text_utils.h"
#include "text/unicode.h"

namespace tomeshift::com {

namespace {

constexpr HRESULT RPC_E_CALL_REJECTED = static_cast<HRESULT>(0x80010001u);
constexpr HRESULT CO_E_CLASSSTRING = static_cast<HRESULT>(0x800401F3u);
constexpr DWORD kGiveUp = 0xFFFFFFFFu;

thread_local int t_init_count = 0;
thread_local std::shared_ptr<IMessageFilter> t_filter;

std::mutex g_classes_mutex;

// Program identifiers are compared without regard to case, as registry keys are.
std::u16string Key(const std::u16string& prog_id) { return AsciiLower(prog_id); }

std::map<std::u16string, ClassFactory>& Classes() {
  static std::map<std::u16string, ClassFactory> classes;
  return classes;
}

}  // namespace

HRESULT CoInitialize() { return t_init_count++ == 0 ? S_OK : S_FALSE; }

void CoUninitialize() {
  if (t_init_count == 0) return;
  // Leaving the apartment drops what the thread had installed in it.
  if (--t_init_count == 0) t_filter.reset();
}

bool IsInitialized() { return t_init_count > 0; }

HRESULT CoRegisterMessageFilter(std::shared_ptr<IMessageFilter> filter, std::shared_ptr<IMessageFilter>* previous) {
  if (!IsInitialized()) return CO_E_NOTINITIALIZED;
  std::shared_ptr<IMessageFilter> old = std::exchange(t_filter, std::move(filter));
  if (previous) *previous = std::move(old);
  return S_OK;
}

std::shared_ptr<IMessageFilter> CurrentMessageFilter() { return t_filter; }

void CallWithRetry(const std::function<void()>& call) {
  const auto began = std::chrono::steady_clock::now();
  for (;;) {
    try {
      call();
      return;
    } catch (const ECallRejected& rejected) {
      std::shared_ptr<IMessageFilter> filter = t_filter;
      if (!filter) throw EOleSysError(rejected.what(), RPC_E_CALL_REJECTED);
      const auto ticks = static_cast<DWORD>(
          std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - began).count());
      const DWORD answer = filter->RetryRejectedCall(nullptr, ticks, rejected.reject_type());
      if (answer == kGiveUp) throw EOleSysError(rejected.what(), RPC_E_CALL_REJECTED);
      if (answer >= 100) std::this_thread::sleep_for(std::chrono::milliseconds(answer));
    }
  }
}

void RegisterClass(const std::u16string& prog_id, ClassFactory factory) {
  std::lock_guard lock(g_classes_mutex);
  Classes()[Key(prog_id)] = std::move(factory);
}

void UnregisterClass(const std::u16string& prog_id) {
  std::lock_guard lock(g_classes_mutex);
  Classes().erase(Key(prog_id));
}

bool ClassExists(const std::u16string& prog_id) {
  std::lock_guard lock(g_classes_mutex);
  return Classes().count(Key(prog_id)) != 0;
}

std::shared_ptr<void> CreateOleObject(const std::u16string& prog_id) {
  if (!IsInitialized())
    throw EOleSysError("CoInitialize has not been called, ProgID: \"" + U8(prog_id) + "\"", CO_E_NOTINITIALIZED);
  ClassFactory factory;
  {
    std::lock_guard lock(g_classes_mutex);
    auto it = Classes().find(Key(prog_id));
    if (it != Classes().end()) factory = it->second;
  }
  if (!factory) throw EOleSysError("Invalid class string, ProgID: \"" + U8(prog_id) + "\"", CO_E_CLASSSTRING);
  std::shared_ptr<void> object;
  try {
    CallWithRetry([&] { object = factory(); });
  } catch (const EOleSysError& e) {
    throw EOleSysError(std::string(e.what()) + ", ProgID: \"" + U8(prog_id) + "\"", e.code());
  } catch (const TomeshiftError& e) {
    throw EOleSysError(std::string(e.what()) + ", ProgID: \"" + U8(prog_id) + "\"", static_cast<HRESULT>(0x80004005u));
  }
  if (!object)
    throw EOleSysError("Unspecified error, ProgID: \"" + U8(prog_id) + "\"", static_cast<HRESULT>(0x80004005u));
  return object;
}

}  // namespace tomeshift::com
