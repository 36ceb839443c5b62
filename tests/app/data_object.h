// A minimal IDataObject for dropping onto the window in tests: a file list
// (CF_HDROP, as Explorer and Wine's XDND bridge offer it) or plain text. A new
// object comes with one reference, which the caller releases.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace apptest {

class DataObject final : public IDataObject {
public:
    static DataObject* Files(const std::vector<std::wstring>& paths)
    {
        std::wstring list;
        for (const auto& path : paths) list += path + L'\0';
        const DROPFILES header{sizeof(DROPFILES), {}, FALSE, TRUE};
        std::string block(reinterpret_cast<const char*>(&header), sizeof header);
        return new DataObject(CF_HDROP, block.append(reinterpret_cast<const char*>(list.c_str()), (list.size() + 1) * 2));
    }
    static DataObject* Text(const std::string& ansi) { return new DataObject(CF_TEXT, ansi + '\0'); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override
    {
        *out = riid == IID_IUnknown || riid == IID_IDataObject ? static_cast<IDataObject*>(this) : nullptr;
        return *out ? (AddRef(), S_OK) : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(::InterlockedIncrement(&m_refs)); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG refs = static_cast<ULONG>(::InterlockedDecrement(&m_refs));
        if (refs == 0) delete this;
        return refs;
    }
    // Each receiver owns and frees a copy of its own.
    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override
    {
        if (const HRESULT can = QueryGetData(format); can != S_OK) return can;
        *medium = {TYMED_HGLOBAL, {}, nullptr};
        medium->hGlobal = ::GlobalAlloc(GMEM_MOVEABLE, m_bytes.size());
        std::memcpy(::GlobalLock(medium->hGlobal), m_bytes.data(), m_bytes.size());
        ::GlobalUnlock(medium->hGlobal);
        return S_OK;
    }
    // As strict as the system's own data objects: content of the whole data only.
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override
    {
        if (!format || format->cfFormat != m_format || !(format->tymed & TYMED_HGLOBAL)) return DV_E_FORMATETC;
        if (format->dwAspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
        return format->lindex == -1 ? S_OK : DV_E_LINDEX;
    }
    // A target in another process asks for the formats through this.
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD direction, IEnumFORMATETC** out) override
    {
        FORMATETC format{m_format, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
        return direction == DATADIR_GET ? ::SHCreateStdEnumFmtEtc(1, &format, out) : E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override { return out->ptd = nullptr, E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

private:
    DataObject(CLIPFORMAT format, std::string bytes) : m_format(format), m_bytes(std::move(bytes)) {}

    LONG m_refs = 1;
    CLIPFORMAT m_format;
    std::string m_bytes;
};

} // namespace apptest
