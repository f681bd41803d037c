// The writer of the Windows Media Format stand-in: it takes a profile and an output file and
// describes its inputs, one per stream, as uncompressed formats. It encodes nothing, so
// writing cannot begin. When LUMORA_TESTBED_WM_REPORT names a file, every profile, file name
// and end of writing is noted there as a line of text, for checks from outside the process.
#pragma once
#include "testbed/com/Base.h"
#include "testbed/wmformat/WmMediaType.h"

#include <nserror.h>

#include <string>
#include <vector>

namespace testbed {

class WmProfile;

// One input of the writer: the stream's connection name and its uncompressed media type.
class WmInputProps : public ComObject, public IWMInputMediaProps {
public:
  WmInputProps(std::wstring connection, const GUID& majorType, WmMediaType type)
      : connection_(std::move(connection)), majorType_(majorType), type_(std::move(type)) {}
  DSHOW_IUNKNOWN

  STDMETHODIMP GetType(GUID* type) override;
  STDMETHODIMP GetMediaType(WM_MEDIA_TYPE* type, DWORD* size) override { return type_.CopyTo(type, size); }
  STDMETHODIMP SetMediaType(WM_MEDIA_TYPE* type) override;
  STDMETHODIMP GetConnectionName(WCHAR* name, WORD* length) override;
  STDMETHODIMP GetGroupName(WCHAR* name, WORD* length) override;

  WmInputProps* Copy() const { return new WmInputProps(connection_, majorType_, type_); }

protected:
  void* FindInterface(REFIID iid) override;

private:
  std::wstring connection_;
  GUID majorType_;
  WmMediaType type_;
};

class WmWriter : public ComObject, public IWMWriter {
public:
  ~WmWriter() override;
  DSHOW_IUNKNOWN

  STDMETHODIMP SetProfileByID(REFGUID) override { return E_NOTIMPL; }
  // Takes a profile of this runtime with at least one stream; each stream needs a bit rate
  // and, for video, a picture size.
  STDMETHODIMP SetProfile(IWMProfile* profile) override;
  STDMETHODIMP SetOutputFilename(const WCHAR* name) override;
  STDMETHODIMP GetInputCount(DWORD* count) override;
  STDMETHODIMP GetInputProps(DWORD input, IWMInputMediaProps** props) override;
  STDMETHODIMP SetInputProps(DWORD input, IWMInputMediaProps* props) override;
  STDMETHODIMP GetInputFormatCount(DWORD input, DWORD* count) override;
  STDMETHODIMP GetInputFormat(DWORD input, DWORD format, IWMInputMediaProps** props) override;
  STDMETHODIMP BeginWriting() override;
  // Writing never began, so there is nothing to end.
  STDMETHODIMP EndWriting() override;
  STDMETHODIMP AllocateSample(DWORD, INSSBuffer**) override { return NS_E_INVALID_REQUEST; }
  STDMETHODIMP WriteSample(DWORD, QWORD, DWORD, INSSBuffer*) override { return NS_E_INVALID_REQUEST; }
  STDMETHODIMP Flush() override { return NS_E_INVALID_REQUEST; }

protected:
  void* FindInterface(REFIID iid) override;

private:
  void ReleaseInputs();

  bool configured_ = false;
  std::wstring fileName_;
  std::vector<WmInputProps*> inputs_;  // one reference each
};

// Appends a line (UTF-8) to the report file named by LUMORA_TESTBED_WM_REPORT, if any.
void ReportLine(const std::wstring& line);

}  // namespace testbed
