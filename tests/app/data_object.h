// A minimal IDataObject for dropping onto the window in tests: a file list
// (CF_HDROP, as Explorer and Wine's XDND bridge offer it) or plain text.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include <cstring>
#include <string>
#include <vector>

namespace apptest {

class DataObject final : public IDataObject {
public:
    static DataObject* Files(const std::vector<std::wstring>& paths) { return new DataObject(CF_HDROP, MakeDrop(paths)); }
    static DataObject* Text(const std::string& ansi) { return new DataObject(CF_TEXT, MakeText(ansi)); }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override
    {
        if (riid == IID_IUnknown || riid == IID_IDataObject) {
            *out = static_cast<IDataObject*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(::InterlockedIncrement(&m_refs)); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG refs = static_cast<ULONG>(::InterlockedDecrement(&m_refs));
        if (refs == 0) delete this;
        return refs;
    }

    // IDataObject
    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override
    {
        if (QueryGetData(format) != S_OK) return DV_E_FORMATETC;
        const SIZE_T size = ::GlobalSize(m_data);
        HGLOBAL copy = ::GlobalAlloc(GMEM_MOVEABLE, size);
        std::memcpy(::GlobalLock(copy), ::GlobalLock(m_data), size);
        ::GlobalUnlock(copy);
        ::GlobalUnlock(m_data);
        medium->tymed = TYMED_HGLOBAL;
        medium->hGlobal = copy;
        medium->pUnkForRelease = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override
    {
        if (!format || format->cfFormat != m_format || !(format->tymed & TYMED_HGLOBAL)) return DV_E_FORMATETC;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override
    {
        out->ptd = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    // A source in another process is asked for its formats through this.
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD direction, IEnumFORMATETC** out) override
    {
        if (direction != DATADIR_GET) return E_NOTIMPL;
        FORMATETC format{m_format, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
        return ::SHCreateStdEnumFmtEtc(1, &format, out);
    }
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

private:
    DataObject(CLIPFORMAT format, HGLOBAL data) : m_format(format), m_data(data) {}
    ~DataObject() { ::GlobalFree(m_data); }

    static HGLOBAL MakeDrop(const std::vector<std::wstring>& paths)
    {
        std::wstring list;
        for (const auto& path : paths) list += path + L'\0';
        list += L'\0';
        const SIZE_T size = sizeof(DROPFILES) + list.size() * sizeof(wchar_t);
        HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
        auto* drop = static_cast<DROPFILES*>(::GlobalLock(memory));
        drop->pFiles = sizeof(DROPFILES);
        drop->fWide = TRUE;
        std::memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), list.data(), list.size() * sizeof(wchar_t));
        ::GlobalUnlock(memory);
        return memory;
    }
    static HGLOBAL MakeText(const std::string& ansi)
    {
        HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, ansi.size() + 1);
        std::memcpy(::GlobalLock(memory), ansi.c_str(), ansi.size() + 1);
        ::GlobalUnlock(memory);
        return memory;
    }

    LONG m_refs = 1;
    CLIPFORMAT m_format;
    HGLOBAL m_data;
};

} // namespace apptest
