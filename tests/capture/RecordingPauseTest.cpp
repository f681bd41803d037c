// The pause of the recording graph over the fakes: the graph is paused and run again in that
// order, the microphone is metered by a graph of its own meanwhile, and a graph that will not run
// again closes its file, gives way to the preview and says so.
#include "tests/capture/EngineFixture.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace fakes;

namespace {
class RecordingPause : public EngineTest {
protected:
  // A recording graph that runs, as the session starts it.
  void StartRecording() {
    host.settings.EnableTitle = 0;
    StartPreviewWith("cam0");
    engine->TearDownGraph();
    ASSERT_TRUE(engine->BuildRecordingGraph());
    ASSERT_TRUE(engine->ConnectRecordingGraph("C:\\课程\\20260101080000\\html\\video.wmv"));
    ASSERT_TRUE(engine->StartRecordingGraph());
    recording = lastGraph;
    TakeCalls();
  }
  FakeGraph* recording = nullptr;
};
}  // namespace

TEST_F(RecordingPause, PauseAndResumeCallTheGraphsPauseAndRunInOrderWithTheMeterBetween) {
  StartRecording();
  ASSERT_TRUE(engine->PauseRecordingGraph());
  EXPECT_EQ(TakeCalls(), std::vector<std::string>{"Pause"});
  engine->ListenWhilePaused();
  EXPECT_EQ(TakeCalls(), (std::vector<std::string>{
                             "SetFiltergraph",
                             "BindToObject mic0",
                             "AddFilter ACap mic0",
                             "AddFilter Level meter meter",
                             "RenderStream CAPTURE Audio mic0 null meter",
                             "Run",
                         }));
  EXPECT_NE(lastGraph, recording) << "the microphone is metered in a graph of its own";
  // The listening graph gives the microphone back before the recording graph runs on.
  ASSERT_TRUE(engine->ResumeRecordingGraph());
  EXPECT_EQ(TakeCalls(), (std::vector<std::string>{"Stop", "Run"}));
  EXPECT_TRUE(engine->asfWriter) << "the recording goes on into the same writer";

  // A second pause, and a stop while paused: the teardown ends the listening graph too.
  ASSERT_TRUE(engine->PauseRecordingGraph());
  engine->ListenWhilePaused();
  TakeCalls();
  engine->TearDownGraph();
  std::vector<std::string> teardown = TakeCalls();
  EXPECT_EQ(std::count(teardown.begin(), teardown.end(), "Stop"), 2) << "the listening and the recording graph";
  EXPECT_TRUE(boxTypes.empty());
}

TEST_F(RecordingPause, AGraphThatRefusesToPauseRecordsOn) {
  StartRecording();
  recording->pauseResult = E_FAIL;
  EXPECT_FALSE(engine->PauseRecordingGraph());
  EXPECT_EQ(TakeCalls(), std::vector<std::string>{"Pause"});
  EXPECT_TRUE(engine->asfWriter);
  EXPECT_TRUE(boxTypes.empty()) << "no box during a recording";
}

TEST_F(RecordingPause, AFailingResumeClosesTheFileShowsThePartsMessageAndBringsThePreviewBack) {
  StartRecording();
  ASSERT_TRUE(engine->PauseRecordingGraph());
  engine->ListenWhilePaused();
  TakeCalls();
  recording->runResult = E_FAIL;
  EXPECT_FALSE(engine->ResumeRecordingGraph());
  std::vector<std::string> calls = TakeCalls();
  // The listening graph stops, the run fails, and the recording graph is stopped, which closes
  // video.wmv with everything recorded before the pause; then the preview and the message.
  std::vector<std::string> preview = PreviewCalls("cam0");
  std::vector<std::string> expected = {"Stop", "Run", "Stop", "put_Visible 0", "put_Owner 0"};
  expected.insert(expected.end(), preview.begin(), preview.end());
  expected.push_back(Box("错误：无法启动视频！"));
  EXPECT_EQ(calls, expected);
  EXPECT_FALSE(engine->asfWriter);
  EXPECT_TRUE(engine->graph) << "the preview runs";

  // Later pauses and resumes of the session leave the preview alone: no writer is started anew.
  EXPECT_TRUE(engine->PauseRecordingGraph());
  EXPECT_TRUE(engine->ResumeRecordingGraph());
  EXPECT_TRUE(TakeCalls().empty());
}
