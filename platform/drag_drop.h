// OLE drag and drop onto a window: the registration, the file list of a data
// object and an IDropTarget that forwards to C++ handlers. OLE itself is
// started by platform::OleSession (ole_session.h).
#pragma once

#include "platform/handles.h"

#include <windows.h>
#include <ole2.h>

#include <cstddef>
#include <exception>
#include <functional>
#include <string>
#include <vector>

namespace platform::dragdrop {

// True when the data offers the file-list format (CF_HDROP in global memory).
bool OffersFileList(IDataObject* data) noexcept;
// The full paths of the file list (DROPFILES, wide or ANSI), in the data's
// order; empty without one.
std::vector<std::wstring> FileList(IDataObject* data);
// The paths of a DROPFILES block of size bytes, as FileList reads them. A
// block that breaks off gives the paths up to its end, and nothing is read
// beyond it.
std::vector<std::wstring> FileListOf(const void* block, std::size_t size);

struct DropHandlers {
    // The effect for the data being dragged (DROPEFFECT_COPY or DROPEFFECT_NONE).
    std::function<DWORD(IDataObject*)> dragOver;
    std::function<void(IDataObject*)> drop;
    // An exception that a handler threw; the drop is refused.
    std::function<void(const std::exception*)> failed;
};

// An IDropTarget whose methods hand over to the handlers and never let an
// exception out. Drop reaches drop only when the last answer was not none.
ComPtr<IDropTarget> MakeDropTarget(DropHandlers handlers);

// RegisterDragDrop for the window's lifetime of this object: RevokeDragDrop
// on destruction. Throws Win32Error (with the HRESULT) when it fails.
class DragDropRegistration {
public:
    DragDropRegistration() noexcept = default;
    DragDropRegistration(HWND hwnd, IDropTarget* target);

private:
    struct RevokeTraits : NullIsEmpty<HWND> {
        static void Close(Type h) noexcept { ::RevokeDragDrop(h); }
    };
    UniqueResource<RevokeTraits> m_window;
};

} // namespace platform::dragdrop
