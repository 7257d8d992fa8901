#include "checks/ServerVersionCheck.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "checks/InstalledProducts.h"
#include "checks/StartupCheckResults.h"
#include "core/DownloadServer.h"
#include "core/MessageCatalogue.h"
#include "core/ProductConstants.h"
#include "core/SetupLog.h"
#include "core/WidePrintf.h"
#include "http/HttpDriverHolder.h"
#include "http/HttpStatus.h"
#include "platform/AnsiText.h"

namespace {

constexpr wchar_t kVersionFileName[] = L"KORVOSkelv_VERSION.txt";
constexpr std::uint32_t kMaxVersionFileBytes = 512;
// Every version file starts with this tag (case counts).
constexpr wchar_t kVersionFileTag[] = L"PNQ1";

// The version file as its download left it.
struct VersionFileDownload {
    std::int32_t status = kHttpOk;
    std::uint32_t bodyLength = 0;
    std::wstring text;  // the body up to its length or an earlier 0 byte, from the ANSI code page
};

bool HasUsableSize(std::int32_t status, std::uint32_t bodyLength) {
    return status == kHttpOk && bodyLength != 0 && bodyLength <= kMaxVersionFileBytes;
}

VersionFileDownload DownloadVersionFile(HttpDriverHolder& holder, const std::string& url) {
    VersionFileDownload download;
    HttpOwnedBuffer body;
    download.status = holder.Get(url.c_str(), &body);
    download.bodyLength = body.length;
    if (body.data != nullptr && HasUsableSize(download.status, body.length)) {
        char* end = std::find(body.data, body.data + body.length, '\0');
        download.text = platform::FromAnsiCodePage(std::string(body.data, end));
    }
    return download;
}

// The fields of a line split at tabs: leading tabs skipped, a run of tabs is one separator.
std::vector<std::wstring> TabFields(const std::wstring& text) {
    std::vector<std::wstring> fields;
    std::size_t at = 0;
    while ((at = text.find_first_not_of(L'\t', at)) != std::wstring::npos) {
        std::size_t end = std::min(text.find(L'\t', at), text.size());
        fields.push_back(text.substr(at, end - at));
        at = end;
    }
    return fields;
}

struct ServerVersionVerdict {
    bool alreadyLatest = false;  // the check fails
    bool upgradeAvailable = false;
    std::vector<std::wstring> logLines;
};

ServerVersionVerdict DecideServerVersion(const std::wstring& url, const std::wstring& installedVersion,
                                         const VersionFileDownload& download) {
    ServerVersionVerdict verdict;
    std::vector<std::wstring>& log = verdict.logLines;
    if (!HasUsableSize(download.status, download.bodyLength)) {
        log.push_back(FormatWidePrintf(L"Download of %s failed - Size = %d rc  = %d ",
                                       {url, static_cast<long long>(download.bodyLength), download.status}));
        return verdict;
    }
    std::wstring text = download.text;
    text.erase(std::remove(text.begin(), text.end(), L'\n'), text.end());
    text.erase(std::remove(text.begin(), text.end(), L'\r'), text.end());
    if (text.rfind(kVersionFileTag, 0) != 0) {  // not at the start
        log.push_back(FormatWidePrintf(L"Download of %s failed- Tag not found ", {url}));
        return verdict;
    }
    log.push_back(FormatWidePrintf(L"Web Version: %s", {text}));
    std::vector<std::wstring> fields = TabFields(text);
    std::wstring upgradeCode = fields.size() > 1 ? fields[1] : std::wstring();
    if (upgradeCode != upgrade_codes::kProduct) {
        log.push_back(FormatWidePrintf(L"Download of %s failed - Incorrect UpgradeCode : %s", {url, upgradeCode}));
        return verdict;
    }
    VersionTriple offered;
    // A third field without a number at its start ("v1.2.3") offers no version at all.
    if (fields.size() < 3 || ScanVersionTriple(fields[2], offered) == 0) {
        log.push_back(FormatWidePrintf(L"Download of %s failed - Msi Version not found", {url}));
        return verdict;
    }
    if (ScanVersionTriple(installedVersion) >= offered) {
        verdict.alreadyLatest = true;
    } else {
        verdict.upgradeAvailable = true;
    }
    return verdict;
}

// Writes the lines up to the verdict; the product not installed or no version file is no verdict.
ServerVersionVerdict CompareWithServer(HttpDriverHolder& holder) {
    InstalledPackageFacts installed = ReadInstalledPackage(upgrade_codes::kProduct);
    if (!installed.registered || !installed.versionRead) {
        SetupLog::Write(FormatWidePrintf(L"%s is not installed", {product::kName}));
        return {};
    }
    SetupLog::Write(FormatWidePrintf(L"Installed Version: %s", {installed.versionText}));
    std::wstring url = BuildDownloadUrl(kVersionFileName);
    std::optional<std::string> url8Bit = RequestUrlBytes(url);
    if (!url8Bit) {
        SetupLog::Write(
            FormatWidePrintf(L"Download of KORVOSkelv_VERSION.txt failed - URL longer than %u bytes or not ASCII text",
                             {kLongestUrlBytes}));
        return {};
    }
    SetupLog::Write(FormatWidePrintf(L"Downloading %s", {url}));
    ServerVersionVerdict verdict =
        DecideServerVersion(url, installed.versionText, DownloadVersionFile(holder, *url8Bit));
    for (const std::wstring& line : verdict.logLines) SetupLog::Write(line);
    return verdict;
}

}  // namespace

bool CheckNeedInstall(std::wstring& failureMessage) {
    return CheckNeedInstall(failureMessage,
                            HttpStallLimit{kVersionFileStallWindowMilliseconds, kVersionFileLeastBytesPerWindow});
}

bool CheckNeedInstall(std::wstring& failureMessage, const HttpStallLimit& stallLimit) {
    HttpDriverHolder holder(nullptr, 1, 1);
    // A longer file is a failed download whatever it holds: its bytes beyond the limit are not read.
    HttpRequestLimits limits;
    limits.maxBodyLength = kMaxVersionFileBytes;
    limits.stall = stallLimit;
    holder.SetRequestLimits(limits);
    SetupLog::Write(L"IN->CheckNeedInstall ()");
    StartupCheckResults& results = StartupResults();
    results.upgradeAvailable = false;
    ServerVersionVerdict verdict = CompareWithServer(holder);
    holder.Release();
    results.upgradeAvailable = verdict.upgradeAvailable;
    if (verdict.alreadyLatest) {
        failureMessage = MessageCatalogue::FormatPrintf(kMsgAlreadyInstalled, {product::kName});
        SetupLog::Write(failureMessage);
        SetupLog::Write(L"OUT->CheckNeedInstall  returns false");
        return false;
    }
    SetupLog::Write(L"OUT->CheckNeedInstall  returns true");
    return true;
}
