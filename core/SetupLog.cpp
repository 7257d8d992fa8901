#include "core/SetupLog.h"

#include <cstdio>

#include "core/MessageCatalogue.h"
#include "core/ProductConstants.h"
#include "platform/Services.h"
#include "threads/VolMutexUntraced.h"

namespace {

constexpr std::size_t kTempPathChars = 1024;
// The line format is the same text in every language; it is built in so that a missing string
// table never costs the log its lines.
constexpr wchar_t kDefaultLineFormat[] = L"%s: %s\n";

LogWriter& ProcessLog() {
    static LogWriter& writer = *new LogWriter;
    return writer;
}

}  // namespace

void SetupLog::Write(const std::wstring& text) {
    ProcessLog().Write(text);
}

std::wstring SetupLog::GetFilePath() {
    return ProcessLog().FilePath();
}

std::wstring FormatLogStamp(const std::optional<platform::LocalTime>& time) {
    if (!time) return std::wstring();
    wchar_t stamp[64];
    int written = std::swprintf(stamp, 64, L"%02d/%02d/%02d - %02d:%02d:%02d", time->month, time->day, time->year % 100,
                                time->hour, time->minute, time->second);
    return written > 0 ? std::wstring(stamp, static_cast<std::size_t>(written)) : std::wstring();
}

std::string EncodeLogBytes(const std::wstring& text) {
    std::string bytes;
    bytes.reserve(text.size() + 2);
    for (wchar_t c : text) {
        if (c == L'\n') {
            bytes += "\r\n";
        } else {
            auto code = static_cast<unsigned long>(c) & (sizeof(wchar_t) == 2 ? 0xFFFFUL : 0xFFFFFFFFUL);
            bytes += code <= 0xFF ? static_cast<char>(code) : '?';
        }
    }
    return bytes;
}

void LogWriter::Write(const std::wstring& text) {
    VolMutexUntracedHold guard(lock_);
    platform::Services& os = platform::Os();
    if (firstWrite_) {
        // An unreadable temporary folder leaves the bare file name: the log goes to the current folder.
        filePath_ = os.files->TempFolder(kTempPathChars).value_or(std::wstring()) + product::kLogFileName;
    }
    bool truncate = firstWrite_ && !os.mutexes->Exists(product::kSessionMutex);
    auto mode = truncate ? platform::OpenMode::Truncate : platform::OpenMode::Append;
    // The flag goes whatever the outcome: after a failed first open the next entries append.
    firstWrite_ = false;

    std::unique_ptr<platform::ExclusiveFile> file = os.files->OpenExclusive(filePath_, mode);
    if (!file) return;  // a log entry that cannot be written is dropped silently

    std::wstring lineFormat = MessageCatalogue::Load(kMsgLogLine);
    if (lineFormat.empty()) lineFormat = kDefaultLineFormat;
    std::wstring line = FormatWidePrintf(lineFormat, {FormatLogStamp(os.clock->LocalNow()), text});
    std::string bytes = EncodeLogBytes(line);
    file->Write(bytes.data(), bytes.size());
    file->Close();
}

std::wstring LogWriter::FilePath() const {
    VolMutexUntracedHold guard(lock_);
    return filePath_;
}
