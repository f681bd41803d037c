#include "capture/CaptureEngine.h"

#include "capture/CaptureGuids.h"
#include "capture/CaptureMessages.h"
#include "capture/ComFactory.h"
#include "capture/ErrorBox.h"
#include "capture/FrameGrabber.h"
#include "framework/Text.h"

#include <dbt.h>

#include <cstddef>
#include <cstring>

namespace {
// The first and last ids of the device commands of the main window.
constexpr int kFirstVideoSlotCommand = 16;
constexpr int kFirstAudioSlotCommand = 26;
constexpr size_t kDeviceInterfaceFilterSize = 32;

ComPtr<ICreateDevEnum> CreateDeviceEnumerator(DWORD context) {
  ComPtr<ICreateDevEnum> enumerator;
  if (FAILED(CreateComObject(CLSID_SystemDeviceEnum, context, IID_ICreateDevEnum,
                             enumerator.OutVoid()))) {
    return nullptr;
  }
  return enumerator;
}

// The device-interface path of a broadcast, which names it in wide characters (as Wine and
// Windows send it to Unicode windows) or in the ANSI code page; "" when it names none.
std::string DeviceInterfacePath(const DEV_BROADCAST_HDR* header) {
  const auto* deviceInterface = reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_A*>(header);
  const size_t offset = offsetof(DEV_BROADCAST_DEVICEINTERFACE_A, dbcc_name);
  if (header->dbch_size <= offset) return "";
  const char* name = deviceInterface->dbcc_name;
  size_t bytes = header->dbch_size - offset;
  // Paths begin with "\\?\": an ASCII character followed by a zero byte is the wide form.
  if (bytes >= 2 && name[0] != 0 && name[1] == 0) {
    const auto* wide = reinterpret_cast<const wchar_t*>(name);
    return WideToAnsi(std::wstring(wide, wcsnlen(wide, bytes / sizeof(wchar_t))));
  }
  return std::string(name, strnlen(name, bytes));
}

// COM identity: two references are the same object when their IUnknowns are.
bool SameObject(IUnknown* a, IUnknown* b) {
  if (!a || !b) return false;
  ComPtr<IUnknown> ua, ub;
  if (FAILED(a->QueryInterface(IID_IUnknown, ua.OutVoid())) ||
      FAILED(b->QueryInterface(IID_IUnknown, ub.OutVoid()))) {
    return false;
  }
  return ua.Get() == ub.Get();
}
}  // namespace

CaptureEngine::CaptureEngine(CaptureHost& host) : host_(host) {}

CaptureEngine::~CaptureEngine() { UnregisterDeviceNotification(); }

void CaptureEngine::EnumerateCaptureDevices() {
  videoDevices.Clear();
  audioDevices.Clear();
  ComPtr<ICreateDevEnum> enumerator = CreateDeviceEnumerator(CLSCTX_INPROC_SERVER);
  if (!enumerator) {
    videoDevices.count = 0;
    audioDevices.count = 0;
    ErrorBox("创建设备枚举器失败！");
    return;
  }
  EnumerateDeviceSlots(enumerator.Get(), DeviceKind::Video, videoDevices);
  EnumerateDeviceSlots(enumerator.Get(), DeviceKind::Audio, audioDevices);
}

void CaptureEngine::SelectDevicesByIndex(int videoIndex, int audioIndex) {
  for (DeviceKind kind : {DeviceKind::Video, DeviceKind::Audio}) {
    DeviceSlots& devices = Devices(kind);
    int index = kind == DeviceKind::Video ? videoIndex : audioIndex;
    // The current device stays current wherever the new enumeration put it.
    bool stillPresent = devices.current && devices.Contains(devices.current.Get());
    if (!stillPresent && devices.count > 0) devices.current = devices.At(index);
  }
  if (devicesChanged) {
    videoDevices.current = videoDevices.At(videoIndex);
    audioDevices.current = audioDevices.At(audioIndex);
  }
  ComPtr<IMoniker> video = videoDevices.current;
  ComPtr<IMoniker> audio = audioDevices.current;
  SetCurrentDevices(video.Get(), audio.Get());
}

void CaptureEngine::SetCurrentDevices(IMoniker* video, IMoniker* audio) {
  if (video) video->AddRef();
  if (audio) audio->AddRef();
  videoDevices.current = ComPtr<IMoniker>::Attach(video);
  audioDevices.current = ComPtr<IMoniker>::Attach(audio);
  if (previewStarted) {
    TearDownGraph();
    BuildPreviewGraph();
  }
}

void CaptureEngine::ClampDeviceIndexes() {
  Settings& settings = host_.CaptureSettings();
  if (settings.VDeviceIndex < 0 || settings.VDeviceIndex >= videoDevices.count) {
    settings.VDeviceIndex = 0;
  }
  if (settings.ADeviceIndex < 0 || settings.ADeviceIndex >= audioDevices.count) {
    settings.ADeviceIndex = 0;
  }
}

bool CaptureEngine::HandleDeviceCommand(int id) {
  if (id >= kFirstVideoSlotCommand && id < kFirstVideoSlotCommand + kDeviceSlotCount) {
    ComPtr<IMoniker> audio = audioDevices.current;
    SetCurrentDevices(videoDevices.slots[id - kFirstVideoSlotCommand].Get(), audio.Get());
    return true;
  }
  if (id >= kFirstAudioSlotCommand && id < kFirstAudioSlotCommand + kDeviceSlotCount) {
    ComPtr<IMoniker> video = videoDevices.current;
    SetCurrentDevices(video.Get(), audioDevices.slots[id - kFirstAudioSlotCommand].Get());
    return true;
  }
  return false;
}

ComPtr<IBaseFilter> CaptureEngine::FindCaptureFilter(DeviceKind kind) {
  IMoniker* current = Devices(kind).current.Get();
  ComPtr<ICreateDevEnum> enumerator = CreateDeviceEnumerator(CLSCTX_ALL);
  if (!enumerator || !current) return nullptr;
  ComPtr<IEnumMoniker> monikers = CategoryMonikers(enumerator.Get(), kind);
  if (!monikers) return nullptr;
  for (;;) {
    ComPtr<IMoniker> moniker;
    if (monikers->Next(1, moniker.Out(), nullptr) != S_OK || !moniker) break;
    if (!MonikersEqual(current, moniker.Get())) continue;
    if (!ReadFriendlyName(moniker.Get(), nullptr)) continue;
    ComPtr<IBaseFilter> filter;
    if (SUCCEEDED(moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, filter.OutVoid())) &&
        filter) {
      return filter;
    }
  }
  return nullptr;
}

SIZE CaptureEngine::PreviewAreaSize() const {
  RECT area{};
  GetWindowRect(host_.PreviewArea(), &area);
  return {area.right - area.left, area.bottom - area.top};
}

void CaptureEngine::PlaceVideoWindow(IVideoWindow* window) {
  SIZE size = PreviewAreaSize();
  window->put_Owner(reinterpret_cast<OAHWND>(host_.PreviewArea()));
  window->SetWindowPosition(0, 0, size.cx, size.cy);
  window->put_WindowStyle(WS_CHILD | WS_CLIPSIBLINGS);
  window->put_Visible(OATRUE);
}

bool CaptureEngine::HasVideoPortPin() {
  ComPtr<IPin> pin;
  return SUCCEEDED(builder->FindPin(videoCapture.Get(), PINDIR_OUTPUT, &PIN_CATEGORY_VIDEOPORT,
                                    nullptr, FALSE, 0, pin.Out())) &&
         pin;
}

void CaptureEngine::RenderPreviewThroughGrabber(IBaseFilter* sink) {
  ComPtr<IBaseFilter> grabberFilter;
  grabber.As(grabberFilter);
  if (SUCCEEDED(builder->RenderStream(&PIN_CATEGORY_PREVIEW, &MEDIATYPE_Interleaved,
                                      videoCapture.Get(), grabberFilter.Get(), sink))) {
    return;
  }
  if (SUCCEEDED(builder->RenderStream(&PIN_CATEGORY_PREVIEW, &MEDIATYPE_Video, videoCapture.Get(),
                                      grabberFilter.Get(), sink))) {
    return;
  }
  builder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, videoCapture.Get(),
                        grabberFilter.Get(), sink);
}

void CaptureEngine::NotifyMainWindow() {
  if (SUCCEEDED(graph.As(graphEvents)) && graphEvents) {
    graphEvents->SetNotifyWindow(reinterpret_cast<OAHWND>(host_.MainWindow()), WM_GRAPHNOTIFY, 0);
  }
}

HRESULT CaptureEngine::BuildPreviewGraph() {
  if (FAILED(CreateComObject(CLSID_FilterGraph, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                             graph.OutVoid())) || !graph) {
    ErrorBox("Could not create filter graph");
    return E_FAIL;
  }
  videoCapture = FindCaptureFilter(DeviceKind::Video);
  if (!videoCapture) {
    ErrorBox("未发现任何视频采集设备!请检查摄像头连接!");
    return E_FAIL;
  }
  if (FAILED(graph->AddFilter(videoCapture.Get(), L"VideoPreview"))) {
    ErrorBox("错误：无法进行视频捕捉！");
    return E_FAIL;
  }
  HRESULT hr = CreateComObject(CLSID_SampleGrabberFilter, CLSCTX_INPROC_SERVER, IID_ISampleGrabber,
                               grabber.OutVoid());
  if (FAILED(hr) || !grabber) {
    ErrorBox("错误：无法创建图过滤器！");
    return FAILED(hr) ? hr : E_FAIL;
  }
  hr = SetGrabberMediaType();
  if (FAILED(hr)) {
    ErrorBox("设置媒体类型失败！");
    return hr;
  }
  hr = CreateComObject(CLSID_CaptureGraphBuilder2, CLSCTX_INPROC_SERVER, IID_ICaptureGraphBuilder2,
                       builder.OutVoid());
  if (FAILED(hr) || !builder) {
    ErrorBox("错误：无法创建图过滤器！");
    return FAILED(hr) ? hr : E_FAIL;
  }
  if (FAILED(builder->SetFiltergraph(graph.Get()))) {
    ErrorBox("错误：无法向构造器发送图片！");
    return E_FAIL;
  }
  ComPtr<IBaseFilter> grabberFilter;
  grabber.As(grabberFilter);
  hr = grabberFilter ? graph->AddFilter(grabberFilter.Get(), L"Grabber") : E_NOINTERFACE;
  if (FAILED(hr)) {
    ErrorBox("Could not put sample grabber in graph");
    return hr;
  }
  ComPtr<IBaseFilter> nullRenderer;
  if (HasVideoPortPin()) {
    if (FAILED(CreateComObject(CLSID_NullRendererFilter, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                               nullRenderer.OutVoid())) || !nullRenderer) {
      ErrorBox("Unable to make a NULL renderer");
      return S_OK;
    }
    hr = graph->AddFilter(nullRenderer.Get(), L"NULL renderer");
    if (FAILED(hr)) {
      ErrorBox("错误：无法向图过滤器添加视频切片！");
      return hr;
    }
  }
  RenderPreviewThroughGrabber(nullRenderer.Get());
  hr = ConfigureGrabberCallback();
  if (FAILED(hr)) {
    ErrorBox("Can't set grabber property");
    return hr;
  }
  // The preview's video window is placed once and then left to the graph.
  ComPtr<IVideoWindow> window;
  if (FAILED(graph.As(window)) || !window) {
    ErrorBox("未发现任何视频采集设备!请检查摄像头连接!");
    return E_FAIL;
  }
  PlaceVideoWindow(window.Get());
  window = nullptr;
  MeterPreviewMicrophone();
  ComPtr<IMediaControl> control;
  hr = graph.As(control);
  if (SUCCEEDED(hr) && control) hr = control->Run();
  if (FAILED(hr)) {
    ErrorBox("Could not run graph");
    return hr;
  }
  NotifyMainWindow();
  previewStarted = 1;
  return S_OK;
}

void CaptureEngine::TearDownGraph() {
  StopListening();
  if (graph) {
    ComPtr<IMediaControl> control;
    if (SUCCEEDED(graph.As(control)) && control) control->Stop();
    ComPtr<IVideoWindow> window;
    if (SUCCEEDED(graph.As(window)) && window) {
      window->put_Visible(OAFALSE);
      window->put_Owner(0);
    }
    graph = nullptr;
    grabber = nullptr;
  }
  // The recording graph's video window keeps the graph manager alive and the stream
  // configuration keeps the camera's capture pin open; a camera that allows one open pin
  // could not be built into the next graph while either is held.
  videoWindow = nullptr;
  videoStreamConfig = nullptr;
  videoCapture = nullptr;
  audioCapture = nullptr;
  graphEvents = nullptr;
  builder = nullptr;
  grabber = nullptr;
  titleOverlay = nullptr;
  asfWriter = nullptr;
  microphoneMetered_ = false;
}

HRESULT CaptureEngine::SetGrabberMediaType() {
  return ::SetGrabberMediaType(grabber.Get(), ScreenBitsPerPixel());
}

HRESULT CaptureEngine::ConfigureGrabberCallback() {
  return ::ConfigureGrabberCallback(grabber.Get(), host_.MainWindow());
}

void CaptureEngine::RegisterDeviceNotification() {
  using RegisterFn = HDEVNOTIFY(WINAPI*)(HANDLE, LPVOID, DWORD);
  HMODULE user32 = GetModuleHandleA("user32.dll");
  if (!user32) return;
  auto registerNotification =
      reinterpret_cast<RegisterFn>(GetProcAddress(user32, "RegisterDeviceNotificationA"));
  unregisterDeviceNotification_ =
      reinterpret_cast<UnregisterFn>(GetProcAddress(user32, "UnregisterDeviceNotification"));
  if (!registerNotification) return;
  DEV_BROADCAST_DEVICEINTERFACE_A filter{};
  static_assert(sizeof(filter) == kDeviceInterfaceFilterSize, "filter layout");
  filter.dbcc_size = sizeof(filter);
  filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  filter.dbcc_classguid = KSCATEGORY_CAPTURE_Class;
  deviceNotification_ = registerNotification(host_.MainWindow(), &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
}

void CaptureEngine::UnregisterDeviceNotification() {
  if (deviceNotification_ && unregisterDeviceNotification_) {
    unregisterDeviceNotification_(deviceNotification_);
  }
  deviceNotification_ = nullptr;
}

bool CaptureEngine::HandleDeviceChange(WPARAM event, LPARAM data) {
  if (event != DBT_DEVICEARRIVAL && event != DBT_DEVICEREMOVECOMPLETE) return false;
  const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(data);
  if (!header || header->dbch_devicetype != DBT_DEVTYP_DEVICEINTERFACE ||
      header->dbch_size < sizeof(DEV_BROADCAST_DEVICEINTERFACE_A)) {
    return false;
  }
  const auto* deviceInterface = reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_A*>(header);
  if (deviceInterface->dbcc_classguid != KSCATEGORY_CAPTURE_Class) return false;
  if (capturing) {
    // A device that comes or goes never ends the recording. The devices are looked at once this
    // notification is answered: it is sent from another process, and graph work inside it could
    // not make the calls it needs.
    if (event == DBT_DEVICEREMOVECOMPLETE) removedPaths_.push_back(DeviceInterfacePath(header));
    PostMessageA(host_.MainWindow(), WM_RECORDINGDEVICES, 0, 0);
    return true;
  }
  // A lost camera is reported by the graph's own event.
  if (event == DBT_DEVICEREMOVECOMPLETE) return true;

  if (!previewStarted) {
    ClampDeviceIndexes();
    EnumerateCaptureDevices();
    const Settings& settings = host_.CaptureSettings();
    SelectDevicesByIndex(settings.VDeviceIndex, settings.ADeviceIndex);
  }
  TearDownGraph();
  BuildPreviewGraph();
  host_.CameraArrived();
  return true;
}

void CaptureEngine::CaptureNotice() {
  // The recording goes on; the next press of the record button ends it.
  if (capturing) ErrorBox("错误：无法停止播放！");
}

bool CaptureEngine::IsGraphDevice(LONG_PTR device, IBaseFilter* filter) {
  if (!device || !filter) return false;
  ComPtr<IBaseFilter> lost;
  auto* unknown = reinterpret_cast<IUnknown*>(device);
  return SUCCEEDED(unknown->QueryInterface(IID_IBaseFilter, lost.OutVoid())) && SameObject(lost.Get(), filter);
}

void CaptureEngine::HandleGraphEvents() {
  if (!graphEvents) return;
  bool aborted = false;
  HRESULT abortCode = S_OK;
  long code = 0;
  LONG_PTR first = 0, second = 0;
  // The notice boxes are modal: a graph notification or a device change handled while one is
  // shown may tear this graph down. So each event is looked at and freed before any box, and
  // the loop asks again for the event interface after every box.
  while (graphEvents && graphEvents->GetEvent(&code, &first, &second, 0) == S_OK) {
    bool abort = code == EC_ERRORABORT;
    bool removed = code == EC_DEVICE_LOST && second == 0;
    bool cameraLost = removed && IsGraphDevice(first, videoCapture.Get());
    // The preview's microphone only feeds the meter; only a recording's is missed.
    bool microphoneLost = removed && capturing && IsGraphDevice(first, audioCapture.Get());
    if (abort) {
      abortCode = static_cast<HRESULT>(first);
      aborted = true;
    }
    graphEvents->FreeEventParams(code, first, second);
    if (abort) CaptureNotice();
    if (capturing && (cameraLost || microphoneLost)) {
      // The recording goes on without the device; the teacher is told without a box.
      LoseRecordingDevice(cameraLost ? DeviceKind::Video : DeviceKind::Audio);
      return;
    }
    if (cameraLost) {
      ErrorBox("摄像头已断开连接!");
      return;
    }
  }
  if (aborted) {
    TearDownGraph();
    BuildPreviewGraph();
    ErrorBox(Format("视频捕捉过程中出错, 错误代码=%08x", static_cast<unsigned>(abortCode)));
  }
}

void CaptureEngine::InitScreenProfileWriter() {
  HDC dc = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
  int width = dc ? GetDeviceCaps(dc, HORZRES) : 0;
  int height = dc ? GetDeviceCaps(dc, VERTRES) : 0;
  if (dc) DeleteDC(dc);
  screenWriter.Init(LoadWindowsMediaRuntime(), width, height);
}
