#pragma once
// What the machine checks' tests share: the catalogue's English texts for the decisions, and the
// log a check wrote on a fake machine.
#include <string>
#include <vector>

#include "core/SetupLog.h"
#include "platform/Text.h"
#include "platform/fakes/FakeMachine.h"
#include "resources/CatalogueTable.h"

namespace machine_test {

inline std::wstring English(unsigned id) {
    const wchar_t* text = catalogue::FindEntry(catalogue::ChooseTableLanguage(0x0409), id);
    return text != nullptr ? text : L"";
}

// The texts of the machine's log entries, without their time stamps.
inline std::vector<std::wstring> LogTexts(const platform::fakes::FakeMachine& machine) {
    std::string bytes = machine.files.Contents(SetupLog::GetFilePath());
    std::vector<std::wstring> texts;
    for (std::size_t at = 0; at < bytes.size();) {
        std::size_t end = bytes.find("\r\n", at);
        std::string line = bytes.substr(at, end - at);
        texts.push_back(platform::FromUtf8(line.substr(line.find(": ") + 2)));
        at = end == std::string::npos ? bytes.size() : end + 2;
    }
    return texts;
}

}  // namespace machine_test
