// Fakes of the DirectShow objects the capture engine talks to. Every call that matters is
// written to one call log, so tests can check orders, names, categories and media types.
#pragma once
#include "capture/DShowInterfaces.h"
#include "capture/TitleOverlay.h"
#include "dshow/ConfigAsfWriter.h"
#include "framework/Handles.h"
#include "tests/capture/ComFake.h"

#include <dshow.h>
#include <qedit.h>
#include <deque>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace fakes {

std::vector<std::string>& Calls();
// Short names of the categories and media types the engine uses ("PREVIEW", "Video", ...).
std::string GuidName(const GUID* guid);
std::string HexValue(UINT_PTR value);

// Gives a fake filter a name for the call log.
struct Labelled {
  explicit Labelled(std::string name) : label(std::move(name)) {}
  virtual ~Labelled() = default;
  std::string label;
};
// The label of a fake filter, "null" for none, "?" for something else.
std::string LabelOf(IUnknown* object);

class FakeStreamConfig : public ComFake<IAMStreamConfig> {
public:
  HRESULT getFormatResult = S_OK;
  HRESULT setFormatResult = S_OK;
  GUID formatType = FORMAT_VideoInfo;
  // The camera's current frame size; a negative height is a top-down picture.
  LONG width = 320;
  LONG height = 240;
  REFERENCE_TIME setAvgTimePerFrame = -1;
  int setFormatCalls = 0;

  HRESULT STDMETHODCALLTYPE SetFormat(AM_MEDIA_TYPE* type) override;
  HRESULT STDMETHODCALLTYPE GetFormat(AM_MEDIA_TYPE** type) override;
  HRESULT STDMETHODCALLTYPE GetNumberOfCapabilities(int*, int*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetStreamCaps(int, AM_MEDIA_TYPE**, BYTE*) override { return E_NOTIMPL; }
};

#define FAKE_BASE_FILTER_STUBS                                                                 \
  HRESULT STDMETHODCALLTYPE GetClassID(CLSID*) override { return E_NOTIMPL; }                   \
  HRESULT STDMETHODCALLTYPE Stop() override { return S_OK; }                                    \
  HRESULT STDMETHODCALLTYPE Pause() override { return S_OK; }                                   \
  HRESULT STDMETHODCALLTYPE Run(REFERENCE_TIME) override { return S_OK; }                       \
  HRESULT STDMETHODCALLTYPE GetState(DWORD, FILTER_STATE*) override { return E_NOTIMPL; }       \
  HRESULT STDMETHODCALLTYPE SetSyncSource(IReferenceClock*) override { return S_OK; }           \
  HRESULT STDMETHODCALLTYPE GetSyncSource(IReferenceClock**) override { return E_NOTIMPL; }     \
  HRESULT STDMETHODCALLTYPE EnumPins(IEnumPins**) override { return E_NOTIMPL; }                \
  HRESULT STDMETHODCALLTYPE FindPin(LPCWSTR, IPin**) override { return E_NOTIMPL; }             \
  HRESULT STDMETHODCALLTYPE QueryFilterInfo(FILTER_INFO*) override { return E_NOTIMPL; }        \
  HRESULT STDMETHODCALLTYPE JoinFilterGraph(IFilterGraph*, LPCWSTR) override { return S_OK; }   \
  HRESULT STDMETHODCALLTYPE QueryVendorInfo(LPWSTR*) override { return E_NOTIMPL; }             \
  void* Extra(REFIID iid) override {                                                            \
    if (iid == IID_IMediaFilter || iid == IID_IPersist) return static_cast<IBaseFilter*>(this); \
    return nullptr;                                                                             \
  }

// A capture device's filter; a camera has a stream configuration and maybe a video-port pin.
class FakeFilter : public ComFake<IBaseFilter>, public Labelled {
public:
  explicit FakeFilter(std::string name) : Labelled(std::move(name)) {}
  ~FakeFilter() override;
  FAKE_BASE_FILTER_STUBS
  bool hasVideoPortPin = false;
  FakeStreamConfig* streamConfig = nullptr;  // owned reference, or none
};

// The WM ASF Writer: a filter with a file sink whose profile (the Windows Media Format
// stand-in's, with a video and an audio stream) can be replaced.
class FakeAsfWriter : public ComFake<IBaseFilter, IFileSinkFilter, IConfigAsfWriter>, public Labelled {
public:
  FakeAsfWriter() : Labelled("asf") {}
  FAKE_BASE_FILTER_STUBS
  HRESULT STDMETHODCALLTYPE SetFileName(LPCOLESTR name, const AM_MEDIA_TYPE* type) override;
  HRESULT STDMETHODCALLTYPE GetCurFile(LPOLESTR*, AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE ConfigureFilterUsingProfileId(DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetCurrentProfileId(DWORD*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE ConfigureFilterUsingProfileGuid(REFGUID) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetCurrentProfileGuid(GUID*) override { return E_NOTIMPL; }
  // Logs "ConfigureFilterUsingProfile" with the stream types of the profile ("video audio").
  HRESULT STDMETHODCALLTYPE ConfigureFilterUsingProfile(IWMProfile* profile) override;
  HRESULT STDMETHODCALLTYPE GetCurrentProfile(IWMProfile** profile) override;
  HRESULT STDMETHODCALLTYPE SetIndexMode(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetIndexMode(BOOL*) override { return E_NOTIMPL; }
  std::wstring fileName;
  HRESULT setFileNameResult = S_OK;
  // The stream types of the writer's profile, in its order.
  std::vector<std::string> profileStreams{"video", "audio"};
};

// The title overlay filter; `refuseAt` names the first operation that fails.
class FakeTitleOverlay : public ComFake<IBaseFilter, ITitleOverlayConfig>, public Labelled {
public:
  FakeTitleOverlay() : Labelled("overlay") {}
  FAKE_BASE_FILTER_STUBS
  HRESULT STDMETHODCALLTYPE SetTitleType(int type) override;
  HRESULT STDMETHODCALLTYPE GetTitleType(int*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetScrollStep(int) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetScrollStep(int*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetTitleText(const char* text, int length) override;
  HRESULT STDMETHODCALLTYPE GetTitleText(char*, int, int*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetTitleColor(BYTE red, BYTE green, BYTE blue) override;
  HRESULT STDMETHODCALLTYPE GetTitleColor(BYTE*, BYTE*, BYTE*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetTitleStartPosition(int x, int y) override;
  HRESULT STDMETHODCALLTYPE GetTitleStartPosition(int*, int*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetTitleFont(LOGFONTA font) override;
  HRESULT STDMETHODCALLTYPE GetTitleFont(LOGFONTA* font) override;
  std::string refuseAt;
  LOGFONTA font{};
};

class FakeSampleGrabber : public ComFake<ISampleGrabber, IBaseFilter>, public Labelled {
public:
  FakeSampleGrabber() : Labelled("grabber") {}
  FAKE_BASE_FILTER_STUBS
  HRESULT STDMETHODCALLTYPE SetOneShot(WINBOOL oneShot) override;
  HRESULT STDMETHODCALLTYPE SetMediaType(const AM_MEDIA_TYPE* type) override;
  HRESULT STDMETHODCALLTYPE GetConnectedMediaType(AM_MEDIA_TYPE* type) override;
  HRESULT STDMETHODCALLTYPE SetBufferSamples(WINBOOL bufferThem) override;
  HRESULT STDMETHODCALLTYPE GetCurrentBuffer(LONG*, LONG*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetCurrentSample(IMediaSample**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetCallback(ISampleGrabberCB* callback, LONG which) override;
  HRESULT setMediaTypeResult = S_OK;
  HRESULT connectedResult = S_OK;
  HRESULT setCallbackResult = S_OK;
  ISampleGrabberCB* callback = nullptr;
};

class FakePin : public ComFake<IPin> {
public:
  HRESULT STDMETHODCALLTYPE Connect(IPin*, const AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE ReceiveConnection(IPin*, const AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Disconnect() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE ConnectedTo(IPin**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE ConnectionMediaType(AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE QueryPinInfo(PIN_INFO*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE QueryDirection(PIN_DIRECTION*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE QueryId(LPWSTR*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE QueryAccept(const AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumMediaTypes(IEnumMediaTypes**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE QueryInternalConnections(IPin**, ULONG*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EndOfStream() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE BeginFlush() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EndFlush() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) override { return E_NOTIMPL; }
};

// The capture graph builder; RenderStream fails for the (category, type) pairs in `refused`.
class FakeCaptureBuilder : public ComFake<ICaptureGraphBuilder2> {
public:
  FakeCaptureBuilder();
  HRESULT STDMETHODCALLTYPE SetFiltergraph(IGraphBuilder* graph) override;
  HRESULT STDMETHODCALLTYPE GetFiltergraph(IGraphBuilder**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetOutputFileName(const GUID*, LPCOLESTR, IBaseFilter**, IFileSinkFilter**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE FindInterface(const GUID* category, const GUID* type, IBaseFilter* filter, REFIID iid, void** out) override;
  HRESULT STDMETHODCALLTYPE RenderStream(const GUID* category, const GUID* type, IUnknown* source, IBaseFilter* intermediate, IBaseFilter* sink) override;
  HRESULT STDMETHODCALLTYPE ControlStream(const GUID* category, const GUID* type, IBaseFilter* filter, REFERENCE_TIME* start, REFERENCE_TIME* stop, WORD startCookie, WORD stopCookie) override;
  HRESULT STDMETHODCALLTYPE AllocCapFile(LPCOLESTR, DWORDLONG) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE CopyCaptureFile(LPOLESTR, LPOLESTR, int, IAMCopyCaptureFileProgress*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE FindPin(IUnknown* source, PIN_DIRECTION direction, const GUID* category, const GUID* type, WINBOOL unconnected, int index, IPin** pin) override;
  std::set<std::pair<std::string, std::string>> refused;
  // Also refuses every stream through or into the level meter.
  bool refuseMeter = false;
  HRESULT setFiltergraphResult = S_OK;
  // FindInterface answers only for these media types.
  std::set<std::string> streamConfigTypes{"Video"};
};

class FakeGraph : public ComFake<IGraphBuilder, IMediaControl, IMediaEventEx, IVideoWindow> {
public:
  FakeGraph();
  ~FakeGraph() override;
  // Number of graph managers not yet destroyed.
  static int& Live();
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  // IFilterGraph and IGraphBuilder
  HRESULT STDMETHODCALLTYPE AddFilter(IBaseFilter* filter, LPCWSTR name) override;
  HRESULT STDMETHODCALLTYPE RemoveFilter(IBaseFilter* filter) override;
  HRESULT STDMETHODCALLTYPE EnumFilters(IEnumFilters**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE FindFilterByName(LPCWSTR, IBaseFilter**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE ConnectDirect(IPin*, IPin*, const AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Reconnect(IPin*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Disconnect(IPin*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetDefaultSyncSource() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Connect(IPin*, IPin*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Render(IPin*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE RenderFile(LPCWSTR, LPCWSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE AddSourceFilter(LPCWSTR, LPCWSTR, IBaseFilter**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetLogFile(DWORD_PTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Abort() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE ShouldOperationContinue() override { return E_NOTIMPL; }
  // IDispatch
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override { return E_NOTIMPL; }
  // IMediaControl
  HRESULT STDMETHODCALLTYPE Run() override;
  HRESULT STDMETHODCALLTYPE Pause() override;
  HRESULT STDMETHODCALLTYPE Stop() override;
  HRESULT STDMETHODCALLTYPE GetState(LONG, OAFilterState*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE RenderFile(BSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE AddSourceFilter(BSTR, IDispatch**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_FilterCollection(IDispatch**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_RegFilterCollection(IDispatch**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE StopWhenReady() override { return E_NOTIMPL; }
  // IMediaEvent and IMediaEventEx
  HRESULT STDMETHODCALLTYPE GetEventHandle(OAEVENT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetEvent(LONG* code, LONG_PTR* first, LONG_PTR* second, LONG timeout) override;
  HRESULT STDMETHODCALLTYPE WaitForCompletion(LONG, LONG*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE CancelDefaultHandling(LONG) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE RestoreDefaultHandling(LONG) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE FreeEventParams(LONG code, LONG_PTR first, LONG_PTR second) override;
  HRESULT STDMETHODCALLTYPE SetNotifyWindow(OAHWND window, LONG message, LONG_PTR data) override;
  HRESULT STDMETHODCALLTYPE SetNotifyFlags(LONG) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetNotifyFlags(LONG*) override { return E_NOTIMPL; }
  // IVideoWindow
  HRESULT STDMETHODCALLTYPE put_Caption(BSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_Caption(BSTR*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_WindowStyle(LONG style) override;
  HRESULT STDMETHODCALLTYPE get_WindowStyle(LONG*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_WindowStyleEx(LONG) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_WindowStyleEx(LONG*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_AutoShow(LONG) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_AutoShow(LONG*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_WindowState(LONG) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_WindowState(LONG*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_BackgroundPalette(LONG) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_BackgroundPalette(LONG*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_Visible(LONG visible) override;
  HRESULT STDMETHODCALLTYPE get_Visible(LONG*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_Left(LONG) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_Left(LONG*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_Width(LONG) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_Width(LONG*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_Top(LONG) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_Top(LONG*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_Height(LONG) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_Height(LONG*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_Owner(OAHWND owner) override;
  HRESULT STDMETHODCALLTYPE get_Owner(OAHWND*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_MessageDrain(OAHWND) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_MessageDrain(OAHWND*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_BorderColor(LONG*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_BorderColor(LONG) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_FullScreenMode(LONG*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_FullScreenMode(LONG) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetWindowForeground(LONG) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE NotifyOwnerMessage(OAHWND, LONG, LONG_PTR, LONG_PTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetWindowPosition(LONG left, LONG top, LONG width, LONG height) override;
  HRESULT STDMETHODCALLTYPE GetWindowPosition(LONG*, LONG*, LONG*, LONG*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetMinIdealImageSize(LONG*, LONG*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetMaxIdealImageSize(LONG*, LONG*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetRestorePosition(LONG*, LONG*, LONG*, LONG*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE HideCursor(LONG) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE IsCursorHidden(LONG*) override { return E_NOTIMPL; }

  struct Event { LONG code; LONG_PTR first, second; };
  std::deque<Event> events;
  std::set<std::string> refusedNames;
  HRESULT runResult = S_OK;
  HRESULT pauseResult = S_OK;
  bool offersVideoWindow = true;
  bool offersMediaControl = true;

protected:
  void* Extra(REFIID iid) override;

private:
  std::vector<IBaseFilter*> filters_;
};

// A capture device: an id for moniker equality, a readable name or none, its filter, and a
// device path or none.
class FakeMoniker : public ComFake<IMoniker> {
public:
  FakeMoniker(std::string id, bool nameReadable, IBaseFilter* filter);
  ~FakeMoniker() override;
  std::string id;
  bool nameReadable;
  IBaseFilter* filter;  // owned reference, or none
  std::string name;     // the friendly name; the id when empty
  std::string path;     // "DevicePath", none when empty

  HRESULT STDMETHODCALLTYPE GetClassID(CLSID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE IsDirty() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Load(IStream*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Save(IStream*, WINBOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetSizeMax(ULARGE_INTEGER*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE BindToObject(IBindCtx*, IMoniker*, REFIID iid, void** out) override;
  HRESULT STDMETHODCALLTYPE BindToStorage(IBindCtx*, IMoniker*, REFIID iid, void** out) override;
  HRESULT STDMETHODCALLTYPE Reduce(IBindCtx*, DWORD, IMoniker**, IMoniker**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE ComposeWith(IMoniker*, WINBOOL, IMoniker**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Enum(WINBOOL, IEnumMoniker**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE IsEqual(IMoniker* other) override;
  HRESULT STDMETHODCALLTYPE Hash(DWORD*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE IsRunning(IBindCtx*, IMoniker*, IMoniker*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetTimeOfLastChange(IBindCtx*, IMoniker*, FILETIME*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Inverse(IMoniker**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE CommonPrefixWith(IMoniker*, IMoniker**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE RelativePathTo(IMoniker*, IMoniker**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetDisplayName(IBindCtx*, IMoniker*, LPOLESTR*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE ParseDisplayName(IBindCtx*, IMoniker*, LPOLESTR, ULONG*, IMoniker**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE IsSystemMoniker(DWORD*) override { return E_NOTIMPL; }

protected:
  void* Extra(REFIID iid) override;
};

// The system device enumerator over chosen devices of each category.
class FakeDeviceEnumerator : public ComFake<ICreateDevEnum> {
public:
  ~FakeDeviceEnumerator() override;
  // Adds a device; its moniker's id is `id`, the name is "<id>" when readable.
  void AddVideo(const std::string& id, bool nameReadable = true, bool videoPort = false);
  void AddAudio(const std::string& id, bool nameReadable = true);
  // A camera with a device path and a friendly name of its own.
  void AddCamera(const std::string& id, const std::string& name, const std::string& path);
  void ClearVideo();
  void ClearAudio();
  // Takes the device with that id out of its category (it was unplugged).
  void Remove(const std::string& id);
  // Moves the last video device to the front (a changed enumeration order).
  void RotateVideo();
  FakeFilter* VideoFilter(size_t index) const;
  HRESULT STDMETHODCALLTYPE CreateClassEnumerator(REFCLSID category, IEnumMoniker** out, DWORD flags) override;

private:
  std::vector<FakeMoniker*> video_, audio_;
};

// Installs a COM creator that hands out fakes by class identifier for the test's lifetime.
class FakeComFactory {
public:
  FakeComFactory();
  ~FakeComFactory();
  // `make` returns a new object with one reference that the factory hands over.
  void Register(REFCLSID clsid, std::function<IUnknown*()> make);
  void Unregister(REFCLSID clsid);
  int Created(REFCLSID clsid) const;

private:
  struct Less {
    bool operator()(const GUID& a, const GUID& b) const { return memcmp(&a, &b, sizeof(GUID)) < 0; }
  };
  std::map<GUID, std::function<IUnknown*()>, Less> makers_;
  std::map<GUID, int, Less> created_;
};

}  // namespace fakes
