// The recording graph: camera (through the title overlay when it is switched on) and microphone
// into the WM ASF Writer, the camera's preview through the grabber into the preview area.
#include "capture/CaptureEngine.h"

#include "capture/CaptureGuids.h"
#include "capture/ComFactory.h"
#include "capture/ErrorBox.h"
#include "capture/FrameGrabber.h"
#include "capture/TitleOverlay.h"
#include "framework/Text.h"

#include <dvdmedia.h>

#include <climits>

namespace {
constexpr REFERENCE_TIME kLatestTime = 0x7FFFFFFFFFFFFFFFLL;
constexpr double kUnitsPerSecond = 10000000.0;
}  // namespace

const char kVideoFileRefused[] = "错误：无法创建视频文件！\r\n本次录制只保存屏幕录像。";

bool CaptureEngine::BuildRecordingGraph() {
  // A part of a recording records the devices that are present (DeviceDropouts.cpp); a new
  // recording records both.
  const bool camera = Records(DeviceKind::Video);
  const bool microphone = Records(DeviceKind::Audio);
  if (!builder) {
    CreateComObject(CLSID_CaptureGraphBuilder2, CLSCTX_ALL, IID_ICaptureGraphBuilder2,
                    builder.OutVoid());
  }
  if (!builder) {
    ErrorBox("错误：无法创建图过滤器！");
    return false;
  }
  const Settings& settings = host_.CaptureSettings();
  // A title filter that cannot be created (its DLL missing or broken) is reported, and the
  // camera is recorded without a title.
  if (camera && settings.EnableTitle &&
      (FAILED(CreateComObject(CLSID_TitleOverlay, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                              titleOverlay.OutVoid())) || !titleOverlay)) {
    titleOverlay = nullptr;
    CaptureAppBox("错误：无法创建图过滤器！");
  }
  if (FAILED(CreateComObject(CLSID_WMAsfWriterFilter, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                             asfWriter.OutVoid())) || !asfWriter) {
    CaptureAppBox("错误：无法创建图过滤器！");
    return false;
  }
  if (camera && !videoCapture) videoCapture = FindCaptureFilter(DeviceKind::Video);
  if (camera && !videoCapture) {
    ErrorBox("There is NO USB Camera for video capture!Please check!");
    return false;
  }
  if (FAILED(CreateComObject(CLSID_FilterGraph, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                             graph.OutVoid())) || !graph) {
    ErrorBox("Could not create filter graph");
    return false;
  }
  if (FAILED(builder->SetFiltergraph(graph.Get()))) {
    ErrorBox("错误：无法向构造器发送图片！");
    return false;
  }
  if (camera && !AddRecordedCamera()) return false;
  if (FAILED(graph->AddFilter(asfWriter.Get(), L"AsfWriter"))) {
    asfWriterAddFailed = 1;
    return false;
  }
  // A part without one of the devices is written with the writer's profile less that stream.
  if (!camera) ConfigureWriterWithout(DeviceKind::Video);
  if (!microphone) ConfigureWriterWithout(DeviceKind::Audio);
  if (microphone) {
    audioCapture = FindCaptureFilter(DeviceKind::Audio);
    if (!audioCapture) {
      ErrorBox("没有找到语音输入设备，请检查。");
      return false;
    }
    if (FAILED(graph->AddFilter(audioCapture.Get(), L"ACap"))) {
      ErrorBox("错误：无法像图过滤器添加音频切片！");
      return false;
    }
  }
  recordingGraphBuilt = 1;
  return true;
}

bool CaptureEngine::AddRecordedCamera() {
  if (FAILED(graph->AddFilter(videoCapture.Get(), L"VCap"))) {
    ErrorBox("错误：无法向图过滤器添加视频切片！");
    return false;
  }
  if (FAILED(builder->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Interleaved,
                                    videoCapture.Get(), IID_IAMStreamConfig,
                                    videoStreamConfig.OutVoid())) &&
      FAILED(builder->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, videoCapture.Get(),
                                    IID_IAMStreamConfig, videoStreamConfig.OutVoid()))) {
    ErrorBox("错误：无法进行视频捕捉！");
    return false;
  }
  if (titleOverlay) {
    if (FAILED(graph->AddFilter(titleOverlay.Get(), L"TitleOverlay"))) {
      ErrorBox("错误：无法添加重叠字幕！");
      return false;
    }
    ConfigureTitleOverlay();
  }
  return true;
}

bool CaptureEngine::ConfigureTitleOverlay() {
  return ::ConfigureTitleOverlay(titleOverlay.Get(), host_.CaptureSettings(), TitlePictureSize());
}

SIZE CaptureEngine::TitlePictureSize() const {
  // The title is drawn into the camera's frames, so its start positions are measured in them: a
  // preview area larger than the picture would put a bottom or right title outside the frames,
  // where nothing of it is seen. The preview area stands in when the camera tells no frame size.
  SIZE size = PreviewAreaSize();
  AM_MEDIA_TYPE* format = nullptr;
  if (!videoStreamConfig || FAILED(videoStreamConfig->GetFormat(&format)) || !format) return size;
  const BITMAPINFOHEADER* header = nullptr;
  if (format->formattype == FORMAT_VideoInfo && format->pbFormat && format->cbFormat >= sizeof(VIDEOINFOHEADER))
    header = &reinterpret_cast<VIDEOINFOHEADER*>(format->pbFormat)->bmiHeader;
  else if (format->formattype == FORMAT_VideoInfo2 && format->pbFormat &&
           format->cbFormat >= sizeof(VIDEOINFOHEADER2))
    header = &reinterpret_cast<VIDEOINFOHEADER2*>(format->pbFormat)->bmiHeader;
  if (header && header->biWidth > 0 && header->biHeight != 0 && header->biHeight != LONG_MIN)
    size = {header->biWidth, header->biHeight < 0 ? -header->biHeight : header->biHeight};
  DeleteMediaTypeBlock(format);
  return size;
}

bool CaptureEngine::ConnectRecordingGraph(const std::string& videoOutputPath) {
  const bool camera = Records(DeviceKind::Video);
  const bool microphone = Records(DeviceKind::Audio);
  if (!graph || !builder || !asfWriter || (camera && !videoCapture) || (microphone && !audioCapture)) return false;
  ComPtr<IFileSinkFilter> sink;
  if (FAILED(asfWriter.As(sink)) || !sink ||
      FAILED(sink->SetFileName(AnsiToWide(videoOutputPath).c_str(), nullptr))) {
    // The camera cannot be recorded, but the screen recording that follows still runs.
    ErrorBox(kVideoFileRefused);
    return false;
  }
  if (camera && !ConnectRecordedCamera()) return false;
  if (microphone && !RenderMeteredSound()) {
    ErrorBox("无法渲染音频流！");
    return false;
  }
  if (camera) {
    if (FAILED(graph.As(videoWindow)) || !videoWindow) {
      ErrorBox("该图无法预览！");
    } else {
      PlaceVideoWindow(videoWindow.Get());
    }
    SetCaptureFrameRate();
  }
  NotifyMainWindow();
  return true;
}

bool CaptureEngine::ConnectRecordedCamera() {
  IBaseFilter* overlay = titleOverlay.Get();  // null when the title is off or was not made
  if (FAILED(builder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Interleaved,
                                   videoCapture.Get(), overlay, asfWriter.Get())) &&
      FAILED(builder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, videoCapture.Get(),
                                   overlay, asfWriter.Get()))) {
    ErrorBox("无法渲染视频流！");
    return false;
  }
  if (FAILED(CreateComObject(CLSID_SampleGrabberFilter, CLSCTX_ALL, IID_ISampleGrabber,
                             grabber.OutVoid())) || !grabber) {
    ErrorBox("Could not create SampleGrabber (is qedit.dll registered?)");
    return false;
  }
  if (FAILED(SetGrabberMediaType())) {
    ErrorBox("设置媒体类型失败！");
    return false;
  }
  ComPtr<IBaseFilter> grabberFilter;
  if (FAILED(grabber.As(grabberFilter)) || !grabberFilter ||
      FAILED(graph->AddFilter(grabberFilter.Get(), L"Grabber"))) {
    ErrorBox("Could not put sample grabber in graph");
    return false;
  }
  ComPtr<IBaseFilter> nullRenderer;
  if (HasVideoPortPin()) {
    if (FAILED(CreateComObject(CLSID_NullRendererFilter, CLSCTX_ALL, IID_IBaseFilter,
                               nullRenderer.OutVoid())) || !nullRenderer) {
      ErrorBox("Unable to make a NULL renderer");
      return false;
    }
    if (FAILED(graph->AddFilter(nullRenderer.Get(), L"NULL renderer"))) {
      ErrorBox("错误：无法像图过滤器添加音频切片！");
      return false;
    }
  }
  RenderPreviewThroughGrabber(nullRenderer.Get());
  if (FAILED(ConfigureGrabberCallback())) {
    ErrorBox("Can't set grabber property");
    return false;
  }
  return true;
}

void CaptureEngine::SetCaptureFrameRate() {
  if (!videoStreamConfig) return;
  AM_MEDIA_TYPE* format = nullptr;
  if (FAILED(videoStreamConfig->GetFormat(&format)) || !format) {
    ErrorBox("Cannot set frame rate for capture");
    return;
  }
  if (format->formattype == FORMAT_VideoInfo && format->pbFormat &&
      format->cbFormat >= sizeof(VIDEOINFOHEADER)) {
    auto* info = reinterpret_cast<VIDEOINFOHEADER*>(format->pbFormat);
    info->AvgTimePerFrame = static_cast<REFERENCE_TIME>(kUnitsPerSecond / captureFrameRate);
    if (FAILED(videoStreamConfig->SetFormat(format))) ErrorBox("Cannot set frame rate for capture");
  }
  DeleteMediaTypeBlock(format);
}

bool CaptureEngine::StartRecordingGraph() {
  if (!graph || !builder) return false;
  // The capture stream is held back until the whole graph has prerolled.
  REFERENCE_TIME latest = kLatestTime;
  builder->ControlStream(&PIN_CATEGORY_CAPTURE, nullptr, nullptr, &latest, nullptr, 0, 0);
  ComPtr<IMediaControl> control;
  if (FAILED(graph.As(control)) || !control) {
    ErrorBox("无法获得媒体控制！");
    return false;
  }
  if (FAILED(control->Run())) {
    control->Stop();
    control = nullptr;
    ErrorBox("错误：无法启动视频！");
    return false;
  }
  builder->ControlStream(&PIN_CATEGORY_CAPTURE, nullptr, nullptr, nullptr, &latest, 0, 0);
  return true;
}
