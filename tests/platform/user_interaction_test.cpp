#include "platform/user_interaction.h"

#include <gtest/gtest.h>

#include "support/recording_interaction.h"

namespace tomeshift {
namespace {

TEST(UserInteraction, DefaultAnswersWithoutChangingAnything) {
  struct Case {
    MessageButtons buttons;
    MessageAnswer answer;
  };
  const Case cases[] = {
      {MessageButtons::kOk, MessageAnswer::kOk},
      {MessageButtons::kOkCancel, MessageAnswer::kCancel},
      {MessageButtons::kYesNo, MessageAnswer::kNo},
      {MessageButtons::kYesNoCancel, MessageAnswer::kCancel},
      {MessageButtons::kAbortRetry, MessageAnswer::kAbort},
      {MessageButtons::kRetryCancel, MessageAnswer::kCancel},
  };
  StderrUserInteraction quiet;
  for (const auto& c : cases) EXPECT_EQ(quiet.MessageBox(u"test message", MessageIcon::kError, c.buttons), c.answer);
  EXPECT_FALSE(quiet.SaveFileDialog(SaveFileRequest(u"a.htm")).has_value());
  EXPECT_FALSE(quiet.AskRetry(u"file in use"));  // the worker gives up rather than waiting for ever
}

TEST(UserInteraction, ScopedGuardInstallsAndRestores) {
  IUserInteraction* before = &UserInteraction();
  testing::RecordingInteraction recorder;
  {
    ScopedUserInteraction guard(recorder);
    recorder.QueueAnswer(MessageAnswer::kRetry);
    EXPECT_TRUE(UserInteraction().AskRetry(u"\"out.doc\" access denied!"));
    EXPECT_FALSE(UserInteraction().AskRetry(u"again"));  // queue empty: cautious answer
    UserInteraction().ShowInformation(u"done");
    UserInteraction().Warning(u"a.htm", u"odd charset");
    recorder.QueueSaveName(u"b.htm");
    EXPECT_EQ(UserInteraction().SaveFileDialog(SaveFileRequest(u"a.htm")), u"b.htm");
  }
  EXPECT_EQ(&UserInteraction(), before);
  const auto messages = recorder.messages();
  ASSERT_EQ(messages.size(), 3u);
  EXPECT_EQ(messages[0].buttons, MessageButtons::kAbortRetry);
  EXPECT_EQ(messages[0].icon, MessageIcon::kError);
  EXPECT_EQ(messages[2].icon, MessageIcon::kInformation);
  ASSERT_EQ(recorder.warnings().size(), 1u);
  EXPECT_EQ(recorder.warnings()[0].page, u"a.htm");
  ASSERT_EQ(recorder.save_requests().size(), 1u);
  EXPECT_EQ(recorder.save_requests()[0].file_name, u"a.htm");
}

}  // namespace
}  // namespace tomeshift
