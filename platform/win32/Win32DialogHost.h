#pragma once
#include <windows.h>

#include "platform/DialogHost.h"

namespace platform {

// The setup dialog's logic acting on a real dialog window. Controls are found by their IDs with
// GetDlgItem, so an ID the template lacks finds nothing and the operation does nothing.
class Win32DialogHost final : public DialogHost {
public:
    explicit Win32DialogHost(HWND dialog) : dialog_(dialog) {}

    WindowHandle Window() const override { return reinterpret_cast<WindowHandle>(dialog_); }
    void SetTitle(const std::wstring& text) override;
    void SetControlText(int control, const std::wstring& text) override;
    void ShowControl(int control, bool shown) override;
    void EnableControl(int control, bool enabled) override;
    void SetChecked(int control, bool checked) override;
    bool IsChecked(int control) const override;
    void SetDefaultButton(int control) override;
    void Focus(int control) override;
    void SetProgressPosition(int control, std::int32_t position) override;
    void EndDialog(int result) override;
    void ComeToFront() override;
    void OpenAddress(const std::wstring& address) override;
    std::uint32_t RegisteredMessage(const std::wstring& name) override;

private:
    HWND Control(int control) const { return GetDlgItem(dialog_, control); }

    HWND dialog_;
};

}  // namespace platform
