#include "recorder/FrameLoop.h"

#include "recorder/Clock.h"
#include "recorder/FrameChange.h"
#include "recorder/FramePace.h"
#include "recorder/PackedDib.h"
#include "recorder/ScreenBudget.h"
#include "recorder/ScreenBudgetSetting.h"
#include "recorder/ScreenFrame.h"
#include "recorder/codec/Msvc1Driver.h"

#include <mmsystem.h>

#include <algorithm>

// Whole steps by integer division: in double precision (elapsed / 1000) x 200 falls just short of
// the whole number for many times (575 ms gave 114.99999... and so step 114).
uint32_t FrameIndexAt(DWORD elapsedMs) { return elapsedMs / kCaptureIntervalMs; }

namespace {
bool Recording() { return Recorder().recording.load() == 1; }

FrameLoopStages lastStages;

// Seconds since an arbitrary start, for the stage times.
double Seconds() {
  LARGE_INTEGER now, frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  return double(now.QuadPart) / double(frequency.QuadPart);
}

// At the default timer resolution a Sleep(5) lasts a whole tick of about 15.6 ms; the 5 ms step
// needs a 1 ms resolution while the loop runs.
class TimerResolution {
public:
  TimerResolution() {
    TIMECAPS caps = {};
    if (timeGetDevCaps(&caps, sizeof(caps)) == MMSYSERR_NOERROR) {
      period_ = caps.wPeriodMin > 1 ? caps.wPeriodMin : 1;
      if (timeBeginPeriod(period_) != TIMERR_NOERROR) period_ = 0;
    }
  }
  ~TimerResolution() {
    if (period_) timeEndPeriod(period_);
  }
  TimerResolution(const TimerResolution&) = delete;
  TimerResolution& operator=(const TimerResolution&) = delete;

private:
  UINT period_ = 0;
};

// The pause between frames in 50 ms slices, so that a long interval still ends soon after a stop.
void WaitBetweenFrames(DWORD milliseconds) {
  for (DWORD slice = 0; slice < milliseconds / 50 && Recording(); ++slice) RecorderSleep(50);
  if (Recording() && milliseconds % 50 != 0) RecorderSleep(milliseconds % 50);
}
// Between a moving pointer's steps the frames' pace takes frames in which the pointer stood still
// in the last copy: the last frame again. Such a frame is written only when the file has had no
// frame for 45 ms, so that the file keeps up with the screen's time as a still screen's frames,
// 50 ms apart, do, but costs no compression otherwise. One held back is written when a pause or
// the stop comes first.
constexpr uint32_t kUnchangedFrameSteps = 9;
}  // namespace

const FrameLoopStages& LastFrameLoopStages() { return lastStages; }

FrameLoopEnd RunFrameLoop(const CaptureRectangle& rectangle, const FrameWriter& write,
                          const PauseFollower& followPause) {
  TimerResolution resolution;
  FrameLoopStages stages;
  const double loopStart = Seconds();
  DWORD start = RecorderNow();
  stages.startMs = start;
  // The positions leave out the time the recording was paused (_OnPause@4).
  const PauseClock& pauses = Recorder().pauses;
  const uint64_t pausedAtStart = pauses.PausedMs(start);
  bool firstFrame = true;
  uint32_t lastIndex = 0;
  // One frame block for the whole run: each frame overwrites the one before.
  ScreenGrabber grabber(rectangle.left, rectangle.top, rectangle.Width(), rectangle.Height());
  FrameChange change;
  // Every picture taken is shown to the recording's slides, on the whole recording's time axis:
  // a restarted run's positions follow those its predecessors' files cover.
  SlideShow* slides = Recorder().slides.get();
  const uint64_t earlierRuns = Recorder().coveredPositions;
  ChangedBlocks blocks;
  const PictureShape shape = {rectangle.Width(), rectangle.Height(), DibRowBytes(rectangle.Width(), kFrameBitCount)};
  // The pace of the frames, which the pointer's moves keep short, and that of the screen copies,
  // which only the rest of the screen does: between copies a moved pointer is moved in the last
  // picture (ScreenGrabber::MovePointer), which costs a fraction of a copy.
  FramePace pace;
  FramePace screenPace;
  bool copyScreen = true;
  DWORD screenDueAt = 0;
  ScreenBudget budget(
      PictureBudget(Recorder().screenBudgetMBPerMinute, rectangle.Width(), rectangle.Height(), kStreamRate));
  FrameLoopEnd end = FrameLoopEnd::Stopped;
  BITMAPINFOHEADER* frame = nullptr;
  // Writes the frame at `index` at the budget's quality and counts it.
  auto writeFrameAt = [&](uint32_t index) {
    const double writeStart = Seconds();
    FrameCost cost;
    cost.quality = budget.Quality();
    const double encodedBefore = Msvc1CompressSeconds();
    const HRESULT written = write(frame, index, cost);
    const double encode = Msvc1CompressSeconds() - encodedBefore;
    stages.encode += encode;
    stages.write += Seconds() - writeStart - encode;
    if (written != 0) return false;
    ++stages.written;
    if (cost.quality < kCaptureQuality) ++stages.belowCapture;
    budget.Written(cost.bytes, cost.keyFrame);
    lastIndex = index;
    return true;
  };
  // An unchanged frame taken but not yet written, while the grabber still holds its picture.
  bool heldBack = false;
  uint32_t heldBackIndex = 0;
  auto writeHeldBack = [&]() {
    const bool written = !heldBack || writeFrameAt(heldBackIndex);
    heldBack = false;
    return written;
  };
  do {
    // No frame while paused; the file reaches to the pause.
    if (pauses.Paused()) {
      if (!writeHeldBack()) {
        end = FrameLoopEnd::WriteFailed;
        break;
      }
      if (followPause) followPause(true);
      pauses.WaitWhilePaused(Recorder().recording);
      // A stop while paused ends the sound where it stands.
      if (followPause && Recorder().recording.load() == 1) followPause(false);
      // The screen may show anything after a pause.
      copyScreen = true;
      continue;
    }
    const DWORD grabbedAt = RecorderNow();
    DWORD elapsed = firstFrame ? 0 : pauses.RecordedMs(start, pausedAtStart, grabbedAt);
    const double grabStart = Seconds();
    const bool copied = copyScreen || firstFrame;
    // False for a frame in which the pointer stood still in the last copy: the last frame again.
    bool newPicture = true;
    if (copied) grabber.CopyScreen();
    const double convertStart = Seconds();
    if (copied) {
      frame = grabber.Convert();
    } else {
      frame = grabber.MovePointer(&newPicture);
      ++stages.pointerFrames;
    }
    // A new picture in the grabber's block: the one held back is gone from it.
    if (newPicture) heldBack = false;
    const double convertEnd = Seconds();
    stages.grab += convertStart - grabStart;
    stages.convert += convertEnd - convertStart;
    if (!frame) {
      end = FrameLoopEnd::OutOfMemory;
      break;
    }
    // A pause that came during the copy: the picture may show the paused time.
    if (pauses.Paused()) continue;
    ++stages.frames;
    FrameChange::Rows changedRows;
    // The last frame again: nothing to compare.
    bool changed = false;
    if (newPicture) {
      changed = change.Differs(frame, copied ? &changedRows : nullptr, slides ? &blocks : nullptr);
    } else {
      blocks.Clear();
    }
    if (!changed) ++stages.unchanged;
    if (copied) {
      // A copy that differs only in the rows where a moved pointer was or is now shows a still
      // screen; with the pointer still, every difference is the screen's.
      const ScreenGrabber::Rows pointer = grabber.PointerRows();
      const bool screenChanged = changed && (firstFrame || grabber.PointerStill() || changedRows.first < pointer.first ||
                                             changedRows.last >= pointer.end);
      screenPace.FrameTaken(screenChanged);
    }
    const double compared = Seconds();
    stages.compare += compared - convertEnd;
    uint32_t index = firstFrame ? 0 : FrameIndexAt(elapsed);
    if (slides) {
      const RECT pointer = grabber.PointerRect();
      slides->Frame(DibPixels(frame), shape, static_cast<uint32_t>(earlierRuns + index), blocks,
                    BlocksOfPixels(std::max<LONG>(pointer.left, 0), std::max<LONG>(pointer.top, 0),
                                   std::min<LONG>(pointer.right, shape.width), std::min<LONG>(pointer.bottom, shape.height)),
                    [&grabber](uint8_t* pixels) { grabber.RemovePointer(pixels); });
    }
    const double slidesSeen = Seconds();
    stages.slides += slidesSeen - compared;
    // A later frame still in step 0 shares the first frame's position and is dropped like any
    // other frame of an already written step.
    bool writeFrame = firstFrame || index > lastIndex;
    if (writeFrame && !newPicture && index - lastIndex < kUnchangedFrameSteps) {
      writeFrame = false;
      heldBack = true;
      heldBackIndex = index;
    }
    firstFrame = false;
    if (writeFrame && !budget.Admits(elapsed)) {
      writeFrame = false;
      ++stages.leftOut;
    }
    if (writeFrame) {
      heldBack = false;
      if (!writeFrameAt(index)) {
        end = FrameLoopEnd::WriteFailed;
        break;
      }
    }
    pace.FrameTaken(changed);
    const DWORD now = RecorderNow();
    DWORD wait = pace.WaitMs(now - grabbedAt);
    if (copied) screenDueAt = now + screenPace.WaitMs(now - grabbedAt);
    // The screen is copied again when its own pace asks for it no later than the frames' pace;
    // until then only the pointer moves. While the pointer is still the two paces are the same.
    const LONG untilScreen = static_cast<LONG>(screenDueAt - now);
    copyScreen = untilScreen <= static_cast<LONG>(wait);
    if (copyScreen) wait = std::max<LONG>(untilScreen, static_cast<LONG>(kShortestPauseMs));
    const double waitStart = Seconds();
    WaitBetweenFrames(wait);
    stages.wait += Seconds() - waitStart;
  } while (Recording());
  if (end == FrameLoopEnd::Stopped && !writeHeldBack()) end = FrameLoopEnd::WriteFailed;
  stages.total = Seconds() - loopStart;
  lastStages = stages;
  return end;
}
