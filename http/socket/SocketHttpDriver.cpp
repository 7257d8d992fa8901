#include "http/socket/SocketHttpDriver.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <string_view>

#include "http/HttpFraming.h"
#include "http/HttpRequestText.h"
#include "http/UrlUtilities.h"
#include "http/ResponseHeaderQuery.h"
#include "http/socket/SocketProcessSettings.h"

namespace {

constexpr uint32_t kSecurityFlagsOption = 31;

char* CopyText(std::string_view text) {
    return HttpDuplicate(text.data(), text.size());
}

bool ContainsLine(const char* block, uint32_t length, std::string_view line) {
    if (block == nullptr) return false;
    return std::string_view(block, length).find(line) != std::string_view::npos;
}

// A decimal header value as a 32-bit number; false when it is not one or does not fit, so that a
// length beyond 32 bits is never taken for its low bits.
bool ReadInt32(std::string_view text, int32_t* number) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    if (text.empty() || text.size() > 10) return false;
    int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    if (value > INT32_MAX) return false;
    *number = static_cast<int32_t>(value);
    return true;
}

bool IsInterim(int32_t status) {
    return status >= 100 && status <= 199 && status != 101;
}

}  // namespace

SocketHttpDriver::SocketHttpDriver(const char* agent, uint16_t major, uint16_t minor) {
    socket_settings::EnsureInitialised();
    proxyHost_ = socket_settings::ProxyHost();
    agent_ = agent != nullptr ? agent : kDefaultAgent;
    userAgentLine_ = "User-Agent: " + agent_;
    // Without its CR LF the agent would run into the next request line.
    if (userAgentLine_.size() < 2 || userAgentLine_.compare(userAgentLine_.size() - 2, 2, "\r\n") != 0)
        userAgentLine_ += "\r\n";
    if (major == 1 || minor < 2) {
        major_ = major;
        minor_ = minor;
    }
}

SocketHttpDriver::~SocketHttpDriver() {
    ReleaseBlock(&requestBlock_, &requestLength_);
    ReleaseBlock(&responseBlock_, &responseLength_);
    ReleaseBlock(&pendingBlock_, &pendingLength_);
}

void SocketHttpDriver::ReleaseBlock(char** block, uint32_t* length) {
    HttpFree(*block);
    *block = nullptr;
    *length = 0;
}

void SocketHttpDriver::SetReceiveTimeoutMs(int32_t milliseconds) {
    receiveTimeoutMs_ = milliseconds;
    if (socket_) socket_->SetReceiveTimeoutMs(milliseconds);
}

int32_t SocketHttpDriver::Connect(const char* server, uint16_t port, int32_t /*accessType*/) {
    if (!socket_) {
        socket_.reset(new (std::nothrow) HttpSocket());
        if (!socket_) return kHttpEFail;
        socket_->SetReceiveTimeoutMs(receiveTimeoutMs_);
    }
    int32_t result =
        socket_->Connect(server, port, UsesProxy() ? proxyHost_.c_str() : nullptr, socket_settings::ProxyPort());
    if (result == kHttpOk) {
        port_ = port;
        connectedPort_ = port;
        answerFinished_ = true;  // nothing in flight on a fresh connection
    }
    return result;
}

int32_t SocketHttpDriver::ConnectUrl(const char* url) {
    if (url == nullptr) return kHttpFailed;
    // An authentication retry names the URL of the request it sends again: it was cracked when
    // that request was opened.
    if (cracked_.url == url) return ConnectFor(cracked_) == kHttpOk ? kHttpOk : kHttpConnectUrlFailed;
    RequestUrl parts;
    if (CrackRequestUrl(url, &parts) != kHttpOk) return kHttpConnectUrlFailed;
    return ConnectFor(parts) == kHttpOk ? kHttpOk : kHttpConnectUrlFailed;
}

int32_t SocketHttpDriver::ReservedA(void*) {
    return kHttpFailed;
}
int32_t SocketHttpDriver::ReservedB(void*) {
    return kHttpFailed;
}

int32_t SocketHttpDriver::CrackRequestUrl(const char* url, RequestUrl* out) const {
    if (url == nullptr || std::strncmp(url, "http", 4) != 0) return kHttpInvalidArg;
    if (std::strncmp(url, "https://", 8) == 0) return kHttpSchemeNotSupported;
    char* escaped = nullptr;
    int32_t result = EscapeUrl(url, &escaped, kUrlEscapeMode);
    if (result != kHttpOk) return result;

    UrlComponents parts;
    parts.schemeLength = parts.hostNameLength = parts.urlPathLength = parts.extraInfoLength = 1;
    parts.userNameLength = parts.passwordLength = 1;
    result = CrackUrl(escaped, 0, 0, &parts);
    if (result != kHttpOk || parts.hostName == nullptr || parts.hostNameLength == 0) {
        HttpFree(escaped);
        return result != kHttpOk ? result : kHttpNameNotResolved;
    }
    out->url = url;
    out->host.assign(parts.hostName, parts.hostNameLength);
    out->port = parts.port;
    out->target.clear();
    if (UsesProxy()) {
        // The absolute form names the port too when it is not the default: a proxy goes where the
        // target says, and without it would reach port 80 instead of the server's.
        out->target.assign(parts.scheme, parts.schemeLength);
        out->target.append(out->host);
        if (parts.port != 80) out->target.append(":").append(std::to_string(parts.port));
    }
    if (parts.urlPath != nullptr && parts.urlPathLength != 0)
        out->target.append(parts.urlPath, parts.urlPathLength);
    else
        out->target.push_back('/');
    if (parts.extraInfo != nullptr) out->target.append(parts.extraInfo, parts.extraInfoLength);
    HttpFree(escaped);
    return kHttpOk;
}

int32_t SocketHttpDriver::ConnectFor(const RequestUrl& url) {
    port_ = url.port;
    // Only a connection whose last answer was read to its end can carry a new request; an idle
    // one to the same server has nothing to read, so the probe times out. Pending bytes or the end
    // of the stream mean it cannot be used.
    reusedConnection_ = answerFinished_ && socket_ && socket_->IsOpen() && !socket_->IsMarkedClosed() &&
                        socket_->HostName() != nullptr && url.host == socket_->HostName() &&
                        connectedPort_ == url.port && socket_->WaitReadable(0) == kHttpTimeout;
    if (!reusedConnection_ && Connect(url.host.c_str(), url.port, 0) != kHttpOk) return kHttpNotConnected;
    if (!socket_) return kHttpNotConnected;
    socket_->MarkOpen();
    return kHttpOk;
}

int32_t SocketHttpDriver::CrackUrlAndConnect(const char* url, char** host, uint16_t* port, char** path, char** extra) {
    if (host == nullptr) return kHttpInvalidArg;
    RequestUrl parts;
    int32_t result = CrackRequestUrl(url, &parts);
    if (result != kHttpOk) return result;
    *host = CopyText(parts.host);
    if (*host == nullptr) return kHttpOutOfMemory;
    if (path != nullptr) {
        *path = CopyText(parts.target);
        if (*path == nullptr) return kHttpOutOfMemory;
    }
    if (port != nullptr) *port = parts.port;
    if (extra != nullptr) *extra = nullptr;
    return ConnectFor(parts);
}

int32_t SocketHttpDriver::OpenRequest(const char* method, const char* url, uint32_t flags,
                                      const char* const* /*acceptTypes*/) {
    if (method == nullptr) return kHttpInvalidArg;
    ReleaseBlock(&responseBlock_, &responseLength_);
    ReleaseBlock(&requestBlock_, &requestLength_);
    requestState_ = 0;
    answerToHead_ = std::strcmp(method, "HEAD") == 0;
    const char* acceptLine = std::strcmp(method, "PUT") == 0 ? nullptr : "Accept: */*\r\n";
    // The URL is cracked once here; the retries of this request use what is kept.
    cracked_ = RequestUrl{};
    RequestUrl parts;
    int32_t result = CrackRequestUrl(url, &parts);
    if (result == kHttpOk) result = ConnectFor(parts);
    if (result != kHttpOk) return result;
    cracked_ = std::move(parts);
    if (!socket_) return kHttpEFail;
    if (!socket_->IsOpen()) return kHttpNotConnected;
    socket_->SetRequestLimits(RequestLimits());
    socket_->SetBodyBound(RequestLimits().maxBodyLength);
    return BuildRequest(method, cracked_.target.c_str(), userAgentLine_.c_str(), flags, acceptLine, &requestBlock_,
                        &requestLength_);
}

int32_t SocketHttpDriver::BuildRequest(const char* method, const char* target, const char* extraLines, uint32_t flags,
                                       const char* acceptLine, char** block, uint32_t* length) {
    if (target == nullptr || extraLines == nullptr || method == nullptr || block == nullptr || length == nullptr)
        return kHttpInvalidArg;
    if (!socket_) return kHttpEFail;
    std::string text = RequestHead(method, target, major_, minor_, socket_->HostName(), port_, extraLines);
    if (flags & kHttpFlagKeepAlive) text.append(KeepAliveLine(UsesProxy()));
    if (pendingBlock_ != nullptr && pendingLength_ != 0 && acceptLine != nullptr) {
        int32_t merged = MergeHeaderLine(acceptLine, kHttpAddReqCoalesceComma, &pendingLength_, &pendingBlock_);
        if (merged != kHttpOk) return merged;
    }
    if (pendingBlock_ != nullptr) text.append(pendingBlock_, pendingLength_);
    // Three spare bytes, zero-filled, like every header block: room for the final CR LF and a 0.
    char* built = static_cast<char*>(HttpAlloc(text.size() + 3));
    if (built == nullptr) return kHttpOutOfMemory;
    std::memcpy(built, text.data(), text.size());
    ReleaseBlock(&pendingBlock_, &pendingLength_);
    HttpFree(*block);
    *block = built;
    *length = static_cast<uint32_t>(text.size());
    return kHttpOk;
}

int32_t SocketHttpDriver::AddRequestHeaders(const char* headers, uint32_t modifiers) {
    if (headers == nullptr) return kHttpOk;
    if (requestState_ & kHeaderBlockSent) return kHttpInvalidArg;
    if (requestBlock_ != nullptr) return MergeHeaderLine(headers, modifiers, &requestLength_, &requestBlock_);
    return MergeHeaderLine(headers, modifiers, &pendingLength_, &pendingBlock_);
}

// A request sent again (an authentication retry) already holds its framing lines; adding them a
// second time would join two values into one line.
int32_t SocketHttpDriver::AddLineOnce(const char* line) {
    if (ContainsLine(requestBlock_, requestLength_, line)) return kHttpOk;
    return AddRequestHeaders(line, kHttpAddReqCoalesceComma);
}

int32_t SocketHttpDriver::BeginRequest(int32_t declareLength, uint32_t totalLength, int32_t chunked) {
    if (!socket_) return kHttpEFail;
    if (!socket_->IsOpen() || requestBlock_ == nullptr) return kHttpNotConnected;
    requestState_ &= ~kHeaderBlockSent;
    if (declareLength) {
        int32_t result;
        if (chunked) {
            requestState_ |= kChunkedUpload;
            result = AddLineOnce(kChunkedEncodingLine);
        } else {
            result = AddLineOnce(ContentLengthLine(totalLength).c_str());
        }
        if (result != kHttpOk) return result;
    }
    socket_settings::ProxyChallenge proxy;
    if (UsesProxy() && socket_settings::GetProxyChallenge(&proxy) && !proxy.scheme.empty() &&
        !proxy.credentials.empty()) {
        int32_t result = AddLineOnce(ProxyAuthorizationLine(proxy.scheme, proxy.credentials).c_str());
        if (result != kHttpOk) return result;
    }
    bodyWritten_ = false;
    int32_t result = SendHeaderBlock();
    if (result == kHttpInternalError && MayRetryOnFreshConnection() && Reconnect() == kHttpOk)
        result = SendHeaderBlock();
    answerFinished_ = false;  // also after a fresh connection: this request's answer is due on it
    if (result != kHttpOk) return result;
    requestState_ |= kHeaderBlockSent;
    return kHttpOk;
}

int32_t SocketHttpDriver::SendHeaderBlock() {
    // The empty line goes out with the block in one send; the stored block keeps none, so a retry
    // appends it afresh.
    std::string text(requestBlock_, requestLength_);
    text.append("\r\n");
    int32_t sent = socket_->Send(text.data(), static_cast<uint32_t>(text.size()));
    if (sent < 0 || static_cast<size_t>(sent) != text.size()) return kHttpInternalError;
    return kHttpOk;
}

bool SocketHttpDriver::MayRetryOnFreshConnection() const {
    return reusedConnection_ && !bodyWritten_ && !(requestState_ & kChunkedUpload) && socket_ &&
           socket_->ReceivedSinceSend() == 0 && !socket_->TimedOut() && !socket_->Stopped();
}

int32_t SocketHttpDriver::Reconnect() {
    reusedConnection_ = false;
    std::string host = socket_->HostName() != nullptr ? socket_->HostName() : "";
    uint16_t port = port_;
    int32_t result = Connect(host.c_str(), connectedPort_, 0);
    port_ = port;
    return result;
}

int32_t SocketHttpDriver::WriteData(const char* data, uint32_t length) {
    if (!socket_) return kHttpEFail;
    if (!socket_->IsOpen() || requestBlock_ == nullptr) return kHttpNotConnected;
    if (!(requestState_ & kHeaderBlockSent)) return kHttpEFail;
    if (data == nullptr && length != 0) return kHttpInvalidArg;
    if ((requestState_ & kChunkedUpload) && !SendAll(ChunkSizeLine(length))) return kHttpInternalError;
    if (length != 0) bodyWritten_ = true;
    if (length != 0 && socket_->Send(data, length) != static_cast<int32_t>(length)) return kHttpInternalError;
    if ((requestState_ & kChunkedUpload) && !SendAll(kChunkTrailer)) return kHttpInternalError;
    return kHttpOk;
}

bool SocketHttpDriver::SendAll(const std::string& text) {
    return socket_->Send(text.data(), static_cast<uint32_t>(text.size())) == static_cast<int32_t>(text.size());
}

int32_t SocketHttpDriver::ReadFailureStatus(int32_t readStatus) const {
    if (socket_ && socket_->Stopped()) return kHttpStopped;
    return socket_ && socket_->TimedOut() ? kHttpTimeout : readStatus;
}

int32_t SocketHttpDriver::EndRequest() {
    if (!socket_) return kHttpEFail;
    if (!socket_->IsOpen() || requestBlock_ == nullptr) return kHttpNotConnected;
    if ((requestState_ & kChunkedUpload) && !SendAll(kLastChunk)) return kHttpInternalError;
    ReleaseBlock(&responseBlock_, &responseLength_);
    int32_t status = 0;
    // Interim answers (1xx other than 101) are skipped; the answer after them is the response.
    for (int interim = 0;; ++interim) {
        char* headers = nullptr;
        uint32_t length = 0;
        int32_t read = socket_->ReadHeaderBlock(&headers, &length);
        if (read != kHttpOk && interim == 0 && MayRetryOnFreshConnection() && Reconnect() == kHttpOk &&
            SendHeaderBlock() == kHttpOk)
            read = socket_->ReadHeaderBlock(&headers, &length);
        if (read != kHttpOk) {
            requestState_ = 0;
            answerFinished_ = false;  // a retry's fresh connection may still owe its answer
            return ReadFailureStatus(kHttpReadFailed);
        }
        responseBlock_ = headers;
        responseLength_ = length;
        status = StatusOfHeaderBlock(std::string_view(headers, length));
        if (!IsInterim(status) || interim == kHttpMaxInterimAnswers) break;
        ReleaseBlock(&responseBlock_, &responseLength_);
    }
    requestState_ = 0;
    std::string_view statusWord;
    if (FindStatusWord(std::string_view(responseBlock_, responseLength_), &statusWord) != kHttpOk)
        return kHttpInvalidServerResponse;
    // The body is read by this decision; an answer without one is finished already.
    if (DecideBodyFraming(std::string_view(responseBlock_, responseLength_), answerToHead_, &framing_) != kHttpOk)
        framing_ = HttpBodyFraming{};
    answerFinished_ = framing_.kind == HttpBodyKind::None;
    return kHttpOk;
}

int32_t SocketHttpDriver::SendRequest(const char* body, uint32_t length, int32_t declareLength) {
    int32_t result = BeginRequest(declareLength, length, 0);
    if (result == kHttpOk && body != nullptr) result = WriteData(body, length);
    if (result == kHttpOk) result = EndRequest();
    return result;
}

int32_t SocketHttpDriver::SendRequestFromSource(HttpBodySource* source) {
    if (source == nullptr) return kHttpInvalidArg;
    source->Attach(*this);
    int32_t result = BeginRequest(1, source->TotalLength(), source->IsChunked() ? 1 : 0);
    if (result != kHttpOk) return result;
    bool finished = false;
    while (!finished) {
        result = source->WriteNextPiece(*this, &finished);
        if (result != kHttpOk) return result;
    }
    return EndRequest();
}

int32_t SocketHttpDriver::QueryInfo(char** value, uint32_t* valueLength, uint32_t* index, uint32_t infoLevel,
                                    const char* customName) {
    if (value == nullptr || valueLength == nullptr) return kHttpInvalidArg;
    uint32_t level = infoLevel & kHttpQueryLevelMask;
    if ((level == kHttpQueryCustom) != (customName != nullptr)) return kHttpInvalidArg;
    if (responseBlock_ == nullptr) return kHttpInvalidArg;
    *value = nullptr;
    *valueLength = 0;
    std::string_view block(responseBlock_, responseLength_);
    bool asNumber = (infoLevel & kHttpQueryFlagNumber) != 0;

    if (level == kHttpQueryRawHeadersCrlf) {
        *value = CopyText(block);
        if (*value == nullptr) return kHttpOutOfMemory;
        *valueLength = responseLength_;
        return kHttpOk;
    }
    std::string_view found;
    int32_t result;
    if (level == kHttpQueryStatusCode) {
        result = FindStatusWord(block, &found);
        if (index != nullptr) *index = 0;
    } else {
        std::string_view name = level == kHttpQueryCustom ? BareHeaderName(customName) : HeaderNameForLevel(level);
        if (name.empty()) return kHttpHeaderNotFound;
        uint32_t occurrence = index != nullptr ? *index : 0;
        result = FindHeaderValue(block, name, occurrence, &found);
        if (result == kHttpOk && index != nullptr) *index = occurrence + 1;
    }
    if (result != kHttpOk) return result;

    if (asNumber && (level == kHttpQueryContentLength || level == kHttpQueryStatusCode)) {
        int32_t number = 0;
        if (!ReadInt32(found, &number))
            return level == kHttpQueryContentLength ? kHttpMalformed : kHttpInvalidServerResponse;
        char* copy = static_cast<char*>(HttpAlloc(sizeof number));
        if (copy == nullptr) return kHttpOutOfMemory;
        std::memcpy(copy, &number, sizeof number);
        *value = copy;
        *valueLength = sizeof number;
        return kHttpOk;
    }
    *value = CopyText(found);
    if (*value == nullptr) return kHttpOutOfMemory;
    *valueLength = static_cast<uint32_t>(found.size());
    return kHttpOk;
}

int32_t SocketHttpDriver::QueryOption(uint32_t, void*, uint32_t*) {
    return kHttpOk;
}

int32_t SocketHttpDriver::SetOption(uint32_t option, const void* value, uint32_t size) {
    // The security flags are accepted for WinINet's sake; without TLS nothing here uses them.
    if (option != kSecurityFlagsOption || value == nullptr || size != 4) return kHttpInvalidArg;
    return kHttpOk;
}

int32_t SocketHttpDriver::ReadBody(uint32_t flags, uint32_t* length, char** body) {
    if (length == nullptr || body == nullptr) return kHttpInvalidArg;
    if (!socket_) return kHttpEFail;
    if (!socket_->IsOpen()) return kHttpNotConnected;
    bool chunked = (flags & kHttpReadChunked) != 0;
    bool untilClose = !chunked && *length == 0;
    int32_t result = socket_->ReadBody(flags, length, body);
    if (result != kHttpOk) {
        answerFinished_ = false;
        return ReadFailureStatus(result);
    }
    // A chunked body read one piece at a time is finished by its last (empty) chunk; a body read
    // until close leaves nothing to reuse.
    if (untilClose) socket_->MarkClosed();
    answerFinished_ = !untilClose && (!chunked || (flags & kHttpFlagFirstPieceOnly) == 0 || *length == 0);
    return kHttpOk;
}

int32_t SocketHttpDriver::ReadResponse(uint32_t flags, uint32_t* length, char** body, int32_t* complete) {
    if (length == nullptr || body == nullptr || complete == nullptr) return kHttpInvalidArg;
    *length = 0;
    *complete = 0;
    if (responseBlock_ == nullptr) return kHttpNotConnected;
    int32_t result;
    switch (framing_.kind) {
        case HttpBodyKind::None:
            *body = HttpDuplicate("", 0);
            if (*body == nullptr) return kHttpOutOfMemory;
            *complete = 1;
            return kHttpOk;
        case HttpBodyKind::Chunked:
        case HttpBodyKind::ByLength:
            if (framing_.length > LargestBody()) return OverLongBodyStatus();
            // A body read to its end (all at once, or by its last chunk) leaves nothing for later calls.
            if (answerFinished_) {
                *body = HttpDuplicate("", 0);
                if (*body == nullptr) return kHttpOutOfMemory;
                *complete = 1;
                return kHttpOk;
            }
            if (framing_.kind == HttpBodyKind::Chunked) {
                result = ReadBody(flags | kHttpReadChunked, length, body);
                *complete = result == kHttpOk && answerFinished_;
                return result;
            }
            *length = static_cast<uint32_t>(framing_.length);
            break;
        case HttpBodyKind::UntilClose:
            break;
    }
    result = ReadBody(0, length, body);
    *complete = result == kHttpOk;
    return result;
}

int32_t SocketHttpDriver::HandleAuthenticationChallenge(const char* url, int32_t status, const char* headers,
                                                        uint32_t length) {
    if (headers == nullptr) return kHttpFailed;
    std::string_view name;
    if (status == 407) {
        socket_settings::ProxyChallenge known;
        if (socket_settings::GetProxyChallenge(&known) && !known.scheme.empty() && !known.credentials.empty())
            return kHttpOk;
        name = "Proxy-Authenticate";
    } else if (status == 401) {
        name = "WWW-Authenticate";
    } else {
        return kHttpFailed;
    }
    // The header is found at a line start, whatever the case of its name; everything is read
    // within its own line.
    std::string_view line;
    if (FindHeaderValue(std::string_view(headers, length), name, 0, &line) != kHttpOk)
        return kHttpInvalidServerResponse;
    size_t wordStart = line.find_first_not_of(" \t");
    if (wordStart == std::string_view::npos) return kHttpInvalidServerResponse;
    size_t wordEnd = line.find_first_of(" \t", wordStart);
    if (wordEnd == std::string_view::npos) wordEnd = line.size();
    if (wordEnd - wordStart > 127) return kHttpInvalidServerResponse;
    std::string scheme(line.substr(wordStart, wordEnd - wordStart));
    std::string_view rest = line.substr(wordEnd);
    if (rest.substr(0, 7) == " realm=")
        rest.remove_prefix(7);
    else if (size_t start = rest.find_first_not_of(" \t"); start != std::string_view::npos)
        rest.remove_prefix(start);
    else
        rest = {};
    std::string challenge(rest);

    char* credentials = nullptr;
    int32_t result = OnAuthenticationChallenge(url, status, scheme.c_str(), challenge.c_str(), &credentials);
    if (result != kHttpOk) {
        HttpFree(credentials);
        return result;
    }
    if (status == 407) {
        socket_settings::ProxyChallenge obtained;
        obtained.scheme = scheme;
        obtained.challenge = challenge;
        obtained.credentials = credentials != nullptr ? credentials : "";
        socket_settings::SetProxyChallenge(obtained);
    }
    HttpFree(credentials);
    return kHttpOk;
}

int32_t SocketHttpDriver::MarkConnectionClosed() {
    if (!socket_) return kHttpEFail;
    socket_->MarkClosed();
    return kHttpOk;
}
