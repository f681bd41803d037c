// A base for hand-written COM fakes: reference counting, QueryInterface over the listed
// interfaces, and a count of live fakes so that a test can see every reference released.
#pragma once
#include <windows.h>
#include <unknwn.h>

namespace fakes {

// Number of fake objects not yet destroyed.
int& LiveObjects();

// The first listed interface answers for IUnknown; Extra() answers base interfaces.
template <typename First, typename... Rest>
class ComFake : public First, public Rest... {
public:
  ComFake() { ++LiveObjects(); }
  virtual ~ComFake() { --LiveObjects(); }
  ComFake(const ComFake&) = delete;
  ComFake& operator=(const ComFake&) = delete;

  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++references_); }
  ULONG STDMETHODCALLTYPE Release() override {
    LONG left = --references_;
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid == IID_IUnknown) {
      *out = static_cast<First*>(this);
    } else if (iid == __uuidof(First)) {
      *out = static_cast<First*>(this);
    } else {
      ((*out == nullptr && iid == __uuidof(Rest) ? (*out = static_cast<Rest*>(this)) : nullptr), ...);
    }
    if (!*out) *out = Extra(iid);
    if (!*out) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  LONG References() const { return references_; }

protected:
  virtual void* Extra(REFIID) { return nullptr; }

private:
  LONG references_ = 1;
};

}  // namespace fakes
