#include "tests/capture/DShowFakes.h"

#include "capture/CaptureGuids.h"
#include "capture/ComFactory.h"
#include "dshow/LevelMeterFilter.h"
#include "framework/Text.h"
#include "testbed/wmformat/WmMediaType.h"
#include "testbed/wmformat/WmProfile.h"

#include <algorithm>
#include <amvideo.h>
#include <cstring>
#include <oleauto.h>

namespace fakes {

int& LiveObjects() {
  static int live = 0;
  return live;
}

std::vector<std::string>& Calls() {
  static std::vector<std::string> calls;
  return calls;
}

std::string GuidName(const GUID* guid) {
  if (!guid) return "null";
  const struct { const GUID* id; const char* name; } known[] = {
      {&PIN_CATEGORY_PREVIEW, "PREVIEW"},     {&PIN_CATEGORY_CAPTURE, "CAPTURE"},
      {&PIN_CATEGORY_VIDEOPORT, "VIDEOPORT"}, {&MEDIATYPE_Video, "Video"},
      {&MEDIATYPE_Interleaved, "Interleaved"}, {&MEDIATYPE_Audio, "Audio"},
      {&MEDIASUBTYPE_RGB8, "RGB8"},           {&MEDIASUBTYPE_RGB555, "RGB555"},
      {&MEDIASUBTYPE_RGB565, "RGB565"},       {&MEDIASUBTYPE_RGB24, "RGB24"},
      {&MEDIASUBTYPE_RGB32, "RGB32"},         {&GUID_NULL, "GUID_NULL"}};
  for (const auto& k : known) {
    if (*k.id == *guid) return k.name;
  }
  return "?";
}

std::string HexValue(UINT_PTR value) { return Format("%lx", static_cast<unsigned long>(value)); }

std::string LabelOf(IUnknown* object) {
  if (!object) return "null";
  if (dynamic_cast<dshow::LevelMeterFilter*>(object)) return "meter";  // the engine's own filter
  auto* labelled = dynamic_cast<Labelled*>(object);
  return labelled ? labelled->label : "?";
}

namespace {
void Log(const std::string& call) { Calls().push_back(call); }
HRESULT Refusable(const std::string& refuseAt, const char* operation) {
  return refuseAt == operation ? E_FAIL : S_OK;
}
}  // namespace

// --- stream configuration ---

HRESULT FakeStreamConfig::GetFormat(AM_MEDIA_TYPE** type) {
  Log("GetFormat");
  if (FAILED(getFormatResult)) return getFormatResult;
  auto* mt = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
  *mt = AM_MEDIA_TYPE{};
  mt->majortype = MEDIATYPE_Video;
  mt->subtype = MEDIASUBTYPE_RGB24;
  mt->formattype = formatType;
  mt->cbFormat = sizeof(VIDEOINFOHEADER);
  mt->pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(sizeof(VIDEOINFOHEADER)));
  auto* info = reinterpret_cast<VIDEOINFOHEADER*>(mt->pbFormat);
  *info = VIDEOINFOHEADER{};
  info->AvgTimePerFrame = 333333;
  info->bmiHeader.biWidth = width;
  info->bmiHeader.biHeight = height;
  *type = mt;
  return S_OK;
}

HRESULT FakeStreamConfig::SetFormat(AM_MEDIA_TYPE* type) {
  ++setFormatCalls;
  setAvgTimePerFrame = reinterpret_cast<VIDEOINFOHEADER*>(type->pbFormat)->AvgTimePerFrame;
  Log("SetFormat " + std::to_string(setAvgTimePerFrame));
  return setFormatResult;
}

// --- filters ---

FakeFilter::~FakeFilter() {
  if (streamConfig) streamConfig->Release();
}

HRESULT FakeAsfWriter::SetFileName(LPCOLESTR name, const AM_MEDIA_TYPE* type) {
  fileName = name ? name : L"";
  Log(std::string("SetFileName ") + WideToAnsi(fileName) + (type ? " with type" : ""));
  return setFileNameResult;
}

HRESULT FakeAsfWriter::ConfigureFilterUsingProfile(IWMProfile* profile) {
  std::vector<std::string> streams;
  DWORD count = 0;
  profile->GetStreamCount(&count);
  for (DWORD i = 0; i < count; ++i) {
    ComPtr<IWMStreamConfig> stream;
    GUID type = GUID_NULL;
    if (SUCCEEDED(profile->GetStream(i, stream.Out()))) stream->GetStreamType(&type);
    streams.push_back(type == testbed::kWmVideo ? "video" : type == testbed::kWmAudio ? "audio" : "?");
  }
  std::string text = "ConfigureFilterUsingProfile";
  for (const std::string& stream : streams) text += " " + stream;
  Log(text);
  profileStreams = streams;
  return S_OK;
}

HRESULT FakeAsfWriter::GetCurrentProfile(IWMProfile** out) {
  auto* profile = new testbed::WmProfile(WMT_VER_9_0);
  profile->SetName(L"fake writer");
  WORD number = 0;
  for (const std::string& kind : profileStreams) {
    const GUID& type = kind == "video" ? testbed::kWmVideo : testbed::kWmAudio;
    ComPtr<IWMStreamConfig> stream;
    profile->CreateNewStream(type, stream.Out());
    ComPtr<IWMMediaProps> props;
    stream.As(props);
    WM_MEDIA_TYPE media{};
    media.majortype = type;
    props->SetMediaType(&media);
    stream->SetStreamNumber(++number);
    profile->AddStream(stream.Get());
  }
  *out = profile;
  return S_OK;
}

HRESULT FakeTitleOverlay::SetTitleType(int type) {
  Log("SetTitleType " + std::to_string(type));
  return Refusable(refuseAt, "SetTitleType");
}

HRESULT FakeTitleOverlay::SetTitleText(const char* text, int length) {
  Log("SetTitleText " + std::string(text, static_cast<size_t>(length)) + " " + std::to_string(length));
  return Refusable(refuseAt, "SetTitleText");
}

HRESULT FakeTitleOverlay::SetTitleColor(BYTE red, BYTE green, BYTE blue) {
  Log(Format("SetTitleColor %d %d %d", red, green, blue));
  return Refusable(refuseAt, "SetTitleColor");
}

HRESULT FakeTitleOverlay::SetTitleStartPosition(int x, int y) {
  Log(Format("SetTitleStartPosition %d %d", x, y));
  return Refusable(refuseAt, "SetTitleStartPosition");
}

HRESULT FakeTitleOverlay::SetTitleFont(LOGFONTA given) {
  Log(Format("SetTitleFont %ld %s %ld", given.lfHeight, given.lfFaceName, given.lfWeight));
  return Refusable(refuseAt, "SetTitleFont");
}

HRESULT FakeTitleOverlay::GetTitleFont(LOGFONTA* out) {
  Log("GetTitleFont");
  *out = font;
  return Refusable(refuseAt, "GetTitleFont");
}

// --- sample grabber ---

HRESULT FakeSampleGrabber::SetOneShot(WINBOOL oneShot) {
  Log("SetOneShot " + std::to_string(oneShot));
  return S_OK;
}

HRESULT FakeSampleGrabber::SetMediaType(const AM_MEDIA_TYPE* type) {
  Log("SetMediaType " + GuidName(&type->majortype) + " " + GuidName(&type->subtype) + " " +
      GuidName(&type->formattype));
  return setMediaTypeResult;
}

HRESULT FakeSampleGrabber::GetConnectedMediaType(AM_MEDIA_TYPE* type) {
  Log("GetConnectedMediaType");
  if (FAILED(connectedResult)) return connectedResult;
  *type = AM_MEDIA_TYPE{};
  type->majortype = MEDIATYPE_Video;
  type->formattype = FORMAT_VideoInfo;
  type->cbFormat = sizeof(VIDEOINFOHEADER);
  type->pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(sizeof(VIDEOINFOHEADER)));
  auto* info = reinterpret_cast<VIDEOINFOHEADER*>(type->pbFormat);
  *info = VIDEOINFOHEADER{};
  info->bmiHeader.biWidth = 320;
  info->bmiHeader.biHeight = 240;
  return S_OK;
}

HRESULT FakeSampleGrabber::SetBufferSamples(WINBOOL bufferThem) {
  Log("SetBufferSamples " + std::to_string(bufferThem));
  return S_OK;
}

HRESULT FakeSampleGrabber::SetCallback(ISampleGrabberCB* cb, LONG which) {
  callback = cb;
  Log("SetCallback " + std::to_string(which));
  return setCallbackResult;
}

// --- capture graph builder ---

FakeCaptureBuilder::FakeCaptureBuilder() {
  // Like a camera without an interleaved stream.
  refused.insert({"PREVIEW", "Interleaved"});
  refused.insert({"CAPTURE", "Interleaved"});
}

HRESULT FakeCaptureBuilder::SetFiltergraph(IGraphBuilder* graph) {
  Log(std::string("SetFiltergraph") + (graph ? "" : " null"));
  return setFiltergraphResult;
}

HRESULT FakeCaptureBuilder::FindInterface(const GUID* category, const GUID* type,
                                          IBaseFilter* filter, REFIID iid, void** out) {
  Log("FindInterface " + GuidName(category) + " " + GuidName(type) + " " + LabelOf(filter));
  *out = nullptr;
  auto* camera = dynamic_cast<FakeFilter*>(filter);
  if (iid != IID_IAMStreamConfig || !camera || !camera->streamConfig ||
      !streamConfigTypes.count(GuidName(type))) {
    return E_NOINTERFACE;
  }
  camera->streamConfig->AddRef();
  *out = static_cast<IAMStreamConfig*>(camera->streamConfig);
  return S_OK;
}

HRESULT FakeCaptureBuilder::RenderStream(const GUID* category, const GUID* type, IUnknown* source,
                                         IBaseFilter* intermediate, IBaseFilter* sink) {
  Log("RenderStream " + GuidName(category) + " " + GuidName(type) + " " + LabelOf(source) + " " +
      LabelOf(intermediate) + " " + LabelOf(sink));
  if (refuseMeter && (LabelOf(intermediate) == "meter" || LabelOf(sink) == "meter")) return E_FAIL;
  return refused.count({GuidName(category), GuidName(type)}) ? E_FAIL : S_OK;
}

HRESULT FakeCaptureBuilder::ControlStream(const GUID* category, const GUID* type, IBaseFilter* filter,
                                          REFERENCE_TIME* start, REFERENCE_TIME* stop, WORD startCookie,
                                          WORD stopCookie) {
  auto time = [](REFERENCE_TIME* t) { return t ? Format("%llx", static_cast<unsigned long long>(*t)) : std::string("null"); };
  Log("ControlStream " + GuidName(category) + " " + GuidName(type) + " " + LabelOf(filter) + " " +
      time(start) + " " + time(stop) + " " + std::to_string(startCookie) + " " +
      std::to_string(stopCookie));
  return S_OK;
}

HRESULT FakeCaptureBuilder::FindPin(IUnknown* source, PIN_DIRECTION direction, const GUID* category,
                                    const GUID* type, WINBOOL unconnected, int index, IPin** pin) {
  Log("FindPin " + LabelOf(source) + (direction == PINDIR_OUTPUT ? " out " : " in ") +
      GuidName(category) + " " + GuidName(type) + " " + std::to_string(unconnected) + " " +
      std::to_string(index));
  *pin = nullptr;
  auto* camera = dynamic_cast<FakeFilter*>(source);
  if (!camera || !camera->hasVideoPortPin || !category || *category != PIN_CATEGORY_VIDEOPORT) {
    return E_FAIL;
  }
  *pin = new FakePin;
  return S_OK;
}

// --- filter graph ---

FakeGraph::FakeGraph() { ++Live(); }

FakeGraph::~FakeGraph() {
  // Events still queued free their parameters with the graph.
  for (const Event& event : events) {
    if (event.code == EC_DEVICE_LOST && event.first) reinterpret_cast<IUnknown*>(event.first)->Release();
  }
  for (IBaseFilter* filter : filters_) filter->Release();
  --Live();
}

int& FakeGraph::Live() {
  static int live = 0;
  return live;
}

HRESULT FakeGraph::QueryInterface(REFIID iid, void** out) {
  if ((iid == IID_IVideoWindow && !offersVideoWindow) ||
      (iid == IID_IMediaControl && !offersMediaControl)) {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  return ComFake::QueryInterface(iid, out);
}

void* FakeGraph::Extra(REFIID iid) {
  if (iid == IID_IFilterGraph) return static_cast<IGraphBuilder*>(this);
  if (iid == IID_IMediaEvent) return static_cast<IMediaEventEx*>(this);
  return nullptr;
}

HRESULT FakeGraph::AddFilter(IBaseFilter* filter, LPCWSTR name) {
  std::string text = WideToAnsi(name ? name : L"");
  Log("AddFilter " + text + " " + LabelOf(filter));
  if (refusedNames.count(text)) return E_FAIL;
  filter->AddRef();
  filters_.push_back(filter);
  return S_OK;
}

HRESULT FakeGraph::RemoveFilter(IBaseFilter* filter) {
  Log("RemoveFilter " + LabelOf(filter));
  auto at = std::find(filters_.begin(), filters_.end(), filter);
  if (at == filters_.end()) return E_FAIL;
  filters_.erase(at);
  filter->Release();
  return S_OK;
}

HRESULT FakeGraph::Run() {
  Log("Run");
  return runResult;
}

HRESULT FakeGraph::Pause() {
  Log("Pause");
  return pauseResult;
}

HRESULT FakeGraph::Stop() {
  Log("Stop");
  return S_OK;
}

HRESULT FakeGraph::GetEvent(LONG* code, LONG_PTR* first, LONG_PTR* second, LONG timeout) {
  if (events.empty()) return E_ABORT;
  Log("GetEvent " + std::to_string(timeout));
  *code = events.front().code;
  *first = events.front().first;
  *second = events.front().second;
  events.pop_front();
  return S_OK;
}

HRESULT FakeGraph::FreeEventParams(LONG code, LONG_PTR first, LONG_PTR) {
  Log("FreeEventParams " + std::to_string(code));
  // The device of EC_DEVICE_LOST travels with one reference that the event owns.
  if (code == EC_DEVICE_LOST && first) reinterpret_cast<IUnknown*>(first)->Release();
  return S_OK;
}

HRESULT FakeGraph::SetNotifyWindow(OAHWND window, LONG message, LONG_PTR data) {
  Log("SetNotifyWindow " + HexValue(window) + " " + HexValue(message) + " " + HexValue(data));
  return S_OK;
}

HRESULT FakeGraph::put_WindowStyle(LONG style) {
  Log("put_WindowStyle " + HexValue(static_cast<ULONG>(style)));
  return S_OK;
}

HRESULT FakeGraph::put_Visible(LONG visible) {
  Log("put_Visible " + std::to_string(visible));
  return S_OK;
}

HRESULT FakeGraph::put_Owner(OAHWND owner) {
  Log("put_Owner " + HexValue(owner));
  return S_OK;
}

HRESULT FakeGraph::SetWindowPosition(LONG left, LONG top, LONG width, LONG height) {
  Log(Format("SetWindowPosition %ld %ld %ld %ld", left, top, width, height));
  return S_OK;
}

// --- devices ---

namespace {
class FakePropertyBag : public ComFake<IPropertyBag> {
public:
  FakePropertyBag(std::string name, std::string path) : name_(std::move(name)), path_(std::move(path)) {}
  HRESULT STDMETHODCALLTYPE Read(LPCOLESTR property, VARIANT* value, IErrorLog*) override {
    const std::string* text = wcscmp(property, L"FriendlyName") == 0 ? &name_
                              : wcscmp(property, L"DevicePath") == 0 ? &path_
                                                                     : nullptr;
    if (!text) return E_INVALIDARG;
    if (text->empty()) return E_FAIL;
    value->vt = VT_BSTR;
    value->bstrVal = SysAllocString(AnsiToWide(*text).c_str());
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Write(LPCOLESTR, VARIANT*) override { return E_NOTIMPL; }

private:
  std::string name_;
  std::string path_;
};

class FakeEnumMoniker : public ComFake<IEnumMoniker> {
public:
  explicit FakeEnumMoniker(const std::vector<FakeMoniker*>& monikers) : monikers_(monikers) {
    for (FakeMoniker* m : monikers_) m->AddRef();
  }
  ~FakeEnumMoniker() override {
    for (FakeMoniker* m : monikers_) m->Release();
  }
  HRESULT STDMETHODCALLTYPE Next(ULONG count, IMoniker** out, ULONG* fetched) override {
    if (count != 1) return E_INVALIDARG;
    if (fetched) *fetched = 0;
    if (next_ >= monikers_.size()) return S_FALSE;
    out[0] = monikers_[next_++];
    out[0]->AddRef();
    if (fetched) *fetched = 1;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Skip(ULONG) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Reset() override {
    next_ = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Clone(IEnumMoniker**) override { return E_NOTIMPL; }

private:
  std::vector<FakeMoniker*> monikers_;
  size_t next_ = 0;
};
}  // namespace

FakeMoniker::FakeMoniker(std::string deviceId, bool readable, IBaseFilter* deviceFilter)
    : id(std::move(deviceId)), nameReadable(readable), filter(deviceFilter) {}

FakeMoniker::~FakeMoniker() {
  if (filter) filter->Release();
}

void* FakeMoniker::Extra(REFIID iid) {
  if (iid == IID_IPersistStream || iid == IID_IPersist) return static_cast<IMoniker*>(this);
  return nullptr;
}

HRESULT FakeMoniker::BindToObject(IBindCtx*, IMoniker*, REFIID iid, void** out) {
  Log("BindToObject " + id);
  *out = nullptr;
  return filter ? filter->QueryInterface(iid, out) : E_FAIL;
}

HRESULT FakeMoniker::BindToStorage(IBindCtx*, IMoniker*, REFIID iid, void** out) {
  *out = nullptr;
  if (iid != IID_IPropertyBag) return E_NOINTERFACE;
  *out = static_cast<IPropertyBag*>(
      new FakePropertyBag(nameReadable ? (name.empty() ? id : name) : std::string(), path));
  return S_OK;
}

HRESULT FakeMoniker::IsEqual(IMoniker* other) {
  auto* fake = dynamic_cast<FakeMoniker*>(other);
  return fake && fake->id == id ? S_OK : S_FALSE;
}

FakeDeviceEnumerator::~FakeDeviceEnumerator() {
  ClearVideo();
  ClearAudio();
}

void FakeDeviceEnumerator::AddVideo(const std::string& id, bool nameReadable, bool videoPort) {
  auto* camera = new FakeFilter(id);
  camera->hasVideoPortPin = videoPort;
  camera->streamConfig = new FakeStreamConfig;
  video_.push_back(new FakeMoniker(id, nameReadable, camera));
}

void FakeDeviceEnumerator::AddAudio(const std::string& id, bool nameReadable) {
  audio_.push_back(new FakeMoniker(id, nameReadable, new FakeFilter(id)));
}

void FakeDeviceEnumerator::AddCamera(const std::string& id, const std::string& name, const std::string& path) {
  AddVideo(id);
  video_.back()->name = name;
  video_.back()->path = path;
}

void FakeDeviceEnumerator::Remove(const std::string& id) {
  for (std::vector<FakeMoniker*>* devices : {&video_, &audio_}) {
    for (auto at = devices->begin(); at != devices->end();) {
      if ((*at)->id == id) {
        (*at)->Release();
        at = devices->erase(at);
      } else {
        ++at;
      }
    }
  }
}

void FakeDeviceEnumerator::ClearVideo() {
  for (FakeMoniker* m : video_) m->Release();
  video_.clear();
}

void FakeDeviceEnumerator::ClearAudio() {
  for (FakeMoniker* m : audio_) m->Release();
  audio_.clear();
}

void FakeDeviceEnumerator::RotateVideo() {
  std::rotate(video_.rbegin(), video_.rbegin() + 1, video_.rend());
}

FakeFilter* FakeDeviceEnumerator::VideoFilter(size_t index) const {
  return static_cast<FakeFilter*>(video_.at(index)->filter);
}

HRESULT FakeDeviceEnumerator::CreateClassEnumerator(REFCLSID category, IEnumMoniker** out, DWORD) {
  *out = nullptr;
  const std::vector<FakeMoniker*>* devices = nullptr;
  if (category == CLSID_VideoInputDeviceCategory) devices = &video_;
  if (category == CLSID_AudioInputDeviceCategory) devices = &audio_;
  if (!devices || devices->empty()) return S_FALSE;
  *out = new FakeEnumMoniker(*devices);
  return S_OK;
}

// --- factory ---

FakeComFactory::FakeComFactory() {
  SetComCreator([this](REFCLSID clsid, DWORD, REFIID iid, void** out) -> HRESULT {
    *out = nullptr;
    auto maker = makers_.find(clsid);
    if (maker == makers_.end()) return REGDB_E_CLASSNOTREG;
    IUnknown* object = maker->second();
    if (!object) return E_OUTOFMEMORY;
    ++created_[clsid];
    HRESULT hr = object->QueryInterface(iid, out);
    object->Release();
    return hr;
  });
}

FakeComFactory::~FakeComFactory() { SetComCreator(nullptr); }

void FakeComFactory::Register(REFCLSID clsid, std::function<IUnknown*()> make) {
  makers_[clsid] = std::move(make);
}

void FakeComFactory::Unregister(REFCLSID clsid) { makers_.erase(clsid); }

int FakeComFactory::Created(REFCLSID clsid) const {
  auto found = created_.find(clsid);
  return found == created_.end() ? 0 : found->second;
}

}  // namespace fakes
