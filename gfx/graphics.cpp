#include "gfx/graphics.h"

#include <errno.h>
#include <time.h>

#include <cstdlib>
#include <exception>

#include "gfx/graphics_internal.h"
#include "stream/stream.h"
#include "system/hook.h"
#include "system/input.h"
#include "system/system.h"

std::u16string ApplicationTitle;

namespace {

struct FrontEnd {
  TGraphicsDriver* driver = nullptr;
  int32_t default_flags = 0;
  std::vector<TGraphicsMode> modes;
  bool modes_listed = false;
  TGraphicsPtr current;
  int32_t width = 0, height = 0, depth = 0, hertz = 0, flags = 0;
  TGraphicsPtr opened;
  int32_t seq = 0;
  TFramePacing pacing;
  TOpenGraphicsTimes open_times;
  bool exit_registered = false;
  std::shared_ptr<TPixmap> icon;  // handed to every driver selected later
};

FrontEnd& State() {
  static FrontEnd* s = new FrontEnd;  // never destroyed: the exit action still needs it
  return *s;
}

void ForgetCurrent(FrontEnd& s) {
  s.current.reset();
  s.width = s.height = s.depth = s.hertz = s.flags = 0;
}

void ReleaseCurrentFromDriver(FrontEnd& s) {
  if (s.driver && s.current) s.driver->SetGraphics(nullptr);
}

void NextSeq(FrontEnd& s) {
  s.seq = static_cast<int32_t>(static_cast<uint32_t>(s.seq) + 1u);
  if (s.seq == 0) s.seq = 1;
}

// A new driver starts with no current context of the old one, no cached modes and the icon.
void UseDriver(FrontEnd& s, TGraphicsDriver* driver) {
  if (driver == s.driver) return;
  ReleaseCurrentFromDriver(s);
  s.modes.clear();
  s.modes_listed = false;
  s.driver = driver;
  if (driver && s.icon) driver->SetIcon(s.icon);
}

void EndOpenGraphicsAtExit() { EndOpenGraphics(); }

// Pacing reads the monotonic clock in nanoseconds: the schedule stays in whole milliseconds,
// and the sleep ends at the very instant the millisecond count reaches the next tick, not up
// to a millisecond later as a sleep of whole milliseconds from a truncated reading would.
constexpr int64_t kNsPerMs = 1000000;

// Enough for drivers that queue two swaps before one blocks, and a run of three after them.
constexpr int32_t kProbeFlips = 8;

int64_t MonotonicNs() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

int32_t MillisOf(int64_t ns) {
  return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(ns / kNsPerMs)));
}

// An absolute deadline: no drift from the time spent reckoning the wait, and a wake-up
// that comes late does not push the following frames.
void SleepUntilNs(int64_t deadline) {
  timespec ts;
  ts.tv_sec = static_cast<time_t>(deadline / 1000000000);
  ts.tv_nsec = static_cast<long>(deadline % 1000000000);
  while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == EINTR) {
  }
}

// The clock wraps after 49 days: sums and differences of readings wrap with it.
int32_t AddMs(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}
int32_t DiffMs(int32_t later, int32_t earlier) {
  return static_cast<int32_t>(static_cast<uint32_t>(later) - static_cast<uint32_t>(earlier));
}

}  // namespace

std::u16string TGraphicsMode::ToString() const {
  std::string text = std::to_string(width) + "," + std::to_string(height) + "," +
                     std::to_string(depth) + " " + std::to_string(hertz) + "Hz";
  return BytesToText(text);
}

void TFramePacing::Start(int32_t hertz, int32_t now) {
  pace_hertz = hertz;
  frame_ms = hertz ? 1000 / hertz : 0;
  frame_rem = 1000 - frame_ms * hertz;
  rem_accum = 0;
  next_tick = now;
}

int32_t TFramePacing::Advance(int32_t now) {
  next_tick = AddMs(next_tick, frame_ms);
  rem_accum += frame_rem;
  if (pace_hertz > 0 && rem_accum >= pace_hertz) {
    rem_accum -= pace_hertz;
    next_tick = AddMs(next_tick, 1);
  }
  int32_t wait = DiffMs(next_tick, now);
  if (wait > 0) return wait;
  next_tick = now;
  return 0;
}

bool TVBlankProbe::Feed(int32_t elapsed_ms) {
  int32_t d = elapsed_ms - frame_ms;
  if (d >= -1 && d <= 1) {
    if (++run >= 3) return true;
  } else {
    run = 0;
  }
  return false;
}

TPacingPlan PlanPacing(int32_t depth, int32_t hertz, int32_t display_hertz) {
  TPacingPlan plan;
  if (hertz <= 0) return plan;
  // Only a display that says it runs at the asked rate can pace by its blank; anywhere else
  // probing would spend its flips learning nothing.
  plan.probe = depth != 0 && display_hertz == hertz;
  // A clock-paced frame may still wait for the blank so that it is shown whole. On a display
  // at least as fast as the schedule the wait is shorter than a frame and the previous swap
  // has long been shown, so it never moves the schedule. A slower display would hold every
  // frame past its slot, and one of unknown rate (a virtual screen says 0) may be slower, so
  // there the swap does not wait. Where the swap never waits at all, the clock alone paces.
  if (display_hertz >= hertz) plan.clock_sync = -1;
  return plan;
}

const TFramePacing& GraphicsPacing() { return State().pacing; }
const TOpenGraphicsTimes& LastOpenGraphicsTimes() { return State().open_times; }

void SelectGraphicsDriver(TGraphicsDriver* driver, int32_t default_flags) {
  FrontEnd& s = State();
  UseDriver(s, driver);
  s.default_flags = default_flags;
  ForgetCurrent(s);
}

TGraphicsDriver* CurrentGraphicsDriver() { return State().driver; }

void SetGraphicsIcon(const std::shared_ptr<TPixmap>& pixmap) {
  FrontEnd& s = State();
  s.icon = pixmap;
  if (s.driver) s.driver->SetIcon(pixmap);
}
int32_t GraphicsDefaultFlags() { return State().default_flags; }

static std::vector<TGraphicsMode>& ModeCache() {
  FrontEnd& s = State();
  if (!s.modes_listed && s.driver) {
    s.modes = s.driver->GraphicsModes();
    s.modes_listed = !s.modes.empty();
  }
  return s.modes;
}

std::vector<TGraphicsMode> ListGraphicsModes() { return ModeCache(); }
int32_t GraphicsModeCount() { return static_cast<int32_t>(ModeCache().size()); }

void GraphicsModeAt(int32_t index, int32_t& width, int32_t& height, int32_t& depth,
                    int32_t& hertz) {
  auto& modes = ModeCache();
  if (index < 0 || index >= static_cast<int32_t>(modes.size())) {
    width = height = depth = hertz = 0;
    return;
  }
  const TGraphicsMode& m = modes[index];
  width = m.width;
  height = m.height;
  depth = m.depth;
  hertz = m.hertz;
}

int32_t HasGraphicsMode(int32_t width, int32_t height, int32_t depth, int32_t hertz) {
  for (const TGraphicsMode& m : ModeCache()) {
    if (width && m.width != width) continue;
    if (height && m.height != height) continue;
    if (depth && m.depth != depth) continue;
    if (hertz && m.hertz != hertz) continue;
    return 1;
  }
  return 0;
}

TGraphicsPtr CreateGraphicsContext(int32_t width, int32_t height, int32_t depth, int32_t hertz,
                                   int32_t flags) {
  FrontEnd& s = State();
  if (!s.driver) return nullptr;
  try {
    return s.driver->CreateGraphics(width, height, depth, hertz, flags | s.default_flags);
  } catch (const std::exception&) {
    return nullptr;
  }
}

TGraphicsPtr AttachGraphicsContext(const void* widget, int32_t flags) {
  FrontEnd& s = State();
  if (!s.driver) return nullptr;
  try {
    return s.driver->AttachGraphics(widget, flags | s.default_flags);
  } catch (const std::exception&) {
    return nullptr;
  }
}

void CloseGraphicsContext(const TGraphicsPtr& g) {
  if (!g) return;
  FrontEnd& s = State();
  TGraphicsPtr keep = g;  // the caller's reference may be one of ours
  if (keep == s.opened) s.opened.reset();
  if (keep == s.current) MakeGraphicsCurrent(nullptr);
  keep->Close();
}

void MakeGraphicsCurrent(const TGraphicsPtr& g) {
  FrontEnd& s = State();
  if (!g) {
    ReleaseCurrentFromDriver(s);
    ForgetCurrent(s);
    return;
  }
  TGraphicsDriver* driver = g->Driver();
  UseDriver(s, driver);
  g->GetSettings(s.width, s.height, s.depth, s.hertz, s.flags);
  s.driver->SetGraphics(g);
  s.current = g;
}

TGraphicsPtr CurrentGraphicsContext() { return State().current; }
int32_t CurrentGraphicsWidth() { return State().width; }
int32_t CurrentGraphicsHeight() { return State().height; }
int32_t CurrentGraphicsDepth() { return State().depth; }
int32_t CurrentGraphicsHertz() { return State().hertz; }
int32_t CurrentGraphicsFlags() { return State().flags; }

int32_t FlipHookChannel() {
  static const int32_t channel = AllocateHookChannel();
  return channel;
}

TGraphicsPtr OpenGraphics(int32_t width, int32_t height, int32_t depth, int32_t hertz,
                          int32_t flags) {
  EndOpenGraphics();
  TOpenGraphicsTimes times;
  int64_t started = MonotonicNs();
  TGraphicsPtr g = CreateGraphicsContext(width, height, depth, hertz, flags);
  if (!g) return nullptr;
  FrontEnd& s = State();
  NextSeq(s);
  MakeGraphicsCurrent(g);
  int64_t created = MonotonicNs();
  times.create_ns = created - started;

  const TPacingPlan plan = PlanPacing(depth, hertz, s.driver ? s.driver->DisplayHertz() : 0);
  s.pacing.soft_sync = hertz == 0 ? 0 : 1;
  s.pacing.clock_sync = plan.clock_sync;
  if (plan.probe && s.driver) {
    TVBlankProbe probe;
    probe.frame_ms = 1000 / hertz;
    const int64_t give_up = created + 1000 * kNsPerMs;
    for (int32_t i = 0; i < kProbeFlips && MonotonicNs() < give_up; ++i) {
      int32_t start = MillisOf(MonotonicNs());
      s.driver->Flip(1);
      ++times.probe_flips;
      if (probe.Feed(DiffMs(MillisOf(MonotonicNs()), start))) {
        s.pacing.soft_sync = 0;
        break;
      }
    }
  }
  times.probe_ns = MonotonicNs() - created;
  s.open_times = times;
  s.pacing.Start(hertz, MillisOf(MonotonicNs()));
  s.opened = g;
  if (depth != 0) MoveMousePointer(width / 2, height / 2);
  StartInputPolling(nullptr);
  if (!s.exit_registered) {
    s.exit_registered = true;
    std::atexit(EndOpenGraphicsAtExit);
  }
  return g;
}

void EndOpenGraphics() {
  FrontEnd& s = State();
  if (!s.opened) return;
  NextSeq(s);
  StopInputPolling();
  CloseGraphicsContext(s.opened);
}

void FlipGraphics(int32_t sync) {
  RunHookChain(FlipHookChannel(), nullptr);
  FrontEnd& s = State();
  if (!s.driver) return;
  if (sync != -1) {
    s.driver->Flip(sync);
    return;
  }
  if (!s.current || s.current != s.opened || s.pacing.soft_sync == 0) {
    s.driver->Flip(s.depth != 0 ? 1 : 0);
    return;
  }
  // A software renderer draws when asked to finish; done before the sleep, the frame's drawing
  // time no longer moves the instant it is presented.
  s.driver->FinishFrame();
  const int64_t now = MonotonicNs();
  const int32_t wait = s.pacing.Advance(MillisOf(now));
  if (wait > 0) SleepUntilNs((now / kNsPerMs + wait) * kNsPerMs);
  s.driver->Flip(s.pacing.clock_sync);
}

int32_t GraphicsSeq() { return State().seq; }

void WriteGraphicsSettings(TStream& stream, TGraphics& g) {
  int32_t width, height, depth, hertz, flags;
  g.GetSettings(width, height, depth, hertz, flags);
  stream.WriteInt(width);
  stream.WriteInt(height);
  stream.WriteInt(depth);
  stream.WriteInt(hertz);
}

TGraphicsPtr ReadGraphicsSettings(TStream& stream) {
  int32_t width = stream.ReadInt();
  int32_t height = stream.ReadInt();
  int32_t depth = stream.ReadInt();
  int32_t hertz = stream.ReadInt();
  return OpenGraphics(width, height, depth, hertz, 0);
}
