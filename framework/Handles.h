// Small owning wrappers so that every handle, GDI object and COM reference is released exactly once.
#pragma once
#include <windows.h>
#include <unknwn.h>
#include <utility>

// A kernel handle closed with CloseHandle; both null and INVALID_HANDLE_VALUE mean "none".
class UniqueHandle {
public:
  UniqueHandle() = default;
  explicit UniqueHandle(HANDLE h) : handle_(h) {}
  ~UniqueHandle() { Reset(); }
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.Release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;

  HANDLE Get() const { return handle_; }
  bool Valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
  explicit operator bool() const { return Valid(); }
  HANDLE Release() { return std::exchange(handle_, nullptr); }
  void Reset(HANDLE h = nullptr) {
    if (Valid()) CloseHandle(handle_);
    handle_ = h;
  }

private:
  HANDLE handle_ = nullptr;
};

// A GDI object (bitmap, font, brush) deleted with DeleteObject.
template <typename T>
class GdiObject {
public:
  GdiObject() = default;
  explicit GdiObject(T h) : handle_(h) {}
  ~GdiObject() { Reset(); }
  GdiObject(GdiObject&& other) noexcept : handle_(other.Release()) {}
  GdiObject& operator=(GdiObject&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  GdiObject(const GdiObject&) = delete;
  GdiObject& operator=(const GdiObject&) = delete;

  T Get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }
  T Release() { return std::exchange(handle_, nullptr); }
  void Reset(T h = nullptr) {
    if (handle_) DeleteObject(handle_);
    handle_ = h;
  }

private:
  T handle_ = nullptr;
};

// A window's device context from GetDC, given back with ReleaseDC.
class WindowDC {
public:
  explicit WindowDC(HWND hwnd) : hwnd_(hwnd), dc_(GetDC(hwnd)) {}
  ~WindowDC() { if (dc_) ReleaseDC(hwnd_, dc_); }
  WindowDC(const WindowDC&) = delete;
  WindowDC& operator=(const WindowDC&) = delete;
  HDC Get() const { return dc_; }

private:
  HWND hwnd_;
  HDC dc_;
};

// A memory device context from CreateCompatibleDC, deleted with DeleteDC.
class MemoryDC {
public:
  explicit MemoryDC(HDC compatibleWith) : dc_(CreateCompatibleDC(compatibleWith)) {}
  ~MemoryDC() { if (dc_) DeleteDC(dc_); }
  MemoryDC(const MemoryDC&) = delete;
  MemoryDC& operator=(const MemoryDC&) = delete;
  HDC Get() const { return dc_; }

private:
  HDC dc_;
};

// Selects an object into a DC for the lifetime of the guard.
class SelectGuard {
public:
  SelectGuard(HDC dc, HGDIOBJ obj) : dc_(dc), old_(SelectObject(dc, obj)) {}
  ~SelectGuard() { if (old_) SelectObject(dc_, old_); }
  SelectGuard(const SelectGuard&) = delete;
  SelectGuard& operator=(const SelectGuard&) = delete;

private:
  HDC dc_;
  HGDIOBJ old_;
};

// An open registry key closed with RegCloseKey.
class RegistryKey {
public:
  RegistryKey() = default;
  ~RegistryKey() { if (key_) RegCloseKey(key_); }
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;
  HKEY* Out() { return &key_; }
  HKEY Get() const { return key_; }

private:
  HKEY key_ = nullptr;
};

// A find handle of FindFirstFile, closed with FindClose.
class FindHandle {
public:
  explicit FindHandle(HANDLE h) : handle_(h) {}
  ~FindHandle() { if (Valid()) FindClose(handle_); }
  FindHandle(const FindHandle&) = delete;
  FindHandle& operator=(const FindHandle&) = delete;
  bool Valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE Get() const { return handle_; }

private:
  HANDLE handle_;
};

// One counted COM reference, released exactly once.
template <typename T>
class ComPtr {
public:
  ComPtr() = default;
  ComPtr(std::nullptr_t) {}
  // Takes over a reference that the caller already owns.
  static ComPtr Attach(T* p) { ComPtr c; c.ptr_ = p; return c; }
  ComPtr(const ComPtr& other) : ptr_(other.ptr_) { if (ptr_) ptr_->AddRef(); }
  ComPtr(ComPtr&& other) noexcept : ptr_(std::exchange(other.ptr_, nullptr)) {}
  ~ComPtr() { Reset(); }
  ComPtr& operator=(const ComPtr& other) {
    if (other.ptr_) other.ptr_->AddRef();
    Reset();
    ptr_ = other.ptr_;
    return *this;
  }
  ComPtr& operator=(ComPtr&& other) noexcept {
    if (this != &other) { Reset(); ptr_ = std::exchange(other.ptr_, nullptr); }
    return *this;
  }
  ComPtr& operator=(std::nullptr_t) { Reset(); return *this; }

  T* Get() const { return ptr_; }
  T* operator->() const { return ptr_; }
  explicit operator bool() const { return ptr_ != nullptr; }
  // Releases the current reference and gives the address for an out-parameter.
  T** Out() { Reset(); return &ptr_; }
  void** OutVoid() { return reinterpret_cast<void**>(Out()); }
  void Reset() { if (ptr_) { T* p = std::exchange(ptr_, nullptr); p->Release(); } }
  T* Detach() { return std::exchange(ptr_, nullptr); }

  template <typename U>
  HRESULT As(ComPtr<U>& out) const {
    if (!ptr_) { out.Reset(); return E_POINTER; }
    return ptr_->QueryInterface(__uuidof(U), out.OutVoid());
  }

private:
  T* ptr_ = nullptr;
};
