// TTeraPadMainForm: the stand-in's main window with TeraPad's children, its
// private messages, a Tools menu, and the tests' side channel.
#pragma once

#include "memo.h"
#include "message_log.h"
#include "options.h"

#include "platform/handles.h"

#include <windows.h>

#include <memory>
#include <string>

namespace standin {

class MainWindow {
public:
    static void RegisterClasses(HINSTANCE instance);

    // Opens the document the options name and shows the window.
    explicit MainWindow(Options options);
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    HWND Handle() const noexcept { return m_window.get(); }

private:
    static LRESULT CALLBACK s_WndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam);

    LRESULT OnCreate();
    LRESULT OnSize();
    LRESULT OnCommand(WORD command);
    LRESULT OnSave();
    LRESULT OnReloadIni();
    LRESULT OnDumpState();
    LRESULT OnCopyData(const COPYDATASTRUCT* data);
    LRESULT OnClose();
    LRESULT OnDestroy();

    void CreateChildren();
    HMENU BuildMenu() const;
    void StartTool();
    void UpdateCaption();

    Options m_options;
    std::wstring m_iniPath;
    EditorState m_state;
    MessageLog m_log;
    long m_editMode;
    int m_reloadCount = 0;
    platform::UniqueWindow m_window;
    std::unique_ptr<Memo> m_memo;
    platform::UniqueWindow m_popup;
};

} // namespace standin
