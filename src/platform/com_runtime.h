// Stand-in for the component runtime the converter talks to the word processor through: the
// thread's automation apartment, its message filter, and creation of automation objects from a
// program identifier out of a class table (the registry's class keys).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/errors.h"

namespace tomeshift::com {

using HRESULT = std::int32_t;
using DWORD = std::uint32_t;
constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT RPC_E_CHANGED_MODE = static_cast<HRESULT>(0x80010106u);
constexpr HRESULT CO_E_NOTINITIALIZED = static_cast<HRESULT>(0x800401F0u);

// Reject types that RetryRejectedCall receives.
constexpr DWORD SERVERCALL_REJECTED = 1;
constexpr DWORD SERVERCALL_RETRYLATER = 2;

// The message-filter interface: how a thread answers calls that arrive, calls that the callee
// rejected, and messages that arrive while it waits.
class IMessageFilter {
 public:
  virtual ~IMessageFilter() = default;
  virtual DWORD HandleInComingCall(DWORD dwCallType, void* htaskCaller, DWORD dwTickCount, void* lpInterfaceInfo) = 0;
  // Below 100: retry at once; 100 or more: wait that many milliseconds, then retry; -1 (as DWORD): give up.
  virtual DWORD RetryRejectedCall(void* htaskCallee, DWORD dwTickCount, DWORD dwRejectType) = 0;
  virtual DWORD MessagePending(void* htaskCallee, DWORD dwTickCount, DWORD dwPendingType) = 0;
};

// A failure of the runtime or of a call, with the system's code.
class EOleSysError : public TomeshiftError {
 public:
  EOleSysError(const std::string& message, HRESULT code) : TomeshiftError(message), code_(code) {}
  HRESULT code() const { return code_; }

 private:
  HRESULT code_;
};

// What a busy server raises instead of running a call.
class ECallRejected : public TomeshiftError {
 public:
  explicit ECallRejected(DWORD reject_type)
      : TomeshiftError("Call was rejected by callee."), reject_type_(reject_type) {}
  DWORD reject_type() const { return reject_type_; }

 private:
  DWORD reject_type_;
};

// Per thread, counted like the system's: S_OK for the first call, S_FALSE for the nested ones.
HRESULT CoInitialize();
void CoUninitialize();
bool IsInitialized();

// Installs filter for the calling thread (nullptr installs none) and hands back the one that was
// installed before. CO_E_NOTINITIALIZED outside an apartment.
HRESULT CoRegisterMessageFilter(std::shared_ptr<IMessageFilter> filter, std::shared_ptr<IMessageFilter>* previous);
// The calling thread's filter, or nullptr.
std::shared_ptr<IMessageFilter> CurrentMessageFilter();

// Runs call; when the server rejects it, asks the thread's filter whether to try again. Without a
// filter, or when the filter gives up, the call fails with "Call was rejected by callee.".
void CallWithRetry(const std::function<void()>& call);

// The class table. A factory makes one automation object; it may raise ECallRejected while the
// server is still starting.
using ClassFactory = std::function<std::shared_ptr<void>()>;
void RegisterClass(const std::u16string& prog_id, ClassFactory factory);
void UnregisterClass(const std::u16string& prog_id);
bool ClassExists(const std::u16string& prog_id);

// Creates the object of a program identifier (through CallWithRetry). A missing class raises
// EOleSysError "Invalid class string, ProgID: "<prog_id>"". Needs an initialised apartment.
std::shared_ptr<void> CreateOleObject(const std::u16string& prog_id);

}  // namespace tomeshift::com
