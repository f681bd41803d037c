// The microphone's level meter in the capture graphs: in the preview the chosen microphone plays
// into the meter alone, so that the teacher sees its level before recording; in the recording
// the meter sits between the microphone and the writer, so the level is that of the sound that
// goes into the lesson's video file.
#include "capture/CaptureEngine.h"

#include "capture/CaptureGuids.h"
#include "capture/ComFactory.h"
#include "dshow/LevelMeterFilter.h"

namespace {
constexpr wchar_t kMeterName[] = L"Level meter";

ComPtr<IBaseFilter> NewLevelMeter(const std::shared_ptr<dshow::SoundLevelTap>& tap) {
  return ComPtr<IBaseFilter>::Attach(new dshow::LevelMeterFilter(tap));
}
}  // namespace

void CaptureEngine::MeterPreviewMicrophone() {
  // Nothing here may stop the preview: a microphone that cannot be metered just shows no level.
  audioCapture = FindCaptureFilter(DeviceKind::Audio);
  if (!audioCapture) return;
  ComPtr<IBaseFilter> meter = NewLevelMeter(microphoneLevel_);
  if (FAILED(graph->AddFilter(audioCapture.Get(), L"ACap"))) {
    audioCapture = nullptr;
    return;
  }
  if (SUCCEEDED(graph->AddFilter(meter.Get(), kMeterName)) &&
      SUCCEEDED(builder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Audio, audioCapture.Get(), nullptr,
                                      meter.Get()))) {
    microphoneMetered_ = true;
    return;
  }
  // Removing the filters disconnects whatever was connected and gives the device back.
  graph->RemoveFilter(meter.Get());
  graph->RemoveFilter(audioCapture.Get());
  audioCapture = nullptr;
}

bool CaptureEngine::RenderMeteredSound() {
  ComPtr<IBaseFilter> meter = NewLevelMeter(microphoneLevel_);
  if (SUCCEEDED(graph->AddFilter(meter.Get(), kMeterName))) {
    if (SUCCEEDED(builder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Audio, audioCapture.Get(), meter.Get(),
                                        asfWriter.Get()))) {
      microphoneMetered_ = true;
      return true;
    }
    // The sound is recorded without a level rather than not at all.
    graph->RemoveFilter(meter.Get());
  }
  return SUCCEEDED(builder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Audio, audioCapture.Get(), nullptr,
                                         asfWriter.Get()));
}

void CaptureEngine::ListenWhilePaused() {
  StopListening();
  ComPtr<IGraphBuilder> listenGraph;
  ComPtr<ICaptureGraphBuilder2> listenBuilder;
  if (FAILED(CreateComObject(CLSID_FilterGraph, CLSCTX_INPROC_SERVER, IID_IGraphBuilder, listenGraph.OutVoid())) ||
      !listenGraph ||
      FAILED(CreateComObject(CLSID_CaptureGraphBuilder2, CLSCTX_INPROC_SERVER, IID_ICaptureGraphBuilder2,
                             listenBuilder.OutVoid())) ||
      !listenBuilder || FAILED(listenBuilder->SetFiltergraph(listenGraph.Get()))) {
    return;
  }
  // A second instance of the chosen microphone; the paused recording graph keeps its own.
  ComPtr<IBaseFilter> microphone = FindCaptureFilter(DeviceKind::Audio);
  if (!microphone) return;
  ComPtr<IBaseFilter> meter = NewLevelMeter(microphoneLevel_);
  ComPtr<IMediaControl> control;
  if (FAILED(listenGraph->AddFilter(microphone.Get(), L"ACap")) ||
      FAILED(listenGraph->AddFilter(meter.Get(), kMeterName)) ||
      FAILED(listenBuilder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Audio, microphone.Get(), nullptr,
                                         meter.Get())) ||
      FAILED(listenGraph.As(control)) || !control || FAILED(control->Run())) {
    if (control) control->Stop();
    return;
  }
  listening_ = control;
}

void CaptureEngine::StopListening() {
  if (!listening_) return;
  // Stopping gives the microphone back before the recording graph runs on with it.
  listening_->Stop();
  listening_ = nullptr;
}
