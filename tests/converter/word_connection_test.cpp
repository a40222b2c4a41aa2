#include "converter/word_connection.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <thread>

#include "text/unicode.h"
#include "word/automation/word_application.h"

namespace tomeshift {
namespace {

TEST(WordMajorVersion, FirstRunOfDigits) {
  const struct {
    std::u16string text;
    int major;
  } cases[] = {{u"12.0", 12}, {u"11.0", 11},         {u"14.0.7015", 14}, {u"no digits", 0},
               {u"", 0},      {u"Version 16.0", 16}, {u"9", 9},          {u"99999999999999", 100000000 * 10 + 9}};
  for (const auto& c : cases) {
    SCOPED_TRACE(U8(c.text));
    if (c.text.size() > 10) {
      EXPECT_GT(WordMajorVersion(c.text), 0);  // no overflow into a negative number
    } else {
      EXPECT_EQ(WordMajorVersion(c.text), c.major);
    }
  }
  EXPECT_TRUE(IsModernWord(12));
  EXPECT_FALSE(IsModernWord(11));
}

TEST(IOleMessageFilter, AnswersAsDocumented) {
  IOleMessageFilter f;
  EXPECT_EQ(f.HandleInComingCall(0, nullptr, 0, nullptr), 0u);
  EXPECT_EQ(f.HandleInComingCall(3, nullptr, 12345, nullptr), 0u);
  EXPECT_EQ(f.MessagePending(nullptr, 0, 1), 2u);
  const struct {
    com::DWORD reject_type;
    com::DWORD answer;
  } cases[] = {{2, 99}, {1, 0xFFFFFFFFu}, {0, 0xFFFFFFFFu}, {3, 0xFFFFFFFFu}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.reject_type);
    EXPECT_EQ(f.RetryRejectedCall(nullptr, 500, c.reject_type), c.answer);
  }
}

TEST(IOleMessageFilter, RegisteredPerThreadAndReleasedWhenReplacedOrRevoked) {
  EXPECT_EQ(com::CurrentMessageFilter(), nullptr);
  BeginWordAutomation();
  std::weak_ptr<com::IMessageFilter> first = com::CurrentMessageFilter();
  ASSERT_FALSE(first.expired());
  EXPECT_NE(dynamic_cast<IOleMessageFilter*>(first.lock().get()), nullptr);

  bool other_thread_has_one = true;
  std::thread([&] { other_thread_has_one = com::CurrentMessageFilter() != nullptr; }).join();
  EXPECT_FALSE(other_thread_has_one);

  IOleMessageFilter::RegisterFilter();
  EXPECT_TRUE(first.expired()) << "the filter that was replaced must be released";
  std::weak_ptr<com::IMessageFilter> second = com::CurrentMessageFilter();
  EndWordAutomation();
  EXPECT_TRUE(second.expired());
  EXPECT_FALSE(com::IsInitialized());
}

TEST(IOleMessageFilter, NotRegisteredOutsideAnApartment) {
  std::shared_ptr<com::IMessageFilter> previous;
  EXPECT_EQ(com::CoRegisterMessageFilter(std::make_shared<IOleMessageFilter>(), &previous), com::CO_E_NOTINITIALIZED);
  EXPECT_EQ(com::CurrentMessageFilter(), nullptr);
}

// A call that a busy server rejects a few times before it runs it.
TEST(CallWithRetry, FilterRetriesBusyCallsAndGivesUpOnRejectedOnes) {
  const struct {
    com::DWORD reject_type;
    bool with_filter;
    bool succeeds;
    int attempts;
  } cases[] = {{com::SERVERCALL_RETRYLATER, true, true, 4},
               {com::SERVERCALL_REJECTED, true, false, 1},
               {com::SERVERCALL_RETRYLATER, false, false, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.reject_type << " filter " << c.with_filter);
    if (c.with_filter) BeginWordAutomation();
    int attempts = 0;
    auto call = [&] {
      if (++attempts < 4) throw com::ECallRejected(c.reject_type);
    };
    if (c.succeeds) {
      EXPECT_NO_THROW(com::CallWithRetry(call));
    } else {
      EXPECT_THROW(com::CallWithRetry(call), com::EOleSysError);
    }
    EXPECT_EQ(attempts, c.attempts);
    if (c.with_filter) EndWordAutomation();
  }
}

TEST(WordConnection, CreatesTheEngineAndNamesTheProgIdWhenItCannot) {
  EXPECT_TRUE(IsWordInstalled());
  BeginWordAutomation();
  auto app = CreateWordApplication();
  ASSERT_NE(app, nullptr);
  EXPECT_GE(WordMajorVersion(app->Version()), 12);

  com::UnregisterClass(kWordProgID);
  EXPECT_FALSE(IsWordInstalled());
  try {
    CreateWordApplication();
    ADD_FAILURE() << "created without a class";
  } catch (const com::EOleSysError& e) {
    EXPECT_EQ(std::string(e.what()), "Invalid class string, ProgID: \"Word.Application\"");
  }
  RegisterBuiltInWordEngine();
  EXPECT_TRUE(IsWordInstalled());
  EndWordAutomation();
}

TEST(WordConnection, CreationOutsideAnApartmentFails) { EXPECT_THROW(CreateWordApplication(), com::EOleSysError); }

TEST(WordOptions, ListHasTheFortySevenSwitchesTheEngineKnows) {
  const auto& list = WordOptionList();
  std::set<std::string_view> names;
  word::Application app;
  for (const auto& o : list) {
    names.insert(o.name);
    EXPECT_NO_THROW(o.autocorrect ? app.GetAutoCorrect().Get(o.name) : app.GetOptions().Get(o.name)) << o.name;
  }
  EXPECT_EQ(names.size(), 47u);
  EXPECT_EQ(list.front().name, "CheckGrammarAsYouType");
  EXPECT_EQ(list[38].name, "AutoFormatReplaceFarEastDashes");
  EXPECT_EQ(list[39].name, "CorrectInitialCaps");
}

void SetPattern(word::Application& app, bool start) {
  bool v = start;
  for (const auto& o : WordOptionList()) {
    if (o.autocorrect)
      app.GetAutoCorrect().Set(o.name, v);
    else
      app.GetOptions().Set(o.name, v);
    v = !v;
  }
}

bool Value(word::Application& app, const TWordOption& o) {
  return o.autocorrect ? app.GetAutoCorrect().Get(o.name) : app.GetOptions().Get(o.name);
}

TEST(WordOptions, SwitchedOffForTheRunAndPutBackAfterwards) {
  for (bool modern : {true, false}) {
    for (bool start : {true, false}) {
      SCOPED_TRACE(::testing::Message() << "modern " << modern << " start " << start);
      word::Application app;
      SetPattern(app, start);
      const TSavedWordOptions saved = SaveWordOptions(app, modern);
      DisableWordOptions(app, modern);
      for (const auto& o : WordOptionList()) {
        if (o.name == "ContextualSpeller" && !modern) {
          EXPECT_EQ(Value(app, o), start) << "old Word has no contextual speller to touch";
        } else {
          EXPECT_FALSE(Value(app, o)) << o.name;
        }
      }
      // A refresh's new application starts from the defaults; the user's values come back anyway.
      RestoreWordOptions(app, modern, saved);
      bool v = start;
      for (const auto& o : WordOptionList()) {
        EXPECT_EQ(Value(app, o), v) << o.name;
        v = !v;
      }
    }
  }
}

}  // namespace
}  // namespace tomeshift
