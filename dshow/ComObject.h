// Reference counting and interface lookup shared by every COM object of Lumora's filters and the testbed.
#pragma once
#include <windows.h>
#include <unknwn.h>

namespace dshow {

// Live objects plus server locks; DllCanUnloadNow answers S_OK only at zero.
extern LONG g_liveObjects;

// Hands out `found` with a reference of its own, or E_NOINTERFACE when it is null.
inline HRESULT HandOut(void* found, void** out) {
  if (!out) return E_POINTER;
  *out = found;
  if (!found) return E_NOINTERFACE;
  static_cast<IUnknown*>(found)->AddRef();
  return S_OK;
}

// Base of the objects that own their reference count; the creator holds the first reference.
class ComObject {
public:
  ComObject() { InterlockedIncrement(&g_liveObjects); }
  virtual ~ComObject() { InterlockedDecrement(&g_liveObjects); }
  ComObject(const ComObject&) = delete;
  ComObject& operator=(const ComObject&) = delete;

protected:
  ULONG AddRefImpl() { return InterlockedIncrement(&refs_); }
  ULONG ReleaseImpl() {
    LONG n = InterlockedDecrement(&refs_);
    if (n == 0) delete this;
    return n;
  }
  // The interface pointer for `iid` (IID_IUnknown included), or null.
  virtual void* FindInterface(REFIID iid) = 0;

private:
  LONG refs_ = 1;
};

}  // namespace dshow

// The three IUnknown methods of a class derived from ComObject, for every interface it inherits.
#define DSHOW_IUNKNOWN                                                                  \
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {                          \
    return ::dshow::HandOut(FindInterface(iid), out);                                   \
  }                                                                                       \
  STDMETHODIMP_(ULONG) AddRef() override { return AddRefImpl(); }                         \
  STDMETHODIMP_(ULONG) Release() override { return ReleaseImpl(); }

// The same for a part (a pin) whose lifetime is that of the object `owner` points to.
#define DSHOW_IUNKNOWN_OWNED_BY(owner)                                                  \
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {                          \
    return ::dshow::HandOut(FindInterface(iid), out);                                   \
  }                                                                                       \
  STDMETHODIMP_(ULONG) AddRef() override { return (owner)->AddRef(); }                    \
  STDMETHODIMP_(ULONG) Release() override { return (owner)->Release(); }
