#include "http/socket/SocketHttpDriver.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <string_view>

#include "http/UrlUtilities.h"
#include "http/socket/ResponseHeaderQuery.h"
#include "http/socket/SocketProcessSettings.h"

namespace {

constexpr uint32_t kKeepAliveFlag = kHttpFlagKeepAlive;
constexpr uint32_t kSecurityFlagsOption = 31;
// The HRESULT of WinINet's "unrecognised scheme" (12006): this driver speaks no TLS.
constexpr int32_t kHttpUnsupportedScheme = static_cast<int32_t>(0x80072EE6u);

char* CopyText(std::string_view text) { return HttpDuplicate(text.data(), text.size()); }

bool ContainsLine(const char* block, uint32_t length, std::string_view line) {
    if (block == nullptr) return false;
    return std::string_view(block, length).find(line) != std::string_view::npos;
}

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Position of name (compared whatever its case) in text, or npos.
size_t FindNoCase(std::string_view text, std::string_view name) {
    if (name.size() > text.size()) return std::string_view::npos;
    for (size_t i = 0; i + name.size() <= text.size(); ++i) {
        size_t k = 0;
        while (k < name.size() && Lower(text[i + k]) == Lower(name[k])) ++k;
        if (k == name.size()) return i;
    }
    return std::string_view::npos;
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
    int32_t result = socket_->Connect(server, port, UsesProxy() ? proxyHost_.c_str() : nullptr,
                                      socket_settings::kProxyPort);
    if (result == kHttpOk) {
        port_ = port;
        connectedPort_ = port;
    }
    return result;
}

int32_t SocketHttpDriver::ConnectUrl(const char* url) {
    if (url == nullptr) return kHttpFailed;
    char* host = nullptr;
    char* path = nullptr;
    char* extra = nullptr;
    uint16_t port = 0;
    int32_t result = CrackUrlAndConnect(url, &host, &port, &path, &extra);
    HttpFree(host);
    HttpFree(path);
    HttpFree(extra);
    return result == kHttpOk ? kHttpOk : kHttpConnectUrlFailed;
}

int32_t SocketHttpDriver::ReservedA(void*) { return kHttpFailed; }
int32_t SocketHttpDriver::ReservedB(void*) { return kHttpFailed; }

int32_t SocketHttpDriver::CrackUrlAndConnect(const char* url, char** host, uint16_t* port, char** path,
                                             char** extra) {
    if (url == nullptr || std::strncmp(url, "http", 4) != 0 || host == nullptr) return kHttpInvalidArg;
    if (std::strncmp(url, "https://", 8) == 0) return kHttpUnsupportedScheme;
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
    std::string_view hostText(parts.hostName, parts.hostNameLength);
    std::string target;
    if (UsesProxy()) {
        // The absolute form names the port too when it is not the default: a proxy goes where the
        // target says, and without it would reach port 80 instead of the server's.
        target.assign(parts.scheme, parts.schemeLength);
        target.append(hostText);
        if (parts.port != 80) target.append(":").append(std::to_string(parts.port));
    }
    if (parts.urlPath != nullptr && parts.urlPathLength != 0)
        target.append(parts.urlPath, parts.urlPathLength);
    else
        target.push_back('/');
    if (parts.extraInfo != nullptr) target.append(parts.extraInfo, parts.extraInfoLength);
    uint16_t urlPort = parts.port;
    *host = CopyText(hostText);
    HttpFree(escaped);
    if (*host == nullptr) return kHttpOutOfMemory;
    if (path != nullptr) {
        *path = CopyText(target);
        if (*path == nullptr) return kHttpOutOfMemory;
    }
    port_ = urlPort;
    if (port != nullptr) *port = urlPort;
    if (extra != nullptr) *extra = nullptr;

    // An idle kept-alive connection to the same server has nothing to read: the probe times out.
    // Pending bytes or the end of the stream mean it cannot carry a new request.
    reusedConnection_ = socket_ && socket_->IsOpen() && !socket_->IsMarkedClosed() && socket_->HostName() != nullptr &&
                 std::strcmp(socket_->HostName(), *host) == 0 && connectedPort_ == urlPort &&
                 socket_->WaitReadable(0) == kHttpTimeout;
    if (!reusedConnection_ && Connect(*host, urlPort, 0) != kHttpOk) return kHttpNotConnected;
    if (!socket_) return kHttpNotConnected;
    socket_->MarkOpen();
    return kHttpOk;
}

int32_t SocketHttpDriver::OpenRequest(const char* method, const char* url, uint32_t flags,
                                      const char* const* /*acceptTypes*/) {
    if (method == nullptr) return kHttpInvalidArg;
    ReleaseBlock(&responseBlock_, &responseLength_);
    ReleaseBlock(&requestBlock_, &requestLength_);
    requestState_ = 0;
    contentState_ = -2;
    const char* acceptLine = std::strcmp(method, "PUT") == 0 ? nullptr : "Accept: */*\r\n";
    char* host = nullptr;
    char* target = nullptr;
    char* extra = nullptr;
    uint16_t port = 0;
    int32_t result = CrackUrlAndConnect(url, &host, &port, &target, &extra);
    if (result == kHttpOk) {
        if (!socket_)
            result = kHttpEFail;
        else if (!socket_->IsOpen())
            result = kHttpNotConnected;
        else
            result = BuildRequest(method, target, userAgentLine_.c_str(), flags, acceptLine, &requestBlock_,
                                  &requestLength_);
    }
    HttpFree(host);
    HttpFree(target);
    HttpFree(extra);
    return result;
}

int32_t SocketHttpDriver::BuildRequest(const char* method, const char* target, const char* extraLines,
                                       uint32_t flags, const char* acceptLine, char** block, uint32_t* length) {
    if (target == nullptr || extraLines == nullptr || method == nullptr || block == nullptr || length == nullptr)
        return kHttpInvalidArg;
    if (!socket_) return kHttpEFail;
    // Sized to fit whatever the lengths of target, host and lines.
    std::string text;
    text.reserve(std::strlen(method) + std::strlen(target) + std::strlen(extraLines) + 128);
    text.append(method).append(" ").append(target);
    text.append(" HTTP/").append(std::to_string(major_)).append(".").append(std::to_string(minor_)).append("\r\n");
    text.append("Host: ").append(socket_->HostName() != nullptr ? socket_->HostName() : "");
    text.append(":").append(std::to_string(port_)).append("\r\n");
    text.append(extraLines);
    if (flags & kKeepAliveFlag) text.append(UsesProxy() ? "Proxy-Connection: Keep-Alive\r\n" : "Connection: Keep-Alive\r\n");
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
            result = AddLineOnce("Transfer-Encoding: chunked\r\n");
        } else {
            result = AddLineOnce(("Content-Length: " + std::to_string(totalLength) + "\r\n").c_str());
        }
        if (result != kHttpOk) return result;
    }
    socket_settings::ProxyChallenge proxy;
    if (UsesProxy() && socket_settings::GetProxyChallenge(&proxy) && !proxy.scheme.empty() &&
        !proxy.credentials.empty()) {
        std::string line = "Proxy-authorization:  " + proxy.scheme + " " + proxy.credentials + "\r\n";
        int32_t result = AddLineOnce(line.c_str());
        if (result != kHttpOk) return result;
    }
    bodyWritten_ = false;
    int32_t result = SendHeaderBlock();
    if (result == kHttpInternalError && MayRetryOnFreshConnection() && Reconnect() == kHttpOk)
        result = SendHeaderBlock();
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
           socket_->ReceivedSinceSend() == 0 && !socket_->TimedOut();
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
    if (requestState_ & kChunkedUpload) {
        char size[16];
        int n = std::snprintf(size, sizeof size, "%x\r\n", length);
        if (socket_->Send(size, static_cast<uint32_t>(n)) != n) return kHttpInternalError;
    }
    if (length != 0) bodyWritten_ = true;
    if (length != 0 && socket_->Send(data, length) != static_cast<int32_t>(length)) return kHttpInternalError;
    if ((requestState_ & kChunkedUpload) && socket_->Send("\r\n", 2) != 2) return kHttpInternalError;
    return kHttpOk;
}

int32_t SocketHttpDriver::ReadFailureStatus(int32_t readStatus) const {
    return socket_ && socket_->TimedOut() ? kHttpTimeout : readStatus;
}

int32_t SocketHttpDriver::EndRequest() {
    if (!socket_) return kHttpEFail;
    if (!socket_->IsOpen() || requestBlock_ == nullptr) return kHttpNotConnected;
    if ((requestState_ & kChunkedUpload) && socket_->Send("0\r\n\r\n", 5) != 5) return kHttpInternalError;
    ReleaseBlock(&responseBlock_, &responseLength_);
    contentState_ = -2;
    int32_t result = kHttpOk;
    // An interim 100 answer is skipped once; the answer after it is the response.
    for (int block = 0; block < 2; ++block) {
        char* headers = nullptr;
        uint32_t length = 0;
        int32_t read = socket_->ReadHeaderBlock(&headers, &length);
        if (read != kHttpOk && block == 0 && MayRetryOnFreshConnection() && Reconnect() == kHttpOk &&
            SendHeaderBlock() == kHttpOk)
            read = socket_->ReadHeaderBlock(&headers, &length);
        if (read != kHttpOk) {
            requestState_ = 0;
            return ReadFailureStatus(kHttpReadFailed);
        }
        responseBlock_ = headers;
        responseLength_ = length;
        char* status = nullptr;
        uint32_t statusLength = 0;
        result = QueryInfo(&status, &statusLength, nullptr, kHttpQueryStatusCode | kHttpQueryFlagNumber, nullptr);
        int32_t code = 0;
        if (result == kHttpOk && status != nullptr && statusLength == 4) std::memcpy(&code, status, 4);
        HttpFree(status);
        if (result != kHttpOk || code != 100 || block == 1) break;
        ReleaseBlock(&responseBlock_, &responseLength_);
    }
    requestState_ = 0;
    return result;
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

    if (level == kHttpQueryTransferEncoding && FindNoCase(found, "chunked") != std::string_view::npos)
        contentState_ = -1;
    if (asNumber && (level == kHttpQueryContentLength || level == kHttpQueryStatusCode)) {
        int32_t number = static_cast<int32_t>(std::strtol(std::string(found).c_str(), nullptr, 10));
        char* copy = static_cast<char*>(HttpAlloc(sizeof number));
        if (copy == nullptr) return kHttpOutOfMemory;
        std::memcpy(copy, &number, sizeof number);
        *value = copy;
        *valueLength = sizeof number;
        if (level == kHttpQueryContentLength) contentState_ = number;
        return kHttpOk;
    }
    *value = CopyText(found);
    if (*value == nullptr) return kHttpOutOfMemory;
    *valueLength = static_cast<uint32_t>(found.size());
    return kHttpOk;
}

int32_t SocketHttpDriver::QueryOption(uint32_t, void*, uint32_t*) { return kHttpOk; }

int32_t SocketHttpDriver::SetOption(uint32_t option, const void* value, uint32_t size) {
    if (option != kSecurityFlagsOption || value == nullptr || size != 4) return kHttpInvalidArg;
    uint32_t bits;
    std::memcpy(&bits, value, 4);
    securityFlags_ |= bits;
    return kHttpOk;
}

int32_t SocketHttpDriver::ReadBody(uint32_t flags, uint32_t* length, char** body) {
    if (length == nullptr || body == nullptr) return kHttpInvalidArg;
    if (!socket_) return kHttpEFail;
    if (!socket_->IsOpen()) return kHttpNotConnected;
    int32_t result = socket_->ReadBody(flags, length, body);
    return result == kHttpOk ? result : ReadFailureStatus(result);
}

int32_t SocketHttpDriver::ReadResponse(uint32_t flags, uint32_t* length, char** body, int32_t* complete) {
    if (length == nullptr || body == nullptr || complete == nullptr) return kHttpInvalidArg;
    *length = 0;
    *complete = 0;
    uint32_t expected = 0;
    if (contentState_ == -2) {
        char* value = nullptr;
        uint32_t valueLength = 0;
        if (QueryInfo(&value, &valueLength, nullptr, kHttpQueryTransferEncoding, nullptr) == kHttpOk &&
            contentState_ == -1) {
            HttpFree(value);
        } else {
            HttpFree(value);
            expected = QueryContentLengthNumber();
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
        name = "proxy-authenticate:";
    } else if (status == 401) {
        name = "www-authenticate:";
    } else {
        return kHttpFailed;
    }
    std::string_view text(headers, length);
    size_t at = FindNoCase(text, name);
    if (at == std::string_view::npos) return kHttpInvalidServerResponse;
    size_t lineEnd = text.find("\r\n", at);
    if (lineEnd == std::string_view::npos) return kHttpInvalidServerResponse;
    // Everything is read within the header's own line.
    std::string_view line = text.substr(at + name.size(), lineEnd - at - name.size());
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
