#include "converter/word_connection.h"

#include <mutex>

#include "platform/user_interaction.h"
#include "word/automation/word_application.h"
#include "word/automation/word_document.h"
#include "word/import/html_import_web_page.h"

namespace tomeshift {

namespace {

constexpr com::DWORD kHandled = 0;       // SERVERCALL_ISHANDLED
constexpr com::DWORD kRetryAtOnce = 99;  // below 100: retry immediately
constexpr com::DWORD kCancelCall = 0xFFFFFFFFu;
constexpr com::DWORD kWaitDefProcess = 2;  // PENDINGMSG_WAITDEFPROCESS

std::once_flag g_engine_once;

void EnsureEngine() { std::call_once(g_engine_once, RegisterBuiltInWordEngine); }

constexpr bool kOpt = false;
constexpr bool kAuto = true;

// Index of ContextualSpeller in the list; only modern Word has it.
constexpr std::size_t kContextualSpeller = 2;
// Options 0..3 are the proofing switches turned off first; the AutoCorrect ones follow at 39..46.
constexpr std::size_t kProofingCount = 4;
constexpr std::size_t kFirstAutoCorrect = 39;

const std::array<TWordOption, kWordOptionCount> kOptions = {{
    {kOpt, "CheckGrammarAsYouType"},
    {kOpt, "CheckGrammarWithSpelling"},
    {kOpt, "ContextualSpeller"},
    {kOpt, "CheckSpellingAsYouType"},
    {kOpt, "AutoFormatAsYouTypeApplyHeadings"},
    {kOpt, "AutoFormatAsYouTypeApplyBorders"},
    {kOpt, "AutoFormatAsYouTypeApplyBulletedLists"},
    {kOpt, "AutoFormatAsYouTypeApplyNumberedLists"},
    {kOpt, "AutoFormatAsYouTypeApplyTables"},
    {kOpt, "AutoFormatAsYouTypeReplaceQuotes"},
    {kOpt, "AutoFormatAsYouTypeReplaceSymbols"},
    {kOpt, "AutoFormatAsYouTypeReplaceOrdinals"},
    {kOpt, "AutoFormatAsYouTypeReplaceFractions"},
    {kOpt, "AutoFormatAsYouTypeReplacePlainTextEmphasis"},
    {kOpt, "AutoFormatAsYouTypeReplaceHyperlinks"},
    {kOpt, "AutoFormatAsYouTypeFormatListItemBeginning"},
    {kOpt, "AutoFormatAsYouTypeDefineStyles"},
    {kOpt, "TabIndentKey"},
    {kOpt, "AutoFormatAsYouTypeApplyFirstIndents"},
    {kOpt, "AutoFormatAsYouTypeApplyDates"},
    {kOpt, "AutoFormatAsYouTypeMatchParentheses"},
    {kOpt, "AutoFormatAsYouTypeInsertOvers"},
    {kOpt, "AutoFormatAsYouTypeDeleteAutoSpaces"},
    {kOpt, "AutoFormatApplyHeadings"},
    {kOpt, "AutoFormatApplyLists"},
    {kOpt, "AutoFormatApplyBulletedLists"},
    {kOpt, "AutoFormatApplyOtherParas"},
    {kOpt, "AutoFormatReplaceQuotes"},
    {kOpt, "AutoFormatReplaceSymbols"},
    {kOpt, "AutoFormatReplaceOrdinals"},
    {kOpt, "AutoFormatReplaceFractions"},
    {kOpt, "AutoFormatReplacePlainTextEmphasis"},
    {kOpt, "AutoFormatReplaceHyperlinks"},
    {kOpt, "AutoFormatPreserveStyles"},
    {kOpt, "AutoFormatPlainTextWordMail"},
    {kOpt, "AutoFormatApplyFirstIndents"},
    {kOpt, "AutoFormatMatchParentheses"},
    {kOpt, "AutoFormatDeleteAutoSpaces"},
    {kOpt, "AutoFormatReplaceFarEastDashes"},
    {kAuto, "CorrectInitialCaps"},
    {kAuto, "CorrectSentenceCaps"},
    {kAuto, "CorrectDays"},
    {kAuto, "CorrectCapsLock"},
    {kAuto, "ReplaceText"},
    {kAuto, "ReplaceTextFromSpellingChecker"},
    {kAuto, "CorrectKeyboardSetting"},
    {kAuto, "CorrectTableCells"},
}};

bool Skipped(std::size_t i, bool modern) { return i == kContextualSpeller && !modern; }

// Each switch is reached afresh from the application object, as late-bound callers do.
bool Read(word::Application& app, const TWordOption& o) {
  return o.autocorrect ? app.GetAutoCorrect().Get(o.name) : app.GetOptions().Get(o.name);
}

void Write(word::Application& app, const TWordOption& o, bool value) {
  if (o.autocorrect)
    app.GetAutoCorrect().Set(o.name, value);
  else
    app.GetOptions().Set(o.name, value);
}

}  // namespace

void RegisterBuiltInWordEngine() {
  com::RegisterClass(kWordProgID, [] {
    auto app = std::make_shared<word::Application>();
    // A test may have installed its own importer through the default factory. Import warnings (a missing
    // picture, say) reach the user with the page they concern; the conversion goes on.
    if (!app->web_page_importer()) {
      app->SetWebPageImporter(std::make_unique<word::HtmlWebPageImporter>(
          [](const word::HtmlImportWarning& w) { UserInteraction().Warning(w.page, w.message); }));
    }
    return std::static_pointer_cast<void>(app);
  });
}

bool IsWordInstalled() {
  EnsureEngine();
  return com::ClassExists(kWordProgID);
}

com::DWORD IOleMessageFilter::HandleInComingCall(com::DWORD, void*, com::DWORD, void*) { return kHandled; }

com::DWORD IOleMessageFilter::RetryRejectedCall(void*, com::DWORD, com::DWORD dwRejectType) {
  return dwRejectType == com::SERVERCALL_RETRYLATER ? kRetryAtOnce : kCancelCall;
}

com::DWORD IOleMessageFilter::MessagePending(void*, com::DWORD, com::DWORD) { return kWaitDefProcess; }

void IOleMessageFilter::RegisterFilter() {
  std::shared_ptr<com::IMessageFilter> previous;
  com::CoRegisterMessageFilter(std::make_shared<IOleMessageFilter>(), &previous);
  // previous goes out of scope here: released, not kept.
}

void IOleMessageFilter::RevokeFilter() {
  std::shared_ptr<com::IMessageFilter> previous;
  com::CoRegisterMessageFilter(nullptr, &previous);
}

int WordMajorVersion(std::u16string_view version) {
  std::size_t i = 0;
  while (i < version.size() && !(version[i] >= u'0' && version[i] <= u'9')) ++i;
  int major = 0;
  for (; i < version.size() && version[i] >= u'0' && version[i] <= u'9'; ++i) {
    if (major > 100000000) break;  // a silly version text must not overflow
    major = major * 10 + (version[i] - u'0');
  }
  return major;
}

std::shared_ptr<word::Application> CreateWordApplication() {
  EnsureEngine();
  return std::static_pointer_cast<word::Application>(com::CreateOleObject(kWordProgID));
}

const std::array<TWordOption, kWordOptionCount>& WordOptionList() { return kOptions; }

TSavedWordOptions SaveWordOptions(word::Application& app, bool modern) {
  TSavedWordOptions saved;
  try {
    for (std::size_t i = 0; i < kWordOptionCount; ++i)
      if (!Skipped(i, modern)) saved.values[i] = Read(app, kOptions[i]);
  } catch (...) {
    // One guarded block: what was not read stays false.
  }
  return saved;
}

void DisableWordOptions(word::Application& app, bool modern) {
  try {
    for (std::size_t i = 0; i < kProofingCount; ++i)
      if (!Skipped(i, modern)) Write(app, kOptions[i], false);
    for (std::size_t i = kFirstAutoCorrect; i < kWordOptionCount; ++i) Write(app, kOptions[i], false);
    for (std::size_t i = kProofingCount; i < kFirstAutoCorrect; ++i) Write(app, kOptions[i], false);
  } catch (...) {
  }
}

void RestoreWordOptions(word::Application& app, bool modern, const TSavedWordOptions& saved) {
  try {
    for (std::size_t i = 0; i < kWordOptionCount; ++i)
      if (!Skipped(i, modern)) Write(app, kOptions[i], saved.values[i]);
  } catch (...) {
  }
}

void BeginWordAutomation() {
  com::CoInitialize();
  IOleMessageFilter::RegisterFilter();
}

void EndWordAutomation() {
  IOleMessageFilter::RevokeFilter();
  com::CoUninitialize();
}

}  // namespace tomeshift
