#include "job/output_word.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/user_interaction.h"
#include "support/recording_interaction.h"
#include "support/scratch_dir.h"
#include "text/font_spec.h"
#include "text/unicode.h"

namespace tomeshift {
namespace {

namespace fs = std::filesystem;

const fs::path kFixtures = fs::path(TOMESHIFT_FIXTURES_DIR) / "converter";

TEST(TDocPDFSettings, InitialValues) {
  const TDocPDFSettings s;
  EXPECT_EQ(s.PaperSize, 4);
  EXPECT_EQ(s.Height, 0);
  EXPECT_EQ(s.Width, 0);
  EXPECT_EQ((std::vector<int>{s.Top, s.Bottom, s.Left, s.Right}), (std::vector<int>{25, 25, 30, 30}));
  EXPECT_TRUE(s.Cover && s.Header && s.Footer && s.Toc && s.TitleNumber);
  EXPECT_FALSE(s.XE || s.AddHint || s.Discard);
  EXPECT_EQ(s.ShowLevel, 3);
  EXPECT_EQ(s.TOCCaption, u"Table of Contents");
  EXPECT_EQ(s.HintFormat, u"See [Title No.]");
  EXPECT_EQ(s.Addenda, u"Addenda");
  EXPECT_EQ(s.StartNewPage, 0);
  for (int n = 1; n <= 9; ++n) {
    SCOPED_TRACE(n);
    const TFont& f = s.HeadingFont[static_cast<std::size_t>(n)];
    EXPECT_EQ(f.Name, u"Calibri");
    EXPECT_EQ(f.Size, 29 - 2 * n);
    EXPECT_EQ(f.Color, 0u);
    EXPECT_FALSE(f.Bold || f.Italic || f.Underline);
  }
}

TEST(TChmToDocPDF, UpdateSettingsCopiesExactlyTheFourDistillerSettings) {
  TChmToDocPDF c;
  c.Settings.AddHint = true;
  c.Settings.HintFormat = u"(see [Title No.])";
  c.Settings.Discard = true;
  c.Settings.Addenda = u"Appendix";
  c.Settings.ShowLevel = 7;
  c.UpdateSettings();
  EXPECT_TRUE(c.AddHint);
  EXPECT_EQ(c.HintFormat, u"(see [Title No.])");
  EXPECT_TRUE(c.Discard);
  EXPECT_EQ(c.Addenda, u"Appendix");
  c.Settings.Addenda = u"Later";
  EXPECT_EQ(c.Addenda, u"Appendix");
  // Hints name chapter numbers: none without them.
  c.Settings.TitleNumber = false;
  c.UpdateSettings();
  EXPECT_FALSE(c.AddHint);
}

// A user-interface side that records what it was shown and on which thread, and can be told to
// serve hand-overs itself (as a window's event loop would) or to leave them to WaitFor/StopIt.
class FakeWindow : public IJobInteraction {
 public:
  std::function<void(TOutputWord&)> on_progress;
  bool post_to_loop = false;
  std::mutex mutex;
  std::vector<std::pair<int, std::u16string>> shown;
  std::vector<std::u16string> errors;
  std::vector<std::thread::id> threads;
  int pending_posts = 0;

  void HandOverPending(TOutputWord&) override {
    std::lock_guard lock(mutex);
    ++pending_posts;
  }
  void ShowProgress(TOutputWord& w) override {
    {
      std::lock_guard lock(mutex);
      shown.emplace_back(w.position, w.info);
      threads.push_back(std::this_thread::get_id());
      if (!w.ErrorMsg.empty()) errors.push_back(w.ErrorMsg);
    }
    w.ErrorMsg.clear();
    w.Msg.clear();
    if (on_progress) on_progress(w);
  }
  void AskDenied(TOutputWord& w) override { w.Converter->Abort = true; }
  void ShowEnd(TOutputWord& w) override {
    std::lock_guard lock(mutex);
    ends.emplace_back(w.End(), w.EndMessage());
    end_warnings = w.Warnings();
  }
  std::vector<std::pair<TJobEnd, std::u16string>> ends;
  std::vector<std::u16string> end_warnings;
};

struct Job {
  testing::RecordingInteraction user;
  ScopedUserInteraction scope{user};
  FakeWindow window;
  TOutputWord worker{window};
  explicit Job(const fs::path& chm) { worker.chm = U16(chm.string()); }
};

TEST(TOutputWord, RunsTheStepsOnItsOwnThreadAndHandsEveryReportOver) {
  Job job(kFixtures / "nested-contents.chm");
  testing::ScratchDir out;
  job.worker.Converter->pdf = U16((out.path() / "nested.txt").string());
  std::u16string root;
  job.window.on_progress = [&](TOutputWord& w) { root = w.Converter->rootFolder; };
  job.worker.Start();
  job.worker.WaitFor();
  EXPECT_TRUE(job.worker.Finished());
  EXPECT_TRUE(job.worker.FailureMessage().empty()) << U8(job.worker.FailureMessage());
  // Saved, under the name actually written, and said so once at the end.
  const std::u16string written = U16((out.path() / "nested.doc").string());
  EXPECT_EQ(job.worker.End(), TJobEnd::kSaved);
  EXPECT_EQ(job.window.ends, (std::vector<std::pair<TJobEnd, std::u16string>>{{TJobEnd::kSaved, written}}));
  EXPECT_TRUE(fs::exists(U8(written)));
  ASSERT_FALSE(job.window.shown.empty());
  EXPECT_EQ(job.window.shown.front(), std::make_pair(1, std::u16string(u"Decompiling...")));
  // Served by this (the "window") thread through WaitFor, never on the worker.
  for (const auto& id : job.window.threads) EXPECT_EQ(id, std::this_thread::get_id());
  // Thirteen contents entries, then the distiller's Addenda heading with the five pages linked from them.
  EXPECT_EQ(job.worker.Converter->List.Count(), 19);
  EXPECT_NE(std::find(job.window.shown.begin(), job.window.shown.end(),
                      std::make_pair(15, std::u16string(u"Distilling pages..."))),
            job.window.shown.end());
  EXPECT_EQ(U8(job.worker.Converter->TCHMDecompile::Title), "Nested Contents Test");
  ASSERT_FALSE(root.empty());
  EXPECT_FALSE(fs::exists(U8(root))) << "scratch folder left behind";
}

TEST(TOutputWord, StopRequestedDuringAReportTakesEffectThere) {
  Job job(kFixtures / "nested-contents.chm");
  job.window.on_progress = [](TOutputWord& w) { w.WantToExit = true; };
  job.worker.Start();
  job.worker.WaitFor();
  EXPECT_TRUE(job.worker.Canceled());
  EXPECT_TRUE(job.worker.FailureMessage().empty());
  EXPECT_EQ(job.window.shown.size(), 1u);  // "Decompiling..." and nothing after it
  EXPECT_EQ(job.worker.Converter->List.Count(), 0);
  EXPECT_FALSE(job.worker.Converter->rootFolder.empty());
  EXPECT_FALSE(fs::exists(U8(job.worker.Converter->rootFolder)));
  EXPECT_TRUE(job.window.errors.empty());
  EXPECT_EQ(job.window.ends, (std::vector<std::pair<TJobEnd, std::u16string>>{{TJobEnd::kCanceled, u"Canceled."}}));
}

TEST(TOutputWord, StopItServesTheHandOverTheWorkerIsWaitingFor) {
  Job job(kFixtures / "nested-contents.chm");
  job.worker.Start();
  // Nobody serves until StopIt: the worker sits in its first hand-over when we stop it.
  for (int i = 0; i < 2000; ++i) {
    std::lock_guard lock(job.window.mutex);
    if (job.window.pending_posts > 0) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  job.worker.StopIt();
  EXPECT_TRUE(job.worker.Finished());
  EXPECT_TRUE(job.worker.Canceled());
  EXPECT_EQ(job.window.shown.size(), 1u);
}

TEST(TOutputWord, HandOversCanBeServedFromAnEventLoop) {
  Job job(kFixtures / "japanese-shift-jis.chm");
  job.worker.Start();
  while (!job.worker.Finished()) {
    job.worker.ServeHandOvers();
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  job.worker.WaitFor();
  EXPECT_EQ(job.worker.Converter->List.Count(), 3);
  EXPECT_FALSE(job.window.shown.empty());
}

TEST(TOutputWord, AFileThatIsNotAHelpFileEndsTheJobWithItsMessageNamingTheUsersFile) {
  // The desktop program converts a scratch copy; the message names the file the user chose.
  testing::ScratchDir scratch;
  const fs::path copy = scratch.path() / "~wi3T3rqZ.tmp";
  fs::copy_file(kFixtures / "not-a-help-file.chm", copy);
  Job job(copy);
  job.worker.SourceFile = u"/home/u/Manual.chm";
  job.worker.Start();
  job.worker.WaitFor();
  const std::u16string expected = u"/home/u/Manual.chm is not a compiled HTML Help file";
  EXPECT_EQ(job.worker.FailureMessage(), expected);
  EXPECT_EQ(job.worker.End(), TJobEnd::kFailed);
  EXPECT_TRUE(job.window.errors.empty());  // no box of its own: the end says it
  ASSERT_EQ(job.window.ends.size(), 1u);
  EXPECT_EQ(job.window.ends[0], std::make_pair(TJobEnd::kFailed, expected));
  EXPECT_FALSE(fs::exists(U8(job.worker.Converter->rootFolder)));
}

TEST(TOutputWord, WarningsOfTheRunAreKeptForItsEndAndStillPassOn) {
  Job job(kFixtures / "truncated-content.chm");
  job.worker.Start();
  job.worker.WaitFor();
  ASSERT_EQ(job.window.ends.size(), 1u);
  ASSERT_FALSE(job.window.end_warnings.empty());
  EXPECT_NE(U8(job.window.end_warnings[0]).find("truncated-content.chm: the help file is truncated"), std::string::npos)
      << U8(job.window.end_warnings[0]);
  EXPECT_EQ(job.user.warnings().size(), job.window.end_warnings.size());

  // Pages are named within the help file, not in the scratch folder that is gone by the end; a flood
  // of warnings is kept to a list that can be read, with a count of the rest.
  class ManyMissingPictures final : public TChmToDocPDF {
    void OutputWord() override {
      const std::u16string base = rootFolder.back() == u'/' ? rootFolder : rootFolder + u'/';
      for (int i = 0; i < 600; ++i)
        UserInteraction().Warning(base + u"pictures.htm", u"Picture not found: a.gif (" + base + u"images/a.gif)");
    }
  };
  Job flood(kFixtures / "nested-contents.chm");
  flood.worker.Converter = std::make_unique<ManyMissingPictures>();
  flood.worker.Start();
  flood.worker.WaitFor();
  EXPECT_EQ(flood.user.warnings().size(), 600u);
  EXPECT_EQ(flood.worker.WarningCount(), 600u);
  ASSERT_EQ(flood.window.end_warnings.size(), 501u);
  EXPECT_EQ(flood.window.end_warnings.front(), u"pictures.htm: Picture not found: a.gif (images/a.gif)");
  EXPECT_EQ(flood.window.end_warnings.back(), u"and 100 more warnings");
}

TEST(TOutputWord, DestroyingARunningJobStopsIt) {
  auto job = std::make_unique<Job>(kFixtures / "many-pages.chm");
  job->worker.Start();
  job.reset();  // must neither hang nor crash
  SUCCEED();
}

}  // namespace
}  // namespace tomeshift
