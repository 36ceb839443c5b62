#include "platform/ole_session.h"

#include "platform/win32_error.h"

#include <windows.h>
#include <ole2.h>

namespace platform {

OleSession::OleSession()
{
    const HRESULT result = ::OleInitialize(nullptr);
    if (FAILED(result)) ThrowError("OleInitialize", static_cast<DWORD>(result));
}

OleSession::~OleSession()
{
    ::OleUninitialize();
}

} // namespace platform
