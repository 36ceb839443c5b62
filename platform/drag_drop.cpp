#include "platform/drag_drop.h"

#include "platform/code_page.h"
#include "platform/win32_error.h"

#include <shlobj.h>

#include <algorithm>
#include <exception>
#include <utility>

namespace platform::dragdrop {

namespace {

FORMATETC FileListFormat() noexcept
{
    return FORMATETC{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
}

// The medium GetData hands out, released with this object.
class Medium {
public:
    Medium() noexcept = default;
    ~Medium() { if (m_filled) ::ReleaseStgMedium(&m_medium); }
    Medium(const Medium&) = delete;
    Medium& operator=(const Medium&) = delete;
    STGMEDIUM* put() noexcept
    {
        m_filled = true;
        return &m_medium;
    }
    void Forget() noexcept { m_filled = false; }
    const STGMEDIUM& get() const noexcept { return m_medium; }

private:
    STGMEDIUM m_medium{};
    bool m_filled = false;
};

// A global block locked by its owner's constructor, unlocked with the owner:
// no path between the lock and its owner can leak it.
class LockedGlobal {
public:
    explicit LockedGlobal(HGLOBAL memory) noexcept : m_data(::GlobalLock(memory))
    {
        if (m_data) m_lock.reset(memory);
    }
    const char* data() const noexcept { return static_cast<const char*>(m_data); }

private:
    void* m_data;
    UniqueGlobalLock m_lock;
};

} // namespace

bool OffersFileList(IDataObject* data) noexcept
{
    if (!data) return false;
    FORMATETC format = FileListFormat();
    return data->QueryGetData(&format) == S_OK;
}

std::vector<std::wstring> FileList(IDataObject* data)
{
    std::vector<std::wstring> paths;
    if (!data) return paths;
    FORMATETC format = FileListFormat();
    Medium medium;
    if (FAILED(data->GetData(&format, medium.put()))) {
        medium.Forget();
        return paths;
    }
    if (medium.get().tymed != TYMED_HGLOBAL || !medium.get().hGlobal) return paths;
    // The list is read in one pass over the DROPFILES block: DragQueryFileW
    // walks it from the start for every index, which makes a drop of 32767
    // files take seconds.
    HGLOBAL memory = medium.get().hGlobal;
    const SIZE_T size = ::GlobalSize(memory);
    const LockedGlobal locked(memory);
    return locked.data() ? FileListOf(locked.data(), size) : paths;
}

std::vector<std::wstring> FileListOf(const void* data, std::size_t size)
{
    std::vector<std::wstring> paths;
    const char* block = static_cast<const char*>(data);
    if (size < sizeof(DROPFILES)) return paths;
    const auto* header = reinterpret_cast<const DROPFILES*>(block);
    if (header->pFiles >= size) return paths;
    const char* at = block + header->pFiles;
    const char* end = block + size;
    if (header->fWide) {
        const auto* text = reinterpret_cast<const wchar_t*>(at);
        const auto* textEnd = text + (end - at) / static_cast<std::ptrdiff_t>(sizeof(wchar_t));
        while (text < textEnd && *text) {
            const wchar_t* nul = std::find(text, textEnd, L'\0');
            paths.emplace_back(text, nul);
            text = nul + 1;
        }
    } else {
        while (at < end && *at) {
            const char* nul = std::find(at, end, '\0');
            paths.push_back(FromAnsi(std::string_view(at, static_cast<std::size_t>(nul - at))));
            at = nul + 1;
        }
    }
    return paths;
}

namespace {

class DropTarget final : public IDropTarget {
public:
    explicit DropTarget(DropHandlers handlers) : m_handlers(std::move(handlers)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (!object) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDropTarget)) {
            *object = static_cast<IDropTarget*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(::InterlockedIncrement(&m_references)); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const LONG left = ::InterlockedDecrement(&m_references);
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }

    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD, POINTL, DWORD* effect) override
    {
        if (!effect) return E_INVALIDARG;
        m_data.reset();
        if (data) {
            data->AddRef();
            m_data = ComPtr<IDataObject>::Attach(data);
        }
        return Answer(m_data.get(), effect);
    }

    HRESULT STDMETHODCALLTYPE DragOver(DWORD, POINTL, DWORD* effect) override
    {
        if (!effect) return E_INVALIDARG;
        return Answer(m_data.get(), effect);
    }

    HRESULT STDMETHODCALLTYPE DragLeave() override
    {
        m_data.reset();
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD, POINTL, DWORD* effect) override
    {
        m_data.reset();
        if (!effect) return E_INVALIDARG;
        // Asked once more: a drop the handler would refuse never reaches it.
        const HRESULT answered = Answer(data, effect);
        if (FAILED(answered) || *effect == DROPEFFECT_NONE) return answered;
        const DWORD accepted = *effect;
        return Guarded(effect, [&] {
            if (m_handlers.drop) m_handlers.drop(data);
            *effect = accepted;
        });
    }

private:
    ~DropTarget() = default;

    HRESULT Answer(IDataObject* data, DWORD* effect)
    {
        const DWORD allowed = *effect;
        return Guarded(effect, [&] {
            const DWORD wanted = m_handlers.dragOver ? m_handlers.dragOver(data) : DROPEFFECT_NONE;
            // The source decides what it allows; an effect it did not offer is none.
            *effect = wanted & allowed;
        });
    }

    // The system called us: nothing may escape, and a failure refuses the drop.
    template <typename Body>
    HRESULT Guarded(DWORD* effect, Body&& body) noexcept
    {
        try {
            body();
            return S_OK;
        } catch (const std::exception& error) {
            Report(&error);
        } catch (...) {
            Report(nullptr);
        }
        *effect = DROPEFFECT_NONE;
        return E_UNEXPECTED;
    }

    void Report(const std::exception* error) noexcept
    {
        try {
            if (m_handlers.failed) m_handlers.failed(error);
        } catch (...) {
        }
    }

    LONG m_references = 1;
    DropHandlers m_handlers;
    ComPtr<IDataObject> m_data;
};

} // namespace

ComPtr<IDropTarget> MakeDropTarget(DropHandlers handlers)
{
    return ComPtr<IDropTarget>::Attach(new DropTarget(std::move(handlers)));
}

DragDropRegistration::DragDropRegistration(HWND hwnd, IDropTarget* target)
{
    const HRESULT result = ::RegisterDragDrop(hwnd, target);
    if (FAILED(result)) ThrowError("RegisterDragDrop", static_cast<DWORD>(result));
    m_window.reset(hwnd);
}

} // namespace platform::dragdrop
