// OLE on this thread, for drag and drop.
#pragma once

namespace platform {

// OleInitialize for the thread, OleUninitialize with the object.
class OleSession {
public:
    OleSession();
    ~OleSession();
    OleSession(const OleSession&) = delete;
    OleSession& operator=(const OleSession&) = delete;
};

} // namespace platform
