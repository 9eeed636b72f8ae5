// Child processes: pipes both ways, the exit as an event on the main thread, ending a child,
// and children that misbehave. Nothing may be left behind: no zombie, no descriptor.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "stream/text_stream.h"
#include "system/event.h"
#include "system/hook.h"
#include "system/process.h"
#include "system/system.h"
#include "system/timer.h"

namespace {

struct TExits {
  std::vector<std::pair<std::shared_ptr<void>, int32_t>> seen;
};

std::shared_ptr<void> RecordExit(int32_t, const std::shared_ptr<void>& data, const std::shared_ptr<void>& context) {
  auto event = std::static_pointer_cast<TEvent>(data);
  if (event->id == EventProcessExit)
    static_cast<TExits*>(context.get())->seen.emplace_back(event->source, event->data);
  return data;
}

// Records every "ProcessExit" emitted while it lives.
class ExitRecorder {
 public:
  ExitRecorder() { AttachHook(EventHookChannel(), RecordExit, exits_); }
  ~ExitRecorder() { DetachHook(EventHookChannel(), RecordExit, exits_); }
  // Pumps the main thread until the exits of all these have arrived, and answers their codes
  // in the same order; a minute without them fails.
  std::vector<int32_t> WaitFor(const std::vector<TProcessPtr>& processes) {
    auto waker = CreateTimer(20);  // WaitSystemEvents returns at least this often
    const int32_t start = SystemMillis();
    std::vector<int32_t> codes;
    for (;;) {
      codes.clear();
      for (const TProcessPtr& p : processes)
        for (const auto& [source, code] : exits_->seen)
          if (source == p) codes.push_back(code);
      if (codes.size() == processes.size() || SystemMillis() - start > 60000) break;
      WaitSystemEvents();
    }
    StopTimer(waker);
    EXPECT_EQ(processes.size(), codes.size()) << "expected an exit for each within a minute";
    exits_->seen.clear();
    return codes;
  }
  // The process whose exit arrives with this address as its source, or null after a minute.
  TProcessPtr WaitForOne(const void* address) {
    auto waker = CreateTimer(20);
    const int32_t start = SystemMillis();
    TProcessPtr found;
    while (!found && SystemMillis() - start < 60000) {
      for (const auto& [source, code] : exits_->seen)
        if (source.get() == address) found = std::static_pointer_cast<TProcess>(source);
      if (!found) WaitSystemEvents();
    }
    StopTimer(waker);
    exits_->seen.clear();
    return found;
  }

 private:
  std::shared_ptr<TExits> exits_ = std::make_shared<TExits>();
};

// Each open descriptor with what it is open on ("3 -> pipe:[1234]").
std::set<std::string> OpenDescriptors() {
  std::set<std::string> open;
  for (const auto& e : std::filesystem::directory_iterator("/proc/self/fd")) {
    std::error_code ec;
    open.insert(e.path().filename().string() + " -> " + std::filesystem::read_symlink(e.path(), ec).string());
  }
  return open;
}

// The descriptors open now that were not open before (earlier tests' may have closed meanwhile).
std::string LeftOpen(const std::set<std::string>& before) {
  std::string left;
  for (const std::string& d : OpenDescriptors())
    if (!before.count(d)) left += d + "; ";
  return left;
}

bool NoChildLeft() { return ::waitpid(-1, nullptr, WNOHANG) == -1 && errno == ECHILD; }

TEST(Processes, CatEchoesWhatItsInputGetsAndEndsWithCodeZeroAsAnEvent) {
  ExitRecorder recorder;
  TProcessPtr cat = CreateProcess(u"/bin/cat");
  ASSERT_TRUE(cat) << "expected /bin/cat to start";
  EXPECT_EQ(1, ProcessStatus(cat));
  auto in = TTextStream::Create(cat->input, TTextStream::UTF8);
  auto out = TTextStream::Create(cat->output, TTextStream::UTF8);
  in->WriteLine(u"first");
  EXPECT_TRUE(out->ReadLine() == u"first") << "expected the line back while cat runs";
  in->WriteLine(u"\u00E9t\u00E9");
  in->Close();  // cat ends at the end of its input
  EXPECT_TRUE(out->ReadLine() == u"\u00E9t\u00E9");
  EXPECT_TRUE(out->Eof()) << "expected the end of cat's output after its input ended";
  const std::vector<int32_t> codes = recorder.WaitFor({cat});
  ASSERT_EQ(1u, codes.size()) << "expected the process as the event's source";
  EXPECT_EQ(0, codes[0]) << "expected exit code 0 as the event's data";
  EXPECT_EQ(0, ProcessStatus(cat));
  EXPECT_EQ(0, ProcessExitCode(cat));
}

TEST(Processes, TheExitCodeArrivesEvenWhenTheProgramKeptNoReference) {
  ExitRecorder recorder;
  void* address = nullptr;
  {
    TProcessPtr sh = CreateProcess(u"sh", {u"-c", u"echo oops >&2; exit 3"});
    ASSERT_TRUE(sh) << "expected sh to be found in PATH";
    EXPECT_EQ(u"oops", sh->error->ReadLine());
    address = sh.get();
  }
  TProcessPtr process = recorder.WaitForOne(address);
  ASSERT_TRUE(process) << "expected the exit of the process nobody kept";
  EXPECT_EQ(3, process->ExitCode()) << "expected exit code 3";
  EXPECT_EQ(3, process->Wait()) << "expected Wait to answer at once with the code";
}

// No shell stands between: the arguments reach the program as they are.
TEST(Processes, ArgumentsReachTheProgramUntouchedByAnyShell) {
  TProcessPtr echo = CreateProcess(u"/bin/echo", {u"$HOME", u"a b", u"*", u"\u00E9"});
  ASSERT_TRUE(echo);
  auto out = TTextStream::Create(echo->output, TTextStream::UTF8);
  EXPECT_TRUE(out->ReadLine() == u"$HOME a b * \u00E9") << "expected the words as given";
  EXPECT_EQ(0, echo->Wait());
}

TEST(Processes, AProgramThatDoesNotExistGivesNullAndLeavesNothingBehind) {
  SystemDriver();
  const std::set<std::string> before = OpenDescriptors();
  EXPECT_FALSE(CreateProcess(u"/no/such/program")) << "expected null for a missing path";
  EXPECT_FALSE(CreateProcess(u"no-such-program-on-any-path")) << "expected null for a name not in PATH";
  EXPECT_FALSE(CreateProcess(u"/etc/hostname")) << "expected null for a file that is not a program";
  EXPECT_FALSE(CreateProcess(u"")) << "expected null for no name";
  EXPECT_EQ("", LeftOpen(before)) << "expected no descriptor left open";
  EXPECT_TRUE(NoChildLeft()) << "expected no child, not even a zombie";
}

TEST(Processes, ManyChildrenLeaveNoZombieAndNoDescriptor) {
  SystemDriver();
  while (PollEvent() != 0) {}  // queued exit events hold their processes until they are read
  const std::set<std::string> before = OpenDescriptors();
  {
    ExitRecorder recorder;
    std::vector<TProcessPtr> children;
    for (int i = 0; i < 20; ++i)
      children.push_back(CreateProcess(u"/bin/sh", {u"-c", u"exit $0", std::u16string(1, char16_t(u'0' + i % 10))}));
    for (auto& c : children) ASSERT_TRUE(c);
    int sum = 0;
    for (int32_t code : recorder.WaitFor(children)) sum += code;
    EXPECT_EQ(90, sum) << "expected the codes 0 to 9 twice";
  }
  while (PollEvent() != 0) {}
  EXPECT_EQ("", LeftOpen(before)) << "expected every pipe closed once the processes are gone";
  EXPECT_TRUE(NoChildLeft()) << "expected every child reaped";
}

TEST(Processes, KillAndTerminateEndAChildAndTheEventTellsTheSignal) {
  ExitRecorder recorder;
  TProcessPtr a = CreateProcess(u"/bin/sleep", {u"1000"});
  TProcessPtr b = CreateProcess(u"/bin/sleep", {u"1000"});
  ASSERT_TRUE(a && b);
  EXPECT_EQ(1, a->Kill());
  EXPECT_EQ(1, b->Terminate());
  const std::vector<int32_t> codes = recorder.WaitFor({a, b});
  ASSERT_EQ(2u, codes.size());
  EXPECT_EQ(-9, codes[0]) << "expected minus SIGKILL for the killed one";
  EXPECT_EQ(-15, codes[1]) << "expected minus SIGTERM for the terminated one";
  EXPECT_EQ(0, a->Kill()) << "expected an ended process to take no signal";
  EXPECT_EQ(-9, ProcessExitCode(a));
}

TEST(Processes, AChildThatStopsReadingGivesAWriteErrorNotADeadProgram) {
  TProcessPtr head = CreateProcess(u"/usr/bin/head", {u"-c", u"5"});
  ASSERT_TRUE(head);
  head->input->SetWriteTimeout(-1);  // only head's going may end the write
  const std::string block(1 << 20, 'x');
  EXPECT_THROW(head->input->WriteBytes(block.data(), static_cast<int64_t>(block.size())), TStreamWriteException)
      << "expected a write error once head has gone, not SIGPIPE";
  EXPECT_EQ(u"xxxxx", head->output->ReadString(5));
  EXPECT_EQ(0, head->Wait());
}

TEST(Processes, AChildThatNeverReadsGivesAWriteErrorAfterTheTimeout) {
  TProcessPtr sleeper = CreateProcess(u"/bin/sleep", {u"1000"});
  ASSERT_TRUE(sleeper);
  sleeper->input->SetWriteTimeout(100);
  const std::string block(1 << 20, 'x');
  EXPECT_THROW(sleeper->input->WriteBytes(block.data(), static_cast<int64_t>(block.size())), TStreamWriteException)
      << "expected a write error instead of waiting for ever";
  EXPECT_EQ(1, sleeper->Status()) << "expected the child still running";
  sleeper->Kill();
  EXPECT_EQ(-9, sleeper->Wait());
}

TEST(Processes, AChildThatClosesItsOutputEarlyReadsAsTheEndWhileItRuns) {
  TProcessPtr sh = CreateProcess(u"/bin/sh", {u"-c", u"echo one; exec >&-; read line; exit 7"});
  ASSERT_TRUE(sh);
  EXPECT_EQ(u"one", sh->output->ReadLine());
  EXPECT_TRUE(sh->output->Eof()) << "expected the end of its output";
  EXPECT_EQ(0, sh->output->ReadInt()) << "expected reads at the end to give 0";
  EXPECT_EQ(1, sh->Status()) << "expected it to wait for its input still";
  sh->input->WriteLine(u"go");
  EXPECT_EQ(7, sh->Wait());
}

TEST(PipeStreams, ReadOnlyAndWriteOnlyEndsRefuseTheOtherDirection) {
  TProcessPtr cat = CreateProcess(u"/bin/cat");
  ASSERT_TRUE(cat);
  char b = 0;
  EXPECT_THROW(cat->input->Read(&b, 1), TRuntimeError);
  EXPECT_THROW(cat->output->Write(&b, 1), TRuntimeError);
  EXPECT_EQ(-1, cat->output->Pos()) << "expected a pipe not to seek";
  cat->input->Close();
  EXPECT_EQ(0, cat->Wait());
  EXPECT_FALSE(TPipeStream::Create(-1, true, false));
}

}  // namespace
