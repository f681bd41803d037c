// The warnings that can stand during a recording, each a named condition with the short form
// that the title and the badge show, and its own rule for repeating the balloon while it stands.
// New conditions are added to the enumeration and to the table in the .cpp.
#pragma once
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

enum class Warning {
  MicrophoneSilent,  // the microphone has been silent for 30 s
  DiskLow,           // the disk has room for about 10 minutes more
  ScreenStopped,     // the screen recording ended on its own (a full disk, a failed write)
  CameraLost,        // the camera dropped out; sound and screen are recorded on
  MicrophoneLost,    // the microphone dropped out; camera and screen are recorded on
};

// The short form of a warning, as the title and the badge show it (for example "麦克风无声").
const char* WarningShortForm(Warning warning);
// How long after its balloon a standing warning gets the balloon again; 0 means never.
ULONGLONG WarningRepeatMs(Warning warning);

// The balloon of a warning, as it is to be shown.
struct WarningBalloon {
  Warning warning;
  std::string text;
};

// The standing warnings of one recording and when each balloon is due.
class WarningBoard {
public:
  // The condition holds from `now` on with the given balloon text; raising a standing warning
  // only changes its text.
  void Raise(Warning warning, const std::string& balloonText, ULONGLONG now);
  // The condition holds no longer; its short form and badge go.
  void Clear(Warning warning);
  void ClearAll() { standing_.clear(); }
  bool Stands(Warning warning) const;
  bool Any() const { return !standing_.empty(); }

  // The balloon due at `now`, the longest-waiting first, or none; Shown() marks it given.
  std::optional<WarningBalloon> NextDue(ULONGLONG now) const;
  void Shown(Warning warning, ULONGLONG now);

  // The short forms of the standing warnings, in the order of the enumeration.
  std::vector<std::string> ShortForms() const;

private:
  struct Standing {
    Warning warning;
    std::string text;
    ULONGLONG dueAt;  // when its balloon is due; ~0 once given for a warning that never repeats
  };
  Standing* Find(Warning warning);
  const Standing* Find(Warning warning) const;

  std::vector<Standing> standing_;
};
