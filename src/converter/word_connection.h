// The conversation with the word processor around the document work: whether it is installed, the
// thread's message filter, starting it, its version, and its proofing and auto-format options,
// which a run switches off and puts back afterwards.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <string_view>

#include "platform/com_runtime.h"

namespace tomeshift {

namespace word {
class Application;
}

inline constexpr char16_t kWordProgID[] = u"Word.Application";
// What the program says when IsWordInstalled is false.
inline constexpr char16_t kWordNotInstalledMessage[] = u"Microsoft Word has not been installed. Unable to continue.";

// True when the class "Word.Application" is registered. The built-in engine registers itself, so
// it is true unless something took the class away.
bool IsWordInstalled();
// Puts the built-in engine into the class table under "Word.Application" (done once by itself
// before the first look-up; tests that take the class away call it to put it back).
void RegisterBuiltInWordEngine();

// Keeps automation calls alive while the word processor is busy. Holds no state.
class IOleMessageFilter final : public com::IMessageFilter {
 public:
  com::DWORD HandleInComingCall(com::DWORD dwCallType, void* htaskCaller, com::DWORD dwTickCount,
                                void* lpInterfaceInfo) override;
  com::DWORD RetryRejectedCall(void* htaskCallee, com::DWORD dwTickCount, com::DWORD dwRejectType) override;
  com::DWORD MessagePending(void* htaskCallee, com::DWORD dwTickCount, com::DWORD dwPendingType) override;

  // Installs a new filter for the calling thread; the one installed before is released.
  static void RegisterFilter();
  // Installs none and releases the one installed.
  static void RevokeFilter();
};

// The first run of decimal digits in a version text ("14.0.7015" gives 14); 0 without digits.
int WordMajorVersion(std::u16string_view version);
// Major version 12 or later: saves scratch copies as .docx and has the contextual speller.
inline bool IsModernWord(int major_version) { return major_version >= 12; }

// Creates the application object of "Word.Application". Raises the runtime's error (its text,
// then ", ProgID: "Word.Application"") when it cannot be created.
std::shared_ptr<word::Application> CreateWordApplication();

// The 47 switches, Options first (in the documented order), then AutoCorrect.
inline constexpr std::size_t kWordOptionCount = 47;
struct TWordOption {
  bool autocorrect;  // on Application.AutoCorrect, else on Application.Options
  std::string_view name;
};
const std::array<TWordOption, kWordOptionCount>& WordOptionList();

// The values a run found before it switched the options off.
struct TSavedWordOptions {
  std::array<bool, kWordOptionCount> values{};
};

// Reads every option in order; an error stops the reading silently (the rest stay false).
// ContextualSpeller is touched only with modern Word.
TSavedWordOptions SaveWordOptions(word::Application& app, bool modern);
// Sets them false: the first four Options, the AutoCorrect ones, then the remaining Options.
void DisableWordOptions(word::Application& app, bool modern);
// Writes the saved values back in the order they were read.
void RestoreWordOptions(word::Application& app, bool modern, const TSavedWordOptions& saved);

// Start and end of the thread's automation use: the apartment and the message filter.
void BeginWordAutomation();
void EndWordAutomation();

}  // namespace tomeshift
