#pragma once
// The texts of the setup log's entries as they were written, read back from the fake machine's
// file: every entry starts with the fake clock's fixed stamp and ends with CR LF, and the log
// wrote each line feed of a text as CR LF.
#include <string>
#include <vector>

#include "core/SetupLog.h"
#include "platform/fakes/FakeMachine.h"

inline std::vector<std::wstring> LogLines(const std::string& bytes) {
    const std::string stamp = EncodeLogBytes(FormatLogStamp(platform::fakes::FakeClock().now) + L": ");
    std::vector<std::wstring> lines;
    std::size_t start = bytes.find(stamp);
    while (start != std::string::npos) {
        start += stamp.size();
        std::size_t next = bytes.find(stamp, start);
        std::string entry = bytes.substr(start, (next == std::string::npos ? bytes.size() : next) - start);
        if (entry.size() >= 2 && entry.compare(entry.size() - 2, 2, "\r\n") == 0) entry.resize(entry.size() - 2);
        std::wstring text;
        for (std::size_t i = 0; i < entry.size(); ++i) {
            if (entry[i] == '\r' && i + 1 < entry.size() && entry[i + 1] == '\n') continue;
            text.push_back(static_cast<wchar_t>(static_cast<unsigned char>(entry[i])));
        }
        lines.push_back(text);
        start = next;
    }
    return lines;
}
