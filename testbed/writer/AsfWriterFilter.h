// Stands in for the WM ASF Writer: a sink with a video and an audio input and
// IFileSinkFilter that writes the camera as MS Video 1 and the sound as PCM into an ASF file
// while the graph runs, and completes the file when the graph stops. Its profile
// (IConfigAsfWriter) has a video and an audio stream; a profile with only one of them leaves the
// writer with that one input, and the file with that one stream.
#pragma once
#include <memory>
#include <string>

#include "dshow/ConfigAsfWriter.h"
#include "testbed/com/Base.h"
#include "testbed/writer/AsfFile.h"
#include "testbed/writer/VideoEncoder.h"

namespace testbed {

class AsfWriterFilter;

class WriterInputPin : public InputPin {
public:
  WriterInputPin(AsfWriterFilter* filter, const wchar_t* name, bool video);
  bool IsVideo() const { return video_; }
  int streamNumber = 0;  // in the file being written, 0 while unused

protected:
  bool Accepts(const AM_MEDIA_TYPE& mt) override;
  HRESULT OnReceive(IMediaSample* sample) override;
  void OnEndOfStream() override;

private:
  AsfWriterFilter* writer_;
  bool video_;
};

class AsfWriterFilter : public FilterBase, public IFileSinkFilter2, public IAMFilterMiscFlags, public IConfigAsfWriter {
public:
  AsfWriterFilter();
  ~AsfWriterFilter() override;
  DSHOW_IUNKNOWN

  // IFileSinkFilter / IFileSinkFilter2
  STDMETHODIMP SetFileName(LPCOLESTR name, const AM_MEDIA_TYPE* mt) override;
  STDMETHODIMP GetCurFile(LPOLESTR* name, AM_MEDIA_TYPE* mt) override;
  STDMETHODIMP SetMode(DWORD flags) override;
  STDMETHODIMP GetMode(DWORD* flags) override;
  // IAMFilterMiscFlags: a renderer, so that the graph waits for its end of stream.
  STDMETHODIMP_(ULONG) GetMiscFlags() override { return AM_FILTER_MISC_FLAGS_IS_RENDERER; }

  // IConfigAsfWriter: profiles of a video stream, an audio stream or both; the indexing mode is
  // kept but changes nothing (the stand-in's files are not indexed).
  STDMETHODIMP ConfigureFilterUsingProfileId(DWORD) override { return E_NOTIMPL; }
  STDMETHODIMP GetCurrentProfileId(DWORD*) override { return E_NOTIMPL; }
  STDMETHODIMP ConfigureFilterUsingProfileGuid(REFGUID) override { return E_NOTIMPL; }
  STDMETHODIMP GetCurrentProfileGuid(GUID*) override { return E_NOTIMPL; }
  STDMETHODIMP ConfigureFilterUsingProfile(IWMProfile* profile) override;
  STDMETHODIMP GetCurrentProfile(IWMProfile** profile) override;
  STDMETHODIMP SetIndexMode(BOOL indexFile) override;
  STDMETHODIMP GetIndexMode(BOOL* indexFile) override;

  // The inputs of the current profile: video first.
  int PinCount() override { return (hasVideoInput_ ? 1 : 0) + (hasAudioInput_ ? 1 : 0); }
  IPin* PinAt(int index) override {
    return index == 0 && hasVideoInput_ ? static_cast<IPin*>(&video_) : &audio_;
  }

  HRESULT Receive(WriterInputPin& pin, IMediaSample* sample);
  void EndOfStream();

protected:
  void* FindInterface(REFIID iid) override;
  HRESULT OnActivate() override;
  void OnRun(REFERENCE_TIME start) override;
  void OnDeactivate() override;

private:
  HRESULT WriteVideo(IMediaSample* sample, REFERENCE_TIME start, REFERENCE_TIME stop);
  HRESULT WriteObject(int stream, REFERENCE_TIME start, REFERENCE_TIME stop, bool key,
                      const uint8_t* data, size_t size);

  WriterInputPin video_;
  WriterInputPin audio_;
  bool hasVideoInput_ = true;  // under the state lock
  bool hasAudioInput_ = true;
  BOOL indexFile_ = TRUE;
  std::wstring fileName_;
  DWORD mode_ = 0;

  CriticalSection writeLock_;  // the file, shared by both streaming threads
  AsfFile file_;
  bool haveOrigin_ = false;
  REFERENCE_TIME origin_ = 0;  // stream time of the file's time 0
  REFERENCE_TIME end_ = 0;     // latest sample end, relative to the origin
  HRESULT writeError_ = S_OK;
  bool completeSent_ = false;

  // Video streaming state: the video thread encodes under the lock, and the stop, which can
  // come while a frame is being encoded, frees the encoder under it.
  CriticalSection videoLock_;
  std::unique_ptr<VideoEncoder> encoder_;
  std::vector<uint8_t> rgb555_;
  std::vector<uint8_t> encoded_;
  int width_ = 0, height_ = 0, bitCount_ = 0;
  REFERENCE_TIME frameTime_ = 0;
  uint32_t framesWritten_ = 0;
};

}  // namespace testbed
