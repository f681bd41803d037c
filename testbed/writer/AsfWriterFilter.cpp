#include "testbed/writer/AsfWriterFilter.h"

#include <algorithm>
#include <cstring>

#include <uuids.h>

#include "testbed/RgbConversion.h"
#include "testbed/wmformat/WmProfile.h"

namespace testbed {
namespace {

// One key frame a second at 15 frames a second keeps seeking cheap and files small.
constexpr uint32_t kKeyFrameInterval = 15;

int BitCountOf(const GUID& subtype) {
  if (subtype == MEDIASUBTYPE_RGB24) return 24;
  if (subtype == MEDIASUBTYPE_RGB32) return 32;
  if (subtype == MEDIASUBTYPE_RGB555) return 16;
  return 0;
}

// The profile's streams as the writer describes its inputs: a 320 x 240 video stream and 16-bit
// stereo sound at 44100 Hz (the file itself takes whatever the connections bring).
WM_MEDIA_TYPE WmTypeOf(const GUID& streamType, VIDEOINFOHEADER* video, WAVEFORMATEX* wave) {
  WM_MEDIA_TYPE type{};
  type.majortype = streamType;
  if (streamType == kWmVideo) {
    *video = VIDEOINFOHEADER{};
    video->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    video->bmiHeader.biWidth = 320;
    video->bmiHeader.biHeight = 240;
    video->bmiHeader.biPlanes = 1;
    video->bmiHeader.biBitCount = 16;
    video->bmiHeader.biCompression = BI_RGB;
    video->AvgTimePerFrame = 666666;
    type.subtype = MEDIASUBTYPE_RGB555;
    type.formattype = FORMAT_VideoInfo;
    type.cbFormat = sizeof(VIDEOINFOHEADER);
    type.pbFormat = reinterpret_cast<BYTE*>(video);
  } else {
    *wave = WAVEFORMATEX{WAVE_FORMAT_PCM, 2, 44100, 44100 * 4, 4, 16, 0};
    type.subtype = MEDIASUBTYPE_PCM;
    type.bFixedSizeSamples = TRUE;
    type.lSampleSize = 4;
    type.formattype = FORMAT_WaveFormatEx;
    type.cbFormat = sizeof(WAVEFORMATEX);
    type.pbFormat = reinterpret_cast<BYTE*>(wave);
  }
  return type;
}

HRESULT AddProfileStream(WmProfile* profile, const GUID& streamType, WORD number, const wchar_t* name) {
  ComPtr<IWMStreamConfig> stream;
  HRESULT hr = profile->CreateNewStream(streamType, stream.Out());
  ComPtr<IWMMediaProps> props;
  if (SUCCEEDED(hr)) hr = stream.As(props);
  VIDEOINFOHEADER video;
  WAVEFORMATEX wave;
  WM_MEDIA_TYPE type = WmTypeOf(streamType, &video, &wave);
  if (SUCCEEDED(hr)) hr = props->SetMediaType(&type);
  if (SUCCEEDED(hr)) hr = stream->SetStreamNumber(number);
  if (SUCCEEDED(hr)) hr = stream->SetStreamName(name);
  if (SUCCEEDED(hr)) hr = stream->SetBitrate(streamType == kWmVideo ? 250000 : 1411200);
  if (SUCCEEDED(hr)) hr = profile->AddStream(stream.Get());
  return hr;
}

}  // namespace

WriterInputPin::WriterInputPin(AsfWriterFilter* filter, const wchar_t* name, bool video)
    : InputPin(filter, name), writer_(filter), video_(video) {}

bool WriterInputPin::Accepts(const AM_MEDIA_TYPE& mt) {
  if (!mt.pbFormat) return false;
  if (video_) {
    int bits = BitCountOf(mt.subtype);
    if (mt.majortype != MEDIATYPE_Video || !bits || mt.formattype != FORMAT_VideoInfo ||
        mt.cbFormat < sizeof(VIDEOINFOHEADER))
      return false;
    const BITMAPINFOHEADER& bih = reinterpret_cast<const VIDEOINFOHEADER*>(mt.pbFormat)->bmiHeader;
    // MS Video 1 codes 4 x 4 blocks of a bottom-up picture.
    return bih.biBitCount == bits && bih.biCompression == BI_RGB && bih.biWidth > 0 &&
           bih.biHeight > 0 && bih.biWidth % 4 == 0 && bih.biHeight % 4 == 0;
  }
  if (mt.majortype != MEDIATYPE_Audio || mt.subtype != MEDIASUBTYPE_PCM ||
      mt.formattype != FORMAT_WaveFormatEx || mt.cbFormat < sizeof(WAVEFORMAT))
    return false;
  const auto* wf = reinterpret_cast<const WAVEFORMATEX*>(mt.pbFormat);
  return wf->wFormatTag == WAVE_FORMAT_PCM && (wf->wBitsPerSample == 8 || wf->wBitsPerSample == 16) &&
         wf->nChannels >= 1 && wf->nChannels <= 2;
}

HRESULT WriterInputPin::OnReceive(IMediaSample* sample) { return writer_->Receive(*this, sample); }

void WriterInputPin::OnEndOfStream() { writer_->EndOfStream(); }

AsfWriterFilter::AsfWriterFilter()
    : FilterBase(CLSID_WMAsfWriter),
      video_(this, L"Video Input 01", true),
      audio_(this, L"Audio Input 01", false) {}

AsfWriterFilter::~AsfWriterFilter() { OnDeactivate(); }

void* AsfWriterFilter::FindInterface(REFIID iid) {
  if (iid == IID_IFileSinkFilter || iid == IID_IFileSinkFilter2)
    return static_cast<IFileSinkFilter2*>(this);
  if (iid == IID_IAMFilterMiscFlags) return static_cast<IAMFilterMiscFlags*>(this);
  if (iid == IID_IConfigAsfWriter) return static_cast<IConfigAsfWriter*>(this);
  return FilterBase::FindInterface(iid);
}

STDMETHODIMP AsfWriterFilter::SetFileName(LPCOLESTR name, const AM_MEDIA_TYPE*) {
  if (!name) return E_POINTER;
  AutoLock lock(StateLock());
  if (State() != State_Stopped) return VFW_E_NOT_STOPPED;
  fileName_ = name;
  return S_OK;
}

STDMETHODIMP AsfWriterFilter::GetCurFile(LPOLESTR* name, AM_MEDIA_TYPE* mt) {
  if (!name) return E_POINTER;
  AutoLock lock(StateLock());
  *name = nullptr;
  if (mt) *mt = AM_MEDIA_TYPE{};
  if (fileName_.empty()) return E_FAIL;
  size_t bytes = (fileName_.size() + 1) * sizeof(wchar_t);
  *name = static_cast<LPOLESTR>(CoTaskMemAlloc(bytes));
  if (!*name) return E_OUTOFMEMORY;
  std::memcpy(*name, fileName_.c_str(), bytes);
  return S_OK;
}

STDMETHODIMP AsfWriterFilter::SetMode(DWORD flags) {
  if (flags & ~AM_FILE_OVERWRITE) return E_INVALIDARG;
  mode_ = flags;
  return S_OK;
}

STDMETHODIMP AsfWriterFilter::GetMode(DWORD* flags) {
  if (!flags) return E_POINTER;
  *flags = mode_;
  return S_OK;
}

STDMETHODIMP AsfWriterFilter::GetCurrentProfile(IWMProfile** out) {
  if (!out) return E_POINTER;
  AutoLock lock(StateLock());
  ComPtr<WmProfile> profile = ComPtr<WmProfile>::Attach(new WmProfile(WMT_VER_9_0));
  profile->SetName(L"Lumora testbed writer");
  HRESULT hr = S_OK;
  if (hasVideoInput_) hr = AddProfileStream(profile.Get(), kWmVideo, 1, L"Video");
  if (SUCCEEDED(hr) && hasAudioInput_) hr = AddProfileStream(profile.Get(), kWmAudio, 2, L"Audio");
  if (FAILED(hr)) return hr;
  *out = profile.Detach();
  return S_OK;
}

STDMETHODIMP AsfWriterFilter::ConfigureFilterUsingProfile(IWMProfile* profile) {
  if (!profile) return E_POINTER;
  bool video = false, audio = false;
  DWORD count = 0;
  HRESULT hr = profile->GetStreamCount(&count);
  for (DWORD i = 0; SUCCEEDED(hr) && i < count; ++i) {
    ComPtr<IWMStreamConfig> stream;
    GUID type = GUID_NULL;
    hr = profile->GetStream(i, stream.Out());
    if (SUCCEEDED(hr)) hr = stream->GetStreamType(&type);
    if (SUCCEEDED(hr)) {
      video = video || type == kWmVideo;
      audio = audio || type == kWmAudio;
      if (type != kWmVideo && type != kWmAudio) hr = E_INVALIDARG;
    }
  }
  if (FAILED(hr)) return hr;
  if (!video && !audio) return E_INVALIDARG;
  {
    AutoLock lock(StateLock());
    if (State() != State_Stopped) return VFW_E_NOT_STOPPED;
    // An input the new profile drops must not be connected.
    if ((!video && video_.IsConnected()) || (!audio && audio_.IsConnected())) return VFW_E_ALREADY_CONNECTED;
    hasVideoInput_ = video;
    hasAudioInput_ = audio;
  }
  NotifyEvent(EC_GRAPH_CHANGED, 0, 0);
  return S_OK;
}

STDMETHODIMP AsfWriterFilter::SetIndexMode(BOOL indexFile) {
  indexFile_ = indexFile;
  return S_OK;
}

STDMETHODIMP AsfWriterFilter::GetIndexMode(BOOL* indexFile) {
  if (!indexFile) return E_POINTER;
  *indexFile = indexFile_;
  return S_OK;
}

HRESULT AsfWriterFilter::OnActivate() {
  if (fileName_.empty()) return E_FAIL;
  if (!video_.IsConnected() && !audio_.IsConnected()) return VFW_E_NOT_CONNECTED;
  std::vector<AsfStream> streams;
  video_.streamNumber = audio_.streamNumber = 0;
  if (video_.IsConnected()) {
    const VIDEOINFOHEADER* vih = video_.ConnectedType().Video();
    width_ = vih->bmiHeader.biWidth;
    height_ = vih->bmiHeader.biHeight;
    bitCount_ = vih->bmiHeader.biBitCount;
    frameTime_ = vih->AvgTimePerFrame > 0 ? vih->AvgTimePerFrame : 666666;
    encoder_ = std::make_unique<VideoEncoder>(width_, height_);
    rgb555_.assign(static_cast<size_t>(DibStride(width_, 16)) * height_, 0);
    framesWritten_ = 0;
    AsfStream s;
    s.video = true;
    s.width = width_;
    s.height = height_;
    s.compression = encoder_->Compression();
    s.bitCount = encoder_->BitCount();
    streams.push_back(s);
    video_.streamNumber = static_cast<int>(streams.size());
  }
  if (audio_.IsConnected()) {
    AsfStream s;
    s.wave = *audio_.ConnectedType().Wave();
    streams.push_back(s);
    audio_.streamNumber = static_cast<int>(streams.size());
  }
  video_.ResetEndOfStream();
  audio_.ResetEndOfStream();
  AutoLock lock(writeLock_);
  haveOrigin_ = false;
  origin_ = end_ = 0;
  writeError_ = S_OK;
  completeSent_ = false;
  return file_.Create(fileName_, streams);
}

void AsfWriterFilter::OnRun(REFERENCE_TIME) {}

void AsfWriterFilter::OnDeactivate() {
  AutoLock video(videoLock_);
  AutoLock lock(writeLock_);
  if (file_.IsOpen()) file_.Finish(static_cast<uint64_t>(std::max<REFERENCE_TIME>(end_, 0)));
  encoder_.reset();
}

HRESULT AsfWriterFilter::Receive(WriterInputPin& pin, IMediaSample* sample) {
  REFERENCE_TIME start = 0, stop = 0;
  HRESULT timed = sample->GetTime(&start, &stop);
  if (FAILED(timed)) {
    AutoLock lock(writeLock_);
    start = origin_ + end_;  // an untimed sample follows the previous one
    stop = start;
  } else if (timed == VFW_S_NO_STOP_TIME) {
    stop = start;
  }
  if (pin.IsVideo()) {
    if (stop <= start) stop = start + frameTime_;
    return WriteVideo(sample, start, stop);
  }
  BYTE* data = nullptr;
  long length = sample->GetActualDataLength();
  if (FAILED(sample->GetPointer(&data)) || length <= 0) return S_OK;
  if (stop <= start) {
    const WAVEFORMATEX* wf = audio_.ConnectedType().Wave();
    stop = start + static_cast<REFERENCE_TIME>(length) * 10000000 / wf->nAvgBytesPerSec;
  }
  return WriteObject(pin.streamNumber, start, stop, true, data, length);
}

HRESULT AsfWriterFilter::WriteVideo(IMediaSample* sample, REFERENCE_TIME start, REFERENCE_TIME stop) {
  AutoLock video(videoLock_);
  BYTE* data = nullptr;
  long needed = DibStride(width_, bitCount_) * height_;
  if (!encoder_ || FAILED(sample->GetPointer(&data)) || sample->GetActualDataLength() < needed)
    return S_OK;  // a short frame is skipped, not fatal
  ConvertRgb(data, bitCount_, rgb555_.data(), 16, width_, height_);
  bool key = false;
  encoder_->Encode(rgb555_.data(), encoded_, framesWritten_ % kKeyFrameInterval == 0, &key);
  ++framesWritten_;
  return WriteObject(video_.streamNumber, start, stop, key, encoded_.data(), encoded_.size());
}

HRESULT AsfWriterFilter::WriteObject(int stream, REFERENCE_TIME start, REFERENCE_TIME stop, bool key,
                                     const uint8_t* data, size_t size) {
  AutoLock lock(writeLock_);
  if (!file_.IsOpen()) return VFW_E_WRONG_STATE;
  if (FAILED(writeError_)) return writeError_;
  if (!haveOrigin_) {
    // The file starts with the first sample that reaches it, as the capture stream may be
    // held back for a while after the graph began to run.
    haveOrigin_ = true;
    origin_ = start;
  }
  REFERENCE_TIME from = std::max<REFERENCE_TIME>(start - origin_, 0);
  end_ = std::max(end_, stop - origin_);
  HRESULT hr = file_.WriteObject(stream, static_cast<uint32_t>(from / 10000), key, data, size);
  if (FAILED(hr)) {
    writeError_ = hr;
    NotifyEvent(EC_ERRORABORT, hr, 0);
  }
  return hr;
}

void AsfWriterFilter::EndOfStream() {
  bool videoDone = !video_.IsConnected() || video_.AtEndOfStream();
  bool audioDone = !audio_.IsConnected() || audio_.AtEndOfStream();
  AutoLock lock(writeLock_);
  if (videoDone && audioDone && !completeSent_ && State() == State_Running) {
    completeSent_ = true;
    NotifyEvent(EC_COMPLETE, S_OK, reinterpret_cast<LONG_PTR>(static_cast<IBaseFilter*>(this)));
  }
}

}  // namespace testbed
