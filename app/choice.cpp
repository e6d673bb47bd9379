// A question with buttons that say what they do.
#include "app/shell.h"

#include <commctrl.h>

int ask_choice(HWND owner, const std::wstring& text, const wchar_t* first, const wchar_t* second,
               bool cancel) {
    // The task dialog comes with the newer common controls; it is looked up,
    // so that the program still starts where they are missing.
    using TaskDialogIndirectProc = HRESULT(WINAPI*)(const TASKDIALOGCONFIG*, int*, int*, BOOL*);
    HMODULE controls = GetModuleHandleW(L"comctl32.dll");
    const auto task_dialog = reinterpret_cast<TaskDialogIndirectProc>(
        controls ? reinterpret_cast<void*>(GetProcAddress(controls, "TaskDialogIndirect"))
                 : nullptr);
    if (task_dialog) {
        const TASKDIALOG_BUTTON buttons[] = {{IDYES, first}, {IDNO, second}};
        TASKDIALOGCONFIG config{};
        config.cbSize = sizeof config;
        config.hwndParent = owner;
        config.dwFlags = TDF_ALLOW_DIALOG_CANCELLATION;
        config.dwCommonButtons = cancel ? TDCBF_CANCEL_BUTTON : 0;
        config.pszWindowTitle = L"Quillomat";
        config.pszMainIcon = TD_WARNING_ICON;
        config.pszContent = text.c_str();
        config.cButtons = 2;
        config.pButtons = buttons;
        config.nDefaultButton = IDYES;
        int pressed = 0;
        if (SUCCEEDED(task_dialog(&config, &pressed, nullptr, nullptr)))
            return pressed == IDYES ? 1 : pressed == IDNO ? 2 : 0;
    }
    const std::wstring explained = text + L"\n\nYes: " + first + L".\nNo: " + second + L"." +
                                   (cancel ? L"\nCancel: change nothing." : L"");
    const int answer = MessageBoxW(owner, explained.c_str(), L"Quillomat",
                                   MB_YESNOCANCEL | MB_ICONWARNING | MB_TASKMODAL | MB_SETFOREGROUND);
    return answer == IDYES ? 1 : answer == IDNO ? 2 : 0;
}
