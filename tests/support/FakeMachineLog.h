#pragma once
// The setup log as the code under test left it on a fake machine: one text per entry, time stamps removed.
#include <string>
#include <vector>

#include "core/SetupLog.h"
#include "platform/fakes/FakeMachine.h"

inline std::vector<std::wstring> LogEntriesIn(const platform::fakes::FakeFileSystem& files) {
    // The log is Latin-1 with CR LF line ends; every entry starts with the fake clock's stamp.
    std::string bytes = files.Contents(SetupLog::GetFilePath());
    std::wstring text;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
        text += static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]));
    }
    const std::wstring stamp = FormatLogStamp(platform::fakes::FakeClock().now) + L": ";
    std::vector<std::wstring> entries;
    for (std::size_t at = text.find(stamp); at != std::wstring::npos;) {
        std::size_t next = text.find(stamp, at + stamp.size());
        std::size_t end = next == std::wstring::npos ? text.size() : next;
        // Each entry ends with the line break the log adds.
        entries.push_back(text.substr(at + stamp.size(), end - at - stamp.size() - 1));
        at = next;
    }
    return entries;
}

inline std::vector<std::wstring> LogEntries(const platform::fakes::FakeMachine& machine) {
    return LogEntriesIn(machine.files);
}
