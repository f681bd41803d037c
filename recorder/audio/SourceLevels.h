// The level test that finds the loop-back line when no source is called "Stereo Mix": every
// source records while the test sound plays, and one that heard it far louder than the others
// wins.
#pragma once
#include "recorder/audio/Buffer.h"

#include <windows.h>
#include <mmsystem.h>
#include <vector>

struct LevelStatistics {
  double lastMean = 0;
  double sumOfMeans = 0;
  double buffers = 0;
};

struct LevelTestResult {
  double bestLevel = -1.0;
  int bestItem = -1;
  double runnerUpLevel = -1.0;
  int runnerUpItem = -1;
};

// Adds one buffer's mean loudness to the statistics (8- and 16-bit samples; others ignored).
void AccumulateLevel(const CBuffer& buffer, int bits, LevelStatistics& statistics);
// Takes one measured level into the best and runner-up.
void RankLevel(double level, int item, LevelTestResult& result);
// The winning item, or -1 when no source was clearly louder.
int ChooseFromLevels(const LevelTestResult& result);

// Runs the test for SRC_ANALOG requests that found no source by name.
void MeasureSourceLevels(const std::vector<MIXERCONTROLDETAILS_LISTTEXTA>& items,
                         DWORD componentType);
