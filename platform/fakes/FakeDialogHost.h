#pragma once
// The dialog's window in memory: each control's text, visibility, enabled and check state, the
// default button, the focus, the progress positions, how the run ended and the addresses opened.
// A test stages the controls as the dialog template creates them, drives the dialog's logic and
// reads the window back.
#include <map>
#include <optional>
#include <vector>

#include "platform/DialogHost.h"

namespace platform::fakes {

class FakeDialogHost final : public DialogHost {
public:
    struct Control {
        std::wstring text;
        bool shown = true;
        bool enabled = true;
        bool checked = false;
        bool operator==(const Control& other) const {
            return text == other.text && shown == other.shown && enabled == other.enabled && checked == other.checked;
        }
    };

    WindowHandle Window() const override { return window; }
    void SetTitle(const std::wstring& text) override { title = text; }
    void SetControlText(int control, const std::wstring& text) override { controls[control].text = text; }
    void ShowControl(int control, bool shown) override { controls[control].shown = shown; }
    void EnableControl(int control, bool enabled) override { controls[control].enabled = enabled; }
    void SetChecked(int control, bool checked) override { controls[control].checked = checked; }
    bool IsChecked(int control) const override {
        auto it = controls.find(control);
        return it != controls.end() && it->second.checked;
    }
    void SetDefaultButton(int control) override { defaultButton = control; }
    void Focus(int control) override { focused = control; }
    void SetProgressPosition(int, std::int32_t position) override { progress.push_back(position); }
    void EndDialog(int result) override { ended.push_back(result); }
    void ComeToFront() override { ++broughtToFront; }
    void OpenAddress(const std::wstring& address) override { opened.push_back(address); }
    std::uint32_t RegisteredMessage(const std::wstring& name) override {
        auto it = registered.find(name);
        if (it != registered.end()) return it->second;
        // Registered numbers lie in 0xC000-0xFFFF, apart from every fixed message.
        return registered[name] = 0xC000u + static_cast<std::uint32_t>(registered.size());
    }

    // An automatic check box: a click toggles it before the dialog hears of it.
    void ToggleCheck(int control) { SetChecked(control, !IsChecked(control)); }

    WindowHandle window = reinterpret_cast<WindowHandle>(0x1234);
    std::wstring title;
    std::map<int, Control> controls;
    std::optional<int> defaultButton;
    std::optional<int> focused;
    std::vector<std::int32_t> progress;  // every position set, in order
    std::vector<int> ended;              // every result the dialog ended with
    int broughtToFront = 0;
    std::vector<std::wstring> opened;
    std::map<std::wstring, std::uint32_t> registered;
};

}  // namespace platform::fakes
