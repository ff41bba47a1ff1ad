// Move-only owners of Win32 handles: one owner closes each handle, once.
#pragma once

#include <windows.h>

#include <type_traits>

namespace platform::win32 {

// Holds a handle of type T that Close closes. An owner holding null closes nothing; a HANDLE equal to
// INVALID_HANDLE_VALUE (how CreateFileW and FindFirstFileW fail) is held as null.
template <typename T, typename Close>
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(T h) : h_(valid(h) ? h : nullptr) {}
    ~UniqueHandle() { reset(); }
    UniqueHandle(UniqueHandle&& other) noexcept : h_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    T get() const { return h_; }
    explicit operator bool() const { return valid(h_); }
    // For functions that return a handle through a pointer: the old one is closed first.
    T* out() {
        reset();
        return &h_;
    }
    T release() {
        T h = h_;
        h_ = nullptr;
        return h;
    }
    void reset(T h = nullptr) {
        if (valid(h_)) Close()(h_);
        h_ = valid(h) ? h : nullptr;
    }

private:
    static bool valid(T h) {
        if constexpr (std::is_same_v<T, HANDLE>) return h != nullptr && h != INVALID_HANDLE_VALUE;
        return h != nullptr;
    }

    T h_ = nullptr;
};

struct CloseKernelHandle {
    void operator()(HANDLE h) const { CloseHandle(h); }
};
struct CloseRegistryKey {
    void operator()(HKEY key) const { RegCloseKey(key); }
};
struct CloseFindHandle {
    void operator()(HANDLE h) const { FindClose(h); }
};

// Files, pipes, processes, threads, devices, events.
using Handle = UniqueHandle<HANDLE, CloseKernelHandle>;
// An open registry key (never one of the predefined roots such as HKEY_CURRENT_USER).
using KeyHandle = UniqueHandle<HKEY, CloseRegistryKey>;
// A FindFirstFileW search.
using FindHandle = UniqueHandle<HANDLE, CloseFindHandle>;

}  // namespace platform::win32
