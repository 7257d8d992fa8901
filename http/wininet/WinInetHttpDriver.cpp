#include "http/wininet/WinInetHttpDriver.h"

#include <windows.h>
#include <wininet.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "http/HttpBodyBuffer.h"
#include "http/HttpClock.h"
#include "http/HttpRequestText.h"
#include "http/OnceText.h"
#include "http/ResponseHeaderQuery.h"
#include "http/wininet/WinInetFunctions.h"

namespace {

constexpr uint32_t kOptionParentWindow = 0x40000000;
constexpr uint32_t kCertificateBits = 0xFF00;
constexpr DWORD kErrorDialogFlags =
    FLAGS_ERROR_UI_FILTER_FOR_ERRORS | FLAGS_ERROR_UI_FLAGS_CHANGE_OPTIONS | FLAGS_ERROR_UI_FLAGS_GENERATE_DATA;

HINTERNET H(void* handle) {
    return static_cast<HINTERNET>(handle);
}

int32_t LastErrorStatus() {
    return static_cast<int32_t>(0x80070000u | (GetLastError() & 0xFFFFu));
}

bool IsCertificateError(DWORD error) {
    return error == ERROR_INTERNET_SEC_CERT_DATE_INVALID || error == ERROR_INTERNET_SEC_CERT_CN_INVALID ||
           error == ERROR_INTERNET_INVALID_CA;
}

// The computer name (up to 15 characters), read once per process.
OnceText<16> computerName;

const char* ComputerName() {
    return computerName.Get([](char* buffer, size_t capacity) {
        DWORD size = static_cast<DWORD>(capacity);
        return GetComputerNameA(buffer, &size) != FALSE;
    });
}

}  // namespace

struct WinInetHttpDriver::CrackedUrl {
    std::string url;  // as given, before canonicalisation
    std::string host;
    std::string pathAndExtra;
    uint16_t port = 0;
    int32_t scheme = 0;
};

WinInetHttpDriver::WinInetHttpDriver(const char* agent, uint16_t major, uint16_t minor) {
    if (major == 1 || minor < 2) {
        major_ = major;
        minor_ = minor;
    }
    agent_ = agent != nullptr ? agent : kDefaultAgent;
    parentWindow_ = GetDesktopWindow();
}

WinInetHttpDriver::~WinInetHttpDriver() {
    if (session_ != nullptr) WinInet().InternetCloseHandle(H(session_));
    if (connection_ != nullptr) WinInet().InternetCloseHandle(H(connection_));
    if (request_ != nullptr) WinInet().InternetCloseHandle(H(request_));
    HttpFree(pendingBlock_);
}

int32_t WinInetHttpDriver::Crack(const char* url, CrackedUrl* out) {
    if (!WinInet().loaded) return kHttpLibraryMissing;
    // A retry of the open request names its URL again: it was cracked when the request was opened.
    if (cracked_ && cracked_->url == url) {
        *out = *cracked_;
        return kHttpOk;
    }
    size_t length = std::strlen(url);
    std::vector<char> canonical(3 * length + 1);
    DWORD size = static_cast<DWORD>(canonical.size());
    if (!WinInet().InternetCanonicalizeUrlA(url, canonical.data(), &size, ICU_BROWSER_MODE)) return LastErrorStatus();
    URL_COMPONENTSA parts{};
    parts.dwStructSize = sizeof parts;
    parts.dwHostNameLength = parts.dwUrlPathLength = parts.dwExtraInfoLength = 1;
    if (!WinInet().InternetCrackUrlA(canonical.data(), size, 0, &parts)) return LastErrorStatus();
    std::vector<char> host(parts.dwHostNameLength + 1), path(parts.dwUrlPathLength + 1),
        extra(parts.dwExtraInfoLength + 1);
    URL_COMPONENTSA copy{};
    copy.dwStructSize = sizeof copy;
    copy.lpszHostName = host.data();
    copy.dwHostNameLength = static_cast<DWORD>(host.size());
    copy.lpszUrlPath = path.data();
    copy.dwUrlPathLength = static_cast<DWORD>(path.size());
    copy.lpszExtraInfo = extra.data();
    copy.dwExtraInfoLength = static_cast<DWORD>(extra.size());
    if (!WinInet().InternetCrackUrlA(canonical.data(), size, 0, &copy)) return LastErrorStatus();
    out->host.assign(host.data(), copy.dwHostNameLength);
    out->pathAndExtra.assign(path.data(), copy.dwUrlPathLength);
    out->pathAndExtra.append(extra.data(), copy.dwExtraInfoLength);
    out->port = copy.nPort;
    out->scheme = static_cast<int32_t>(copy.nScheme);
    out->url = url;
    return kHttpOk;
}

int32_t WinInetHttpDriver::Connect(const char* server, uint16_t port, int32_t accessType) {
    if (!WinInet().loaded) return kHttpLibraryMissing;
    if (server == nullptr) return kHttpNameNotResolved;
    const char* computer = ComputerName();
    if (computer == nullptr) return kHttpEFail;
    if (_stricmp(server, computer) == 0) server = "localhost";
    if (WinInet().InternetAttemptConnect(0) != ERROR_SUCCESS) return LastErrorStatus();
    if (session_ == nullptr) {
        session_ = WinInet().InternetOpenA(agent_.c_str(), static_cast<DWORD>(accessType), nullptr, nullptr, 0);
        if (session_ == nullptr) return LastErrorStatus();
    }
    if (connection_ != nullptr && (port != port_ || _stricmp(server, server_.c_str()) != 0)) {
        CloseRequest();
        WinInet().InternetCloseHandle(H(connection_));
        connection_ = nullptr;
        server_.clear();
    }
    port_ = port;
    if (server_.empty()) server_ = server;
    bool newConnection = connection_ == nullptr;
    if (newConnection) {
        connection_ = WinInet().InternetConnectA(H(session_), server, port, "", "", INTERNET_SERVICE_HTTP, 0, 0);
        if (connection_ == nullptr) {
            server_.clear();
            return LastErrorStatus();
        }
    }
    // The on-line check is slow on some systems (tens of milliseconds): it is made when a connection
    // handle is opened, not again for every request that goes over a kept one.
    DWORD state = 0;
    if (newConnection && !WinInet().InternetGetConnectedState(&state, 0)) {
        if (_stricmp(server, "localhost") != 0) {
            WinInet().InternetCloseHandle(H(connection_));
            connection_ = nullptr;
            server_.clear();
            return kHttpEFail;
        }
    }
    if (state & INTERNET_CONNECTION_OFFLINE) {
        INTERNET_CONNECTED_INFO info{INTERNET_STATE_CONNECTED, 0};
        if (!WinInet().InternetSetOptionA(H(connection_), INTERNET_OPTION_CONNECTED_STATE, &info, sizeof info))
            return LastErrorStatus();
    }
    const struct {
        DWORD option;
        DWORD value;
    } timeouts[] = {{INTERNET_OPTION_RECEIVE_TIMEOUT, receiveTimeoutMs_},
                    {INTERNET_OPTION_SEND_TIMEOUT, sendTimeoutMs_},
                    {INTERNET_OPTION_CONNECT_TIMEOUT, connectTimeoutMs_}};
    for (const auto& timeout : timeouts) {
        DWORD value = timeout.value;
        if (!WinInet().InternetSetOptionW(H(connection_), timeout.option, &value, sizeof value))
            return LastErrorStatus();
    }
    return kHttpOk;
}

int32_t WinInetHttpDriver::ConnectUrl(const char* url) {
    if (url == nullptr) return kHttpInvalidArg;
    CrackedUrl cracked;
    int32_t result = Crack(url, &cracked);
    if (result != kHttpOk) return result;
    return Connect(cracked.host.c_str(), cracked.port, 0);
}

int32_t WinInetHttpDriver::ReservedA(void*) {
    return kHttpFailed;
}
int32_t WinInetHttpDriver::ReservedB(void*) {
    return kHttpFailed;
}

int32_t WinInetHttpDriver::CrackUrlAndConnect(const char* url, char** host, uint16_t* port, char** path, char** extra) {
    if (url == nullptr) return kHttpInvalidArg;
    CrackedUrl cracked;
    int32_t result = Crack(url, &cracked);
    if (result != kHttpOk) return result;
    cracked_ = std::make_unique<CrackedUrl>(cracked);
    scheme_ = cracked.scheme;
    if (port != nullptr) *port = cracked.port;
    if (host != nullptr) {
        *host = HttpDuplicate(cracked.host.data(), cracked.host.size());
        if (*host == nullptr) return kHttpOutOfMemory;
    }
    if (path != nullptr) {
        *path = HttpDuplicate(cracked.pathAndExtra.data(), cracked.pathAndExtra.size());
        if (*path == nullptr) return kHttpOutOfMemory;
    }
    if (extra != nullptr) *extra = nullptr;
    return Connect(cracked.host.c_str(), cracked.port, 0);
}

void WinInetHttpDriver::CloseRequest() {
    if (request_ != nullptr) WinInet().InternetCloseHandle(H(request_));
    request_ = nullptr;
}

int32_t WinInetHttpDriver::OpenRequest(const char* method, const char* url, uint32_t flags,
                                       const char* const* acceptTypes) {
    char* host = nullptr;
    char* path = nullptr;
    uint16_t port = 0;
    int32_t result = CrackUrlAndConnect(url, &host, &port, &path, nullptr);
    if (result != kHttpOk) {
        HttpFree(host);
        HttpFree(path);
        return result;
    }
    CloseRequest();
    contentState_ = -2;
    answerToHead_ = method != nullptr && std::strcmp(method, "HEAD") == 0;
    watch_ = TransferWatch(RequestLimits());
    if (connection_ == nullptr) {
        HttpFree(host);
        HttpFree(path);
        return kHttpNotConnected;
    }
    const char* anyType[] = {"*/*", nullptr};
    DWORD requestFlags = flags | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_IGNORE_CERT_DATE_INVALID |
                         INTERNET_FLAG_IGNORE_CERT_CN_INVALID;
    if (scheme_ == INTERNET_SCHEME_HTTPS) requestFlags |= INTERNET_FLAG_SECURE;
    request_ = WinInet().HttpOpenRequestA(H(connection_), method, path, nullptr, nullptr,
                                          acceptTypes == nullptr ? anyType : nullptr, requestFlags,
                                          reinterpret_cast<DWORD_PTR>(this));
    requestState_ |= kRequestOpen;
    if (request_ != nullptr && pendingBlock_ != nullptr && pendingLength_ != 0) {
        WinInet().HttpAddRequestHeadersA(H(request_), pendingBlock_, pendingLength_,
                                         HTTP_ADDREQ_FLAG_REPLACE | HTTP_ADDREQ_FLAG_ADD);
        HttpFree(pendingBlock_);
        pendingBlock_ = nullptr;
        pendingLength_ = 0;
    }
    HttpFree(host);
    HttpFree(path);
    return request_ != nullptr ? kHttpOk : LastErrorStatus();
}

int32_t WinInetHttpDriver::AddRequestHeaders(const char* headers, uint32_t modifiers) {
    if (headers == nullptr) return kHttpOk;
    if (!(requestState_ & kRequestOpen)) return MergeHeaderLine(headers, modifiers, &pendingLength_, &pendingBlock_);
    if (connection_ == nullptr || request_ == nullptr) return kHttpNotConnected;
    if (!WinInet().HttpAddRequestHeadersA(H(request_), headers, static_cast<DWORD>(std::strlen(headers)), modifiers))
        return LastErrorStatus();
    return kHttpOk;
}

void WinInetHttpDriver::CopyCredentialsToRequest() {
    for (DWORD option : {static_cast<DWORD>(INTERNET_OPTION_USERNAME), static_cast<DWORD>(INTERNET_OPTION_PASSWORD)}) {
        DWORD size = 0;
        if (WinInet().InternetQueryOptionA(H(connection_), option, nullptr, &size) ||
            GetLastError() != ERROR_INSUFFICIENT_BUFFER)
            continue;
        std::vector<char> value(size + 1);
        if (WinInet().InternetQueryOptionA(H(connection_), option, value.data(), &size))
            WinInet().InternetSetOptionA(H(request_), option, value.data(), size + 1);
    }
}

int32_t WinInetHttpDriver::RetryAfterCertificateError(uint32_t error) {
    if (securityFlags_ & kCertificateBits) {
        DWORD flags = 0;
        DWORD size = sizeof flags;
        if (!WinInet().InternetQueryOptionW(H(request_), INTERNET_OPTION_SECURITY_FLAGS, &flags, &size))
            return kHttpEFail;
        flags |= securityFlags_ & kCertificateBits;
        if (!WinInet().InternetSetOptionW(H(request_), INTERNET_OPTION_SECURITY_FLAGS, &flags, sizeof flags))
            return kHttpEFail;
        return kHttpOk;
    }
    DWORD answer =
        WinInet().InternetErrorDlg(static_cast<HWND>(parentWindow_), H(request_), error, kErrorDialogFlags, nullptr);
    return answer == ERROR_CANCELLED ? kHttpEFail : kHttpOk;
}

int32_t WinInetHttpDriver::BeginRequest(int32_t /*declareLength*/, uint32_t totalLength, int32_t chunked) {
    if (connection_ == nullptr || request_ == nullptr) return kHttpNotConnected;
    INTERNET_BUFFERSA buffers{};
    buffers.dwStructSize = sizeof buffers;
    int32_t result;
    if (chunked) {
        requestState_ |= kChunkedUpload;
        result = AddRequestHeaders(kChunkedEncodingLine, kHttpAddReqCoalesceComma);
        if (result != kHttpOk) return result;
    } else {
        buffers.dwBufferTotal = totalLength;
    }
    result = AddRequestHeaders(KeepAliveLine(true), kHttpAddReqCoalesceComma);
    if (result != kHttpOk) return result;
    if (requestState_ & kCredentialsSet) CopyCredentialsToRequest();
    if (watch_.Watching()) {
        // The answer's headers must come within the caller's stall window.
        DWORD window = RequestLimits().stall.windowMilliseconds;
        WinInet().InternetSetOptionW(H(request_), INTERNET_OPTION_RECEIVE_TIMEOUT, &window, sizeof window);
    }
    if (WinInet().HttpSendRequestExA(H(request_), &buffers, nullptr, 0, 0)) {
        requestState_ |= kRequestBegun;
        return kHttpOk;
    }
    DWORD error = GetLastError();
    if (scheme_ != INTERNET_SCHEME_HTTPS || !IsCertificateError(error)) return kHttpEFail;
    if (RetryAfterCertificateError(error) != kHttpOk) return kHttpEFail;
    if (!WinInet().HttpSendRequestExA(H(request_), &buffers, nullptr, 0, 0)) return kHttpEFail;
    requestState_ |= kRequestBegun;
    return kHttpOk;
}

int32_t WinInetHttpDriver::WriteData(const char* data, uint32_t length) {
    if (connection_ == nullptr || request_ == nullptr) return kHttpNotConnected;
    if (!(requestState_ & kRequestBegun)) return kHttpEFail;
    auto write = [this](const char* bytes, DWORD count) {
        DWORD written = 0;
        return count == 0 || WinInet().InternetWriteFile(H(request_), bytes, count, &written);
    };
    if (requestState_ & kChunkedUpload) {
        std::string size = ChunkSizeLine(length);
        if (!write(size.data(), static_cast<DWORD>(size.size()))) return LastErrorStatus();
    }
    if (!write(data, length)) return LastErrorStatus();
    if ((requestState_ & kChunkedUpload) && !write(kChunkTrailer, 2)) return LastErrorStatus();
    return kHttpOk;
}

int32_t WinInetHttpDriver::EndRequest() {
    if (connection_ == nullptr || request_ == nullptr) return kHttpNotConnected;
    if (requestState_ & kChunkedUpload) {
        DWORD written = 0;
        if (!WinInet().InternetWriteFile(H(request_), kLastChunk, static_cast<DWORD>(std::strlen(kLastChunk)),
                                         &written)) {
            requestState_ = 0;
            return LastErrorStatus();
        }
    }
    BOOL ended = WinInet().HttpEndRequestW(H(request_), nullptr, 0, 0);
    requestState_ = 0;
    if (ended) watch_.Start(HttpTickMilliseconds());  // the body's windows start with the headers in
    return ended ? kHttpOk : LastErrorStatus();
}

int32_t WinInetHttpDriver::SendWithRetries(const std::function<int32_t(int attempt)>& beginAndWrite) {
    for (int attempt = 0; attempt < kHttpMaxSendAttempts; ++attempt) {
        int32_t result = beginAndWrite(attempt);
        if (result != kHttpOk) return result;
        if (EndRequest() == kHttpOk) return kHttpOk;
        DWORD error = GetLastError();
        if (scheme_ == INTERNET_SCHEME_HTTPS && IsCertificateError(error)) {
            if (RetryAfterCertificateError(error) != kHttpOk) return kHttpEFail;
        } else if (scheme_ != INTERNET_SCHEME_HTTPS && error == ERROR_INTERNET_FORCE_RETRY) {
            // send again
        } else {
            return kHttpOk;  // the response read that follows reports the failure
        }
    }
    return kHttpEFail;
}

int32_t WinInetHttpDriver::SendRequest(const char* body, uint32_t length, int32_t declareLength) {
    return SendWithRetries([&](int) {
        int32_t result = BeginRequest(declareLength, length, 0);
        if (result != kHttpOk || body == nullptr) return result;
        result = WriteData(body, length);
        return result != kHttpOk && scheme_ != INTERNET_SCHEME_HTTPS ? result : kHttpOk;
    });
}

int32_t WinInetHttpDriver::SendRequestFromSource(HttpBodySource* source) {
    if (source == nullptr) return kHttpInvalidArg;
    return SendWithRetries([&](int attempt) {
        if (attempt > 0) source->Rewind();
        source->Attach(*this);
        int32_t result = BeginRequest(1, source->TotalLength(), source->IsChunked() ? 1 : 0);
        bool finished = false;
        while (result == kHttpOk && !finished) result = source->WriteNextPiece(*this, &finished);
        return result;
    });
}

int32_t WinInetHttpDriver::QueryInfo(char** value, uint32_t* valueLength, uint32_t* index, uint32_t infoLevel,
                                     const char* customName) {
    if (request_ == nullptr) return kHttpNotConnected;
    if (value == nullptr || valueLength == nullptr) return kHttpInvalidArg;
    bool custom = (infoLevel & kHttpQueryLevelMask) == kHttpQueryCustom;
    if (custom != (customName != nullptr)) return kHttpInvalidArg;
    *value = nullptr;
    *valueLength = 0;
    // Callers write custom names as they appear on the wire ("Content-Range:  "); WinINet wants the
    // bare name.
    std::string name(custom ? BareHeaderName(customName) : std::string_view());
    DWORD winIndex = index != nullptr ? *index : 0;
    DWORD size = 0;
    char* buffer = nullptr;
    if (custom) {
        size = static_cast<DWORD>(name.size() + 256);
        buffer = static_cast<char*>(HttpAlloc(size));
        if (buffer == nullptr) return kHttpOutOfMemory;
        std::memcpy(buffer, name.c_str(), name.size());
    }
    if (!WinInet().HttpQueryInfoA(H(request_), infoLevel, buffer, &size, index != nullptr ? &winIndex : nullptr)) {
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
            HttpFree(buffer);
            return kHttpInternalError;
        }
        HttpFree(buffer);
        buffer = static_cast<char*>(HttpAlloc(size + 1 > name.size() + 1 ? size + 1 : name.size() + 1));
        if (buffer == nullptr) return kHttpOutOfMemory;
        if (custom) std::memcpy(buffer, name.c_str(), name.size());
        if (!WinInet().HttpQueryInfoA(H(request_), infoLevel, buffer, &size, index != nullptr ? &winIndex : nullptr)) {
            HttpFree(buffer);
            return kHttpInternalError;
        }
    }
    *value = buffer;
    *valueLength = size;
    if (index != nullptr) *index = winIndex;
    return kHttpOk;
}

int32_t WinInetHttpDriver::QueryOption(uint32_t option, void* value, uint32_t* size) {
    if (size == nullptr) return kHttpInvalidArg;
    uint32_t stored;
    switch (option) {
        case INTERNET_OPTION_CONNECT_TIMEOUT:
            stored = connectTimeoutMs_;
            break;
        case INTERNET_OPTION_SEND_TIMEOUT:
            stored = sendTimeoutMs_;
            break;
        case INTERNET_OPTION_RECEIVE_TIMEOUT:
            stored = receiveTimeoutMs_;
            break;
        case kOptionParentWindow:
            stored = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(parentWindow_));
            break;
        default:
            return kHttpInvalidArg;
    }
    if (value == nullptr) {
        *size = 4;
        return kHttpOk;
    }
    if (*size != 4) return kHttpInvalidArg;
    std::memcpy(value, &stored, 4);
    return kHttpOk;
}

int32_t WinInetHttpDriver::SetOption(uint32_t option, const void* value, uint32_t size) {
    if (value == nullptr || size == 0) return kHttpInvalidArg;
    auto readWord = [&](uint32_t* target) {
        if (size != 4) return kHttpInvalidArg;
        std::memcpy(target, value, 4);
        return kHttpOk;
    };
    switch (option) {
        case INTERNET_OPTION_CONNECT_TIMEOUT:
            return readWord(&connectTimeoutMs_);
        case INTERNET_OPTION_SEND_TIMEOUT:
            return readWord(&sendTimeoutMs_);
        case INTERNET_OPTION_RECEIVE_TIMEOUT:
            return readWord(&receiveTimeoutMs_);
        case INTERNET_OPTION_SECURITY_FLAGS: {
            uint32_t bits = 0;
            int32_t result = readWord(&bits);
            securityFlags_ |= bits;
            return result;
        }
        case kOptionParentWindow: {
            uint32_t window = 0;
            int32_t result = readWord(&window);
            if (result == kHttpOk) parentWindow_ = reinterpret_cast<void*>(static_cast<uintptr_t>(window));
            return result;
        }
        case INTERNET_OPTION_USERNAME:
        case INTERNET_OPTION_PASSWORD:
            if (connection_ == nullptr) return kHttpIncorrectHandleState;
            if (!WinInet().InternetSetOptionA(H(connection_), option, const_cast<void*>(value), size))
                return LastErrorStatus();
            requestState_ |= kCredentialsSet;
            return kHttpOk;
        case INTERNET_OPTION_PROXY_USERNAME:
        case INTERNET_OPTION_PROXY_PASSWORD:
            if (session_ == nullptr) return kHttpIncorrectHandleState;
            if (!WinInet().InternetSetOptionA(H(session_), option, const_cast<void*>(value), size))
                return LastErrorStatus();
            return kHttpOk;
        default:
            return kHttpInvalidArg;
    }
}

int32_t WinInetHttpDriver::AwaitData(unsigned long* available) {
    uint32_t before = HttpTickMilliseconds();
    if (watch_.TooSlow(before)) return kHttpTimeout;
    if (watch_.Watching()) {
        // The wait may last what is left of the window. No shorter: a WinINet read that ran out of
        // time cannot be taken up again, so a time-out here ends the request.
        DWORD wait = static_cast<DWORD>(watch_.NextWaitMilliseconds(before, UINT32_MAX));
        WinInet().InternetSetOptionW(H(request_), INTERNET_OPTION_RECEIVE_TIMEOUT, &wait, sizeof wait);
    }
    if (!WinInet().InternetQueryDataAvailable(H(request_), available, 0, 0)) {
        // Which error a time-out gives differs between WinINet's versions: the window tells.
        bool ranOut = GetLastError() == ERROR_INTERNET_TIMEOUT || watch_.TooSlow(HttpTickMilliseconds());
        if (!watch_.Watching() || !ranOut) return kHttpDataAvailableFailed;
        return watch_.StopRequested() ? kHttpStopped : kHttpTimeout;
    }
    // A wait as long as the socket driver's wake asks the caller, as that driver does.
    if (HttpTickMilliseconds() - before >= kHttpWatchWakeMilliseconds && watch_.StopRequested()) return kHttpStopped;
    return kHttpOk;
}

int32_t WinInetHttpDriver::ReadBody(uint32_t flags, uint32_t* length, char** body) {
    if (request_ == nullptr) return kHttpNotConnected;
    if (length == nullptr || body == nullptr) return kHttpInvalidArg;
    uint32_t expected = *length;
    *body = nullptr;
    *length = 0;
    const bool bounded = RequestLimits().maxBodyLength != 0;
    if (expected > LargestBody()) {
        if (bounded) *length = expected;
        return OverLongBodyStatus();
    }
    // The buffer grows as bytes arrive: a length the server only announced reserves at most one
    // growth step ahead of the data.
    HttpBodyBuffer data;
    uint32_t firstStep = expected == 0 ? kHttpUnknownLengthStartSize : expected;
    if (firstStep > kHttpBodyGrowthStep) firstStep = kHttpBodyGrowthStep;
    if (!data.MakeRoom(firstStep)) return kHttpOutOfMemory;
    for (;;) {
        DWORD available = 0;
        int32_t waited = AwaitData(&available);
        if (waited != kHttpOk) return waited;
        if (available == 0) break;
        const uint32_t room = LargestBody() - data.Length();
        if (available > room) {
            if (!bounded) return kHttpMalformed;
            // Past the caller's bound: the body is read up to one byte beyond it, which is there.
            DWORD read = 0;
            if (!data.MakeRoom(room + 1) || !WinInet().InternetReadFile(H(request_), data.End(), room + 1, &read))
                return kHttpReadFailed;
            *length = data.Length() + read;
            return kHttpBodyTooLong;
        }
        // With the length known, as much of the rest as fits is asked for at once: WinINet then
        // fills it in one call instead of one call per network packet. A watched read takes what
        // is there: WinINet would wait for all it was asked for, however slowly it came.
        uint32_t ask = available;
        if (expected > data.Length() + available && !(flags & kHttpFlagFirstPieceOnly) && !watch_.Active()) {
            uint32_t rest = expected - data.Length();
            ask = rest < kHttpBodyGrowthStep ? rest : kHttpBodyGrowthStep;
            if (ask < available) ask = available;
        }
        if (ask > data.Free() && !data.MakeRoom(ask)) return kHttpOutOfMemory;
        if (data.Free() < ask) ask = data.Free();
        DWORD read = 0;
        if (!WinInet().InternetReadFile(H(request_), data.End(), ask, &read)) return kHttpReadFailed;
        if (read == 0) break;
        data.Advance(read);
        watch_.Arrived(read, HttpTickMilliseconds());
        if (flags & kHttpFlagFirstPieceOnly) break;
    }
    if (expected != 0 && data.Length() != expected) return kHttpReadFailed;
    return data.HandOver(body, length) ? kHttpOk : kHttpOutOfMemory;
}

int32_t WinInetHttpDriver::ReadResponse(uint32_t flags, uint32_t* length, char** body, int32_t* complete) {
    if (length == nullptr || body == nullptr || complete == nullptr) return kHttpInvalidArg;
    *length = 0;
    *complete = 0;
    uint32_t expected = 0;
    if (contentState_ == -2) {
        HttpBodyFraming framing;
        int32_t result = FramingOfCurrentResponse(answerToHead_, &framing);
        if (result != kHttpOk) return result;
        if (framing.kind == HttpBodyKind::ByLength && framing.length > LargestBody()) return OverLongBodyStatus();
        if (framing.kind == HttpBodyKind::Chunked) {
            contentState_ = -1;
        } else {
            expected = static_cast<uint32_t>(framing.length);
            contentState_ = expected;
        }
    }
    int32_t result;
    if (contentState_ == -1) {
        result = ReadBody(flags | kHttpReadChunked, length, body);
        *complete = result == kHttpOk && *length == 0;
    } else {
        *length = expected;
        result = ReadBody(0, length, body);
        *complete = result == kHttpOk;
    }
    if ((flags & kHttpFlagFirstPieceOnly) && *complete) {
        char* connection = nullptr;
        uint32_t connectionLength = 0;
        if (QueryInfo(&connection, &connectionLength, nullptr, kHttpQueryConnection, nullptr) == kHttpOk &&
            connection != nullptr && ConnectionAsksToClose(connection))
            CloseRequest();
        HttpFree(connection);
    }
    return result;
}

int32_t WinInetHttpDriver::HandleAuthenticationChallenge(const char*, int32_t, const char*, uint32_t) {
    DWORD answer = WinInet().InternetErrorDlg(static_cast<HWND>(parentWindow_), H(request_),
                                              ERROR_INTERNET_INCORRECT_PASSWORD, kErrorDialogFlags, nullptr);
    return answer != 0 ? kHttpOk : kHttpEFail;
}

int32_t WinInetHttpDriver::MarkConnectionClosed() {
    return kHttpOk;
}
