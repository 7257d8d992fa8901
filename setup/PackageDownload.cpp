#include "setup/PackageDownload.h"

#include <cstdlib>
#include <memory>
#include <optional>

#include "core/DownloadServer.h"
#include "core/InstallPaths.h"
#include "core/ProcessState.h"
#include "core/SetupLog.h"
#include "core/WidePrintf.h"
#include "http/HttpDriverHolder.h"
#include "http/HttpStatus.h"
#include "platform/AnsiText.h"
#include "platform/Services.h"
#include "setup/CancelQuestion.h"
#include "setup/DownloadSlices.h"
#include "setup/SetupOutcomes.h"
#include "setup/StepMessages.h"

namespace {

using download_slices::kSliceBytes;

constexpr std::uint16_t kHttpMajor = 1;
constexpr std::uint16_t kHttpMinor = 1;
constexpr char kContentRangeName[] = "Content-Range:  ";
// Request offsets are 32-bit: nothing beyond 4 GiB can be asked for.
constexpr std::int64_t kLargestTotal = std::int64_t{1} << 32;

// How the fetch ended: done, failed or cancelled with the message to log, or an early return with
// the code to hand back and no log line.
struct Ending {
    enum Kind { Done, Failed, Cancelled, EarlyReturn } kind;
    std::wstring message;
    int code = 0;
};

class PackageFetch {
public:
    PackageFetch(InstallContext* context, std::wstring localPath, std::wstring url, const HttpStallLimit& stallLimit)
        : context_(context), localPath_(std::move(localPath)), url_(std::move(url)), stallLimit_(stallLimit) {}

    int Run(const std::wstring& statusText) {
        std::optional<std::string> requestUrl = RequestUrlBytes(url_);
        SetupLog::Write(DownloadingLine());
        HttpDriverHolder holder(nullptr, kHttpMajor, kHttpMinor);
        SetupLog::Write(statusText);
        Ending ending = requestUrl ? Fetch(holder, *requestUrl) : Failed(UnusableUrlLine());
        return Finish(ending, holder);
    }

private:
    // One slice request, bounded to `count` bytes and watched for stalls. A request stopped for a
    // Cancel asks the question at once: Yes ends the download, No asks for the same slice again.
    // nullopt: the request's result is in *result.
    std::optional<Ending> RequestSlice(HttpDriverHolder& holder, const std::string& url, std::int64_t offset,
                                       std::uint32_t count, std::int32_t* result) {
        HttpRequestLimits limits;
        limits.maxBodyLength = count;
        limits.stall = stallLimit_;
        limits.keepGoing = [] { return CancelRequested.load() != 1; };
        holder.SetRequestLimits(limits);
        for (;;) {
            *result = holder.GetSlice(url.c_str(), static_cast<std::uint32_t>(offset), count, &body_);
            if (*result != kHttpStopped || CancelRequested.load() != 1) return std::nullopt;
            if (question_.Confirmed()) return CancelledEnding();
        }
    }

    // The first slice, the file, the status and the total size.
    Ending Fetch(HttpDriverHolder& holder, const std::string& url) {
        std::int32_t result = kHttpOk;
        if (auto cancelled = RequestSlice(holder, url, 0, kSliceBytes, &result)) return *cancelled;
        if (result == kHttpBodyTooLong) return Failed(TooManyBytesLine(body_.length, kSliceBytes));
        if (result != kHttpOk) return Failed(DownloadFailedLine());
        // An empty answer counts as a wrong size, whether or not the client handed back a buffer.
        if (body_.length == 0 || body_.length > kSliceBytes) return Failed(TooManyBytesLine(body_.length, kSliceBytes));
        if (body_.data == nullptr) return Failed(DownloadFailedLine());
        file_ = platform::Os().plainFiles->CreateForWriting(localPath_);
        if (!file_) return Failed(FormatWidePrintf(L"Cannot open file %s", {localPath_}));
        if (!AppendBody()) return Failed(ShortWriteLine());

        HttpOwnedBuffer value;
        if (holder.ResponseHeader(kHttpQueryStatusCode, nullptr, &value) != kHttpOk) return Failed(DownloadingLine());
        long status = std::strtol(value.data != nullptr ? value.data : "", nullptr, 10);
        const std::int64_t received = body_.length;
        std::int64_t total = received;
        if (status == 206) {
            result = holder.ResponseHeader(kHttpQueryCustom, kContentRangeName, &value);
            if (result != kHttpOk) return EarlyReturn(result);
            auto range = download_slices::ParseContentRange(value.data != nullptr ? value.data : "");
            // The server's 8-bit text as the log shows it: a plain char-to-wchar_t copy would
            // sign-extend bytes above 0x7F into other characters.
            if (!range || range->first != 0 || range->total < received || range->total > kLargestTotal)
                return Failed(FormatWidePrintf(L"Setup failed - unusable Content-Range %s",
                                               {platform::FromAnsiCodePage(value.Text())}));
            total = range->total;
        } else if (status != 200) {
            return EarlyReturn(kHttpEFail);
        }
        value.Reset();

        progressRange_ = download_slices::ProgressRange(total - received);
        ProgressCounter = 0;
        ShowProgress(context_, 0, progressRange_);
        return FetchRest(holder, url, received, total - received);
    }

    // The slices after the first, each checked, written and reported.
    Ending FetchRest(HttpDriverHolder& holder, const std::string& url, std::int64_t offset, std::int64_t left) {
        int emptyAnswers = 0;
        while (left > 0) {
            body_.Reset();
            std::uint32_t count = download_slices::NextSliceCount(left);
            std::int32_t result = kHttpOk;
            if (auto cancelled = RequestSlice(holder, url, offset, count, &result)) return *cancelled;
            if (result == kHttpBodyTooLong) return Failed(TooManyBytesLine(body_.length, count));
            if (result != kHttpOk || !IsSliceAt(holder, offset)) return Failed(DownloadFailedLine());
            // An empty answer (the client may hand back no buffer for it) moves nothing: ask again.
            if (body_.length == 0) {
                if (++emptyAnswers > download_slices::kEmptySliceRetries) return Failed(DownloadFailedLine());
                continue;
            }
            emptyAnswers = 0;
            if (body_.data == nullptr) return Failed(DownloadFailedLine());
            if (body_.length > count) return Failed(TooManyBytesLine(body_.length, count));
            if (!AppendBody()) return Failed(ShortWriteLine());
            if (question_.Confirmed()) return CancelledEnding();
            offset += body_.length;
            left -= body_.length;
            ShowProgress(context_, ++ProgressCounter, progressRange_);
        }
        return Ending{Ending::Done, {}};
    }

    // A later answer carries the slice asked for only as a 206 whose range starts at `offset`;
    // anything else would put wrong bytes in the file.
    static bool IsSliceAt(HttpDriverHolder& holder, std::int64_t offset) {
        HttpOwnedBuffer value;
        if (holder.ResponseHeader(kHttpQueryStatusCode, nullptr, &value) != kHttpOk || value.data == nullptr ||
            std::strtol(value.data, nullptr, 10) != 206)
            return false;
        if (holder.ResponseHeader(kHttpQueryCustom, kContentRangeName, &value) != kHttpOk || value.data == nullptr)
            return false;
        auto range = download_slices::ParseContentRange(value.data);
        return range && range->first == offset;
    }

    bool AppendBody() {
        lastWritten_ = file_->Write(body_.data, body_.length);
        return lastWritten_ >= body_.length;
    }

    int Finish(const Ending& ending, HttpDriverHolder& holder) {
        if (ending.kind == Ending::EarlyReturn) {
            CloseFile();
            holder.Release();
            return ending.code;
        }
        if (ending.kind == Ending::Done) {
            ShowProgress(context_, progressRange_, progressRange_);
            CloseFile();
            body_.Reset();
            int done = EndStep(L"OUT->DownloadPrereqs ()  OK", step_result::kDone);
            holder.Release();
            return done;
        }
        SetupLog::Write(ending.message);
        CloseFile();
        body_.Reset();
        int result = ending.kind == Ending::Cancelled
                         ? EndStep(L"OUT->DownloadPrereqs () CANCEL", step_result::kCancelled)
                         : EndStep(L"OUT->DownloadPrereqs () KO", step_result::kFailed);
        holder.Release();
        return result;
    }

    void CloseFile() {
        if (file_) file_->Close();
        file_.reset();
    }

    static Ending Failed(std::wstring message) { return Ending{Ending::Failed, std::move(message)}; }
    Ending CancelledEnding() const {
        return Ending{Ending::Cancelled,
                      FormatWidePrintf(L"Setup was interrupted by user during download of %s", {url_})};
    }
    static Ending EarlyReturn(int code) { return Ending{Ending::EarlyReturn, {}, code}; }

    std::wstring DownloadingLine() const { return FormatWidePrintf(L"Downloading %s from %s", {localPath_, url_}); }
    std::wstring DownloadFailedLine() const { return FormatWidePrintf(L"Setup failed to download %s", {url_}); }
    std::wstring UnusableUrlLine() const {
        return FormatWidePrintf(L"Setup cannot request %s: the address is not ASCII text of at most %u bytes",
                                {url_, kLongestUrlBytes});
    }
    static std::wstring TooManyBytesLine(std::uint32_t received, std::uint32_t asked) {
        return FormatWidePrintf(L"Setup failed - %d  downloaded bytes > %d asked bytes", {received, asked});
    }
    std::wstring ShortWriteLine() const {
        return FormatWidePrintf(L"Setup wrote only %d bytes in %s instead of %d bytes",
                                {static_cast<unsigned long>(lastWritten_), localPath_, body_.length});
    }

    InstallContext* context_;
    CancelQuestion question_{context_, {}};  // a Yes ends the download at once
    std::wstring localPath_;
    std::wstring url_;
    HttpOwnedBuffer body_;
    std::unique_ptr<platform::PlainFile> file_;
    std::size_t lastWritten_ = 0;
    std::int32_t progressRange_ = 0;
    HttpStallLimit stallLimit_;
};

}  // namespace

int DownloadPrereqs(const std::wstring& statusText, const std::wstring& fileName, const std::wstring& packageName,
                    InstallContext* context) {
    return DownloadPrereqs(statusText, fileName, packageName, context,
                           HttpStallLimit{kDownloadStallWindowMilliseconds, kDownloadLeastBytesPerWindow});
}

int DownloadPrereqs(const std::wstring& statusText, const std::wstring& fileName, const std::wstring& /*packageName*/,
                    InstallContext* context, const HttpStallLimit& stallLimit) {
    SetupLog::Write(L"IN->DownloadPrereqs ()");
    ShowStatus(context, statusText);
    PackageFetch fetch(context, PackageFolder() + fileName, BuildDownloadUrl(fileName), stallLimit);
    return fetch.Run(statusText);
}
