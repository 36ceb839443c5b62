// Ownership of handles and COM pointers: one move-only template, one alias
// per handle kind, so that no path can leak or close twice.
#pragma once

#include <windows.h>

#include <utility>

namespace platform {

template <typename Traits>
class UniqueResource {
public:
    using Type = typename Traits::Type;

    UniqueResource() noexcept = default;
    explicit UniqueResource(Type value) noexcept : m_value(value) {}
    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;
    UniqueResource(UniqueResource&& other) noexcept : m_value(other.release()) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept
    {
        if (this != &other) reset(other.release());
        return *this;
    }
    ~UniqueResource() { reset(); }

    Type get() const noexcept { return m_value; }
    explicit operator bool() const noexcept { return m_value != Traits::Invalid(); }
    Type release() noexcept { return std::exchange(m_value, Traits::Invalid()); }
    void reset(Type value = Traits::Invalid()) noexcept
    {
        Type old = std::exchange(m_value, value);
        if (old != Traits::Invalid()) Traits::Close(old);
    }

private:
    Type m_value = Traits::Invalid();
};

// The traits of most kinds: null owns nothing.
template <typename T>
struct NullIsEmpty {
    using Type = T;
    static Type Invalid() noexcept { return nullptr; }
};

// Processes and threads get traits of their own, so that one cannot be
// handed where the other is meant.
struct ProcessTraits : NullIsEmpty<HANDLE> {
    static void Close(Type h) noexcept { ::CloseHandle(h); }
};
struct ThreadTraits : ProcessTraits {};
struct EventTraits : ProcessTraits {};
struct FileTraits {
    using Type = HANDLE;
    static Type Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(Type h) noexcept { ::CloseHandle(h); }
};
struct FontTraits : NullIsEmpty<HFONT> {
    static void Close(Type h) noexcept { ::DeleteObject(h); }
};
struct WindowTraits : NullIsEmpty<HWND> {
    static void Close(Type h) noexcept { ::DestroyWindow(h); }
};
struct GlobalLockTraits : NullIsEmpty<HGLOBAL> {
    static void Close(Type h) noexcept { ::GlobalUnlock(h); }
};

using UniqueFile = UniqueResource<FileTraits>;
using UniqueProcess = UniqueResource<ProcessTraits>;
using UniqueThread = UniqueResource<ThreadTraits>;
using UniqueEvent = UniqueResource<EventTraits>;
using UniqueFont = UniqueResource<FontTraits>;
using UniqueWindow = UniqueResource<WindowTraits>;
using UniqueGlobalLock = UniqueResource<GlobalLockTraits>;

// COM pointer, move-only: holds one reference and Releases it when it lets go.
template <typename T>
class ComPtr {
public:
    ComPtr() noexcept = default;
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& other) noexcept : m_ptr(std::exchange(other.m_ptr, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept
    {
        if (this != &other) {
            reset();
            m_ptr = std::exchange(other.m_ptr, nullptr);
        }
        return *this;
    }
    ~ComPtr() { reset(); }

    // Takes over a reference the caller already owns (a creation result).
    static ComPtr Attach(T* ptr) noexcept
    {
        ComPtr p;
        p.m_ptr = ptr;
        return p;
    }
    T* get() const noexcept { return m_ptr; }
    T* operator->() const noexcept { return m_ptr; }
    explicit operator bool() const noexcept { return m_ptr != nullptr; }
    T** put() noexcept
    {
        reset();
        return &m_ptr;
    }
    void reset() noexcept
    {
        if (m_ptr) std::exchange(m_ptr, nullptr)->Release();
    }

private:
    T* m_ptr = nullptr;
};

} // namespace platform
