#include "recorder/audio/SourceLevels.h"

#include "framework/Text.h"
#include "recorder/TempPaths.h"
#include "recorder/audio/AudioApi.h"
#include "recorder/audio/Mci.h"
#include "recorder/audio/Mixer.h"
#include "recorder/audio/SoundFile.h"

#include <cstdlib>
#include <memory>

namespace {
constexpr double kSmallestRunnerUp = 1e-8;
constexpr double kWinningRatio = 5;

// The mean loudness of one recorded file, or a negative value when it holds no samples.
double MeasureFile(const std::string& path) {
  CSoundFile reader(path, nullptr);
  LevelStatistics statistics;
  while (std::unique_ptr<CBuffer> buffer{reader.ReadBuffer()}) {
    AccumulateLevel(*buffer, reader.GetBitsPerSample(), statistics);
  }
  if (statistics.buffers == 0) return -1.0;
  return statistics.sumOfMeans / statistics.buffers;
}
}  // namespace

void AccumulateLevel(const CBuffer& buffer, int bits, LevelStatistics& statistics) {
  double sum = statistics.lastMean;
  if (bits == 8) {
    if (buffer.size <= 0) return;
    const auto* bytes = reinterpret_cast<const unsigned char*>(buffer.data);
    for (int i = 0; i < buffer.size; ++i) sum += std::abs(static_cast<int>(bytes[i]) - 128);
    statistics.lastMean = sum / buffer.size;
  } else if (bits == 16) {
    int samples = buffer.size / 2;
    if (samples <= 0) return;
    const auto* bytes = reinterpret_cast<const unsigned char*>(buffer.data);
    for (int i = 0; i < samples; ++i) {
      auto sample = static_cast<short>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
      sum += std::abs(static_cast<int>(sample));
    }
    statistics.lastMean = sum / samples;
  } else {
    return;
  }
  statistics.sumOfMeans += statistics.lastMean;
  statistics.buffers += 1;
}

void RankLevel(double level, int item, LevelTestResult& result) {
  if (level > result.bestLevel) {
    result.runnerUpLevel = result.bestLevel;
    result.runnerUpItem = result.bestItem;
    result.bestLevel = level;
    result.bestItem = item;
  }
}

int ChooseFromLevels(const LevelTestResult& result) {
  if (!(result.runnerUpLevel > 0 && result.bestLevel > 0 &&
        result.runnerUpLevel < result.bestLevel))
    return -1;
  double runnerUp = result.runnerUpLevel < kSmallestRunnerUp ? kSmallestRunnerUp : result.runnerUpLevel;
  return result.bestLevel / runnerUp > kWinningRatio ? result.bestItem : -1;
}

void MeasureSourceLevels(const std::vector<MIXERCONTROLDETAILS_LISTTEXTA>& items,
                         DWORD componentType) {
  MixerState& mixer = Mixer();
  if (componentType != MIXERLINE_COMPONENTTYPE_SRC_ANALOG || mixer.chosenItem != NoSourceChosen)
    return;
  LevelTestResult result;
  std::string directory = ProgramDirectory();
  for (unsigned i = 0; i < items.size(); ++i) {
    SetSourceItem(1, i, true);
    EnsureSourceVolume(items[i].dwParam1);
    std::string testFile = directory + Format("\\testrec%u.wav", i);
    MciOpenWave();
    MciSetWaveFormat();
    MciStartRecord();
    Audio().sndPlaySoundA((directory + "\\testsnd.wav").c_str(), 0);
    MciStopAndSave(testFile);
    MciClose();
    double level = MeasureFile(testFile);
    // A recording without samples gives no level and takes no place in the ranking.
    if (level >= 0) RankLevel(level, static_cast<int>(i), result);
    DeleteFileA(testFile.c_str());
  }
  int chosen = ChooseFromLevels(result);
  if (chosen >= 0) {
    mixer.chosenItem = static_cast<unsigned>(chosen);
    mixer.CachedSourceIndex = chosen;
  }
}
