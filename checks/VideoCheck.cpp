#include "checks/VideoCheck.h"

#include "checks/VideoAdapter.h"
#include "core/MessageCatalogue.h"
#include "core/ProductConstants.h"
#include "core/SetupLog.h"

namespace {

constexpr std::uint32_t kNameBufferBytes = 1024;
constexpr std::uint32_t kBytesPerMb = 1048576;

}  // namespace

VideoVerdict DecideVideoCard(const std::string& name, std::uint32_t memory, int adapterVerdict, TextLoader loadText) {
    // The name is shown as a C string: it ends at its first 0 byte.
    std::wstring wideName = WidenBytes(name.substr(0, name.find('\0')));
    VideoVerdict verdict;
    verdict.accepted = adapterVerdict != kAdapterRefused;
    verdict.logLines = {L"IN-> IsVideoCardOK()", FormatWidePrintf(loadText(kMsgVideoCardName), {wideName}),
                        FormatWidePrintf(loadText(kMsgVideoMemory), {memory / kBytesPerMb})};
    if (!verdict.accepted) verdict.failureMessage = FillPositional(loadText(kMsgHardwareTooWeak), {product::kName});
    verdict.logLines.push_back(verdict.accepted ? L"OUT-> IsVideoCardOK() - OK " : L"OUT-> IsVideoCardOK() - KO");
    return verdict;
}

bool IsVideoCardOK(std::wstring& failureMessage) {
    char name[kNameBufferBytes];
    std::uint32_t length = kNameBufferBytes;
    std::uint32_t memory = 0;
    int adapterVerdict = QueryVideoAdapter(name, length, memory);
    VideoVerdict verdict = DecideVideoCard(std::string(name, length), memory, adapterVerdict, MessageCatalogue::Load);
    if (verdict.failureMessage) failureMessage = *verdict.failureMessage;
    for (const std::wstring& line : verdict.logLines) SetupLog::Write(line);
    return verdict.accepted;
}
