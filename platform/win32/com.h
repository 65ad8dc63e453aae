// COM for the WIC layers (pictures in and out): COM started on the calling thread for the length
// of one call, and one reference to a COM object held and released. Windows only.
#pragma once

#include <windows.h>
#include <objbase.h>

namespace os::win32 {

// RPC_E_CHANGED_MODE means the thread already runs COM in the other apartment model, which WIC
// works with as well; only a successful CoInitializeEx (S_OK, or S_FALSE when already
// initialised) is balanced.
class ComScope {
public:
    ComScope() : result(CoInitializeEx(nullptr, COINIT_MULTITHREADED)) {}
    ~ComScope()
    {
        if (SUCCEEDED(result))
            CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

    bool usable() const { return SUCCEEDED(result) || result == RPC_E_CHANGED_MODE; }
    HRESULT status() const { return result == RPC_E_CHANGED_MODE ? S_OK : result; }

private:
    HRESULT result;
};

template <class Interface>
class ComRef {
public:
    ComRef() = default;
    ~ComRef() { reset(); }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;

    Interface** put()
    {
        reset();
        return &pointer;
    }
    Interface* get() const { return pointer; }
    Interface* operator->() const { return pointer; }

private:
    void reset()
    {
        if (pointer)
            pointer->Release();
        pointer = nullptr;
    }
    Interface* pointer = nullptr;
};

} // namespace os::win32
