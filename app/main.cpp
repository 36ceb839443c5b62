// Quillbay.exe: hands over to mdlQuillbay::Main, and is the last place an
// unexpected error can be told to the user.
#include "app/mdl_quillbay.h"
#include "app/paste_report.h"
#include "app/texts.h"
#include "platform/ui.h"

#include <exception>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    try {
        return mdlQuillbay::Main();
    } catch (const std::exception& error) {
        std::wstring text = texts::kUnexpectedError;
        try {
            text = pasteReport::UnexpectedErrorMessage(&error);
        } catch (...) {
        }
        platform::ui::ShowMessageBox(nullptr, text, texts::kTitle, MB_ICONERROR | MB_OK);
    } catch (...) {
        platform::ui::ShowMessageBox(nullptr, texts::kUnexpectedError, texts::kTitle, MB_ICONERROR | MB_OK);
    }
    return mdlQuillbay::kExitUnexpectedError;
}
