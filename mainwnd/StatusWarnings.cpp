#include "mainwnd/StatusWarnings.h"

#include <algorithm>

namespace {
constexpr ULONGLONG kNever = ~0ULL;
constexpr ULONGLONG kFiveMinutesMs = 5 * 60 * 1000;

struct WarningKind {
  Warning warning;
  const char* shortForm;
  ULONGLONG repeatMs;
};

// A silent microphone, a stopped screen recording and a device that dropped out stay true while
// they stand, so their balloons come again; the disk's balloon names the ten minutes left and is
// given once.
constexpr WarningKind kKinds[] = {
    {Warning::MicrophoneSilent, "麦克风无声", kFiveMinutesMs},
    {Warning::DiskLow, "磁盘将满", 0},
    {Warning::ScreenStopped, "屏幕录制已停止", kFiveMinutesMs},
    {Warning::CameraLost, "摄像头断开", kFiveMinutesMs},
    {Warning::MicrophoneLost, "麦克风断开", kFiveMinutesMs},
};

const WarningKind& KindOf(Warning warning) {
  for (const WarningKind& kind : kKinds) {
    if (kind.warning == warning) return kind;
  }
  return kKinds[0];
}
}  // namespace

const char* WarningShortForm(Warning warning) { return KindOf(warning).shortForm; }

ULONGLONG WarningRepeatMs(Warning warning) { return KindOf(warning).repeatMs; }

WarningBoard::Standing* WarningBoard::Find(Warning warning) {
  for (Standing& s : standing_) {
    if (s.warning == warning) return &s;
  }
  return nullptr;
}

const WarningBoard::Standing* WarningBoard::Find(Warning warning) const {
  return const_cast<WarningBoard*>(this)->Find(warning);
}

void WarningBoard::Raise(Warning warning, const std::string& balloonText, ULONGLONG now) {
  if (Standing* s = Find(warning)) {
    s->text = balloonText;
    return;
  }
  standing_.push_back({warning, balloonText, now});
}

void WarningBoard::Clear(Warning warning) {
  standing_.erase(std::remove_if(standing_.begin(), standing_.end(),
                                 [warning](const Standing& s) { return s.warning == warning; }),
                  standing_.end());
}

bool WarningBoard::Stands(Warning warning) const { return Find(warning) != nullptr; }

std::optional<WarningBalloon> WarningBoard::NextDue(ULONGLONG now) const {
  const Standing* next = nullptr;
  for (const Standing& s : standing_) {
    if (s.dueAt <= now && (!next || s.dueAt < next->dueAt)) next = &s;
  }
  if (!next) return std::nullopt;
  return WarningBalloon{next->warning, next->text};
}

void WarningBoard::Shown(Warning warning, ULONGLONG now) {
  if (Standing* s = Find(warning)) {
    ULONGLONG repeat = WarningRepeatMs(warning);
    s->dueAt = repeat ? now + repeat : kNever;
  }
}

std::vector<std::string> WarningBoard::ShortForms() const {
  std::vector<std::string> forms;
  for (const WarningKind& kind : kKinds) {
    if (Stands(kind.warning)) forms.push_back(kind.shortForm);
  }
  return forms;
}
