#include "tests/http/unit/support/FakeDriver.h"

#include <cstdlib>
#include <cstring>

#include "http/HttpRequestText.h"
#include "http/UrlUtilities.h"

namespace {

// The value of the index-th line starting with name, or false.
bool FindHeader(const std::string& headers, const std::string& name, uint32_t index, std::string* value) {
    size_t position = 0;
    uint32_t seen = 0;
    while ((position = headers.find("\r\n" + name, position)) != std::string::npos) {
        size_t start = position + 2 + name.size();
        size_t end = headers.find("\r\n", start);
        if (seen++ == index) {
            *value = headers.substr(start, end - start);
            return true;
        }
        position = start;
    }
    return false;
}

char* Copy(const std::string& text) {
    return HttpDuplicate(text.data(), text.size());
}

}  // namespace

FakeDriver::~FakeDriver() {
    HttpFree(block_);
}

int32_t FakeDriver::ConnectUrl(const char* url) {
    calls.push_back(std::string("ConnectUrl ") + url);
    return kHttpOk;
}

int32_t FakeDriver::CrackUrlAndConnect(const char* url, char** host, uint16_t* port, char** path, char** extra) {
    UrlComponents parts;
    parts.hostNameLength = 1;
    parts.urlPathLength = 1;
    parts.extraInfoLength = 1;
    int32_t result = CrackUrl(url, 0, 0, &parts);
    if (result != kHttpOk) return result;
    *host = HttpDuplicate(parts.hostName, parts.hostNameLength);
    std::string target(parts.urlPath, parts.urlPathLength);
    if (target.empty()) target = "/";
    target.append(parts.extraInfo, parts.extraInfoLength);
    *path = Copy(target);
    *port = parts.port;
    if (extra != nullptr) *extra = nullptr;
    return kHttpOk;
}

int32_t FakeDriver::OpenRequest(const char* method, const char* url, uint32_t flags, const char* const*) {
    calls.push_back(std::string("OpenRequest ") + method + " " + url);
    char* host = nullptr;
    char* path = nullptr;
    uint16_t port = 0;
    int32_t result = CrackUrlAndConnect(url, &host, &port, &path, nullptr);
    if (result != kHttpOk) return result;
    head_ = RequestHead(method, path, 1, 1, host, port, "User-Agent: Fake\r\n");
    if ((flags & kHttpFlagKeepAlive) != 0) head_ += KeepAliveLine(false);
    HttpFree(host);
    HttpFree(path);
    HttpFree(block_);
    block_ = nullptr;
    blockLength_ = 0;
    responseHeaders_.clear();
    return kHttpOk;
}

int32_t FakeDriver::AddRequestHeaders(const char* headers, uint32_t modifiers) {
    calls.push_back(std::string("AddRequestHeaders ") + headers);
    return MergeHeaderLine(headers, modifiers, &blockLength_, &block_);
}

int32_t FakeDriver::BeginRequest(int32_t declareLength, uint32_t totalLength, int32_t chunked) {
    std::string lines(block_ != nullptr ? block_ : "", blockLength_);
    chunkedUpload_ = declareLength != 0 && chunked != 0;
    if (declareLength != 0) lines += chunked != 0 ? kChunkedEncodingLine : ContentLengthLine(totalLength);
    wire_ = head_ + lines + "\r\n";
    return kHttpOk;
}

int32_t FakeDriver::WriteData(const char* data, uint32_t length) {
    if (chunkedUpload_) wire_ += ChunkSizeLine(length);
    wire_.append(data, length);
    if (chunkedUpload_) wire_ += kChunkTrailer;
    return kHttpOk;
}

int32_t FakeDriver::EndRequest() {
    if (chunkedUpload_) wire_ += kLastChunk;
    requests.push_back(wire_);
    if (responses.empty()) return kHttpReadFailed;
    std::string raw = responses.front();
    responses.pop_front();
    size_t end = raw.find("\r\n\r\n");
    size_t split = end == std::string::npos ? raw.size() : end + 4;
    responseHeaders_ = raw.substr(0, split);
    body_ = std::make_unique<MemoryStream>(raw.substr(split));
    return kHttpOk;
}

int32_t FakeDriver::SendRequest(const char* body, uint32_t length, int32_t declareLength) {
    calls.push_back("SendRequest");
    int32_t result = BeginRequest(declareLength, length, 0);
    if (result == kHttpOk && body != nullptr) result = WriteData(body, length);
    if (result == kHttpOk) result = EndRequest();
    return result;
}

int32_t FakeDriver::SendRequestFromSource(HttpBodySource* source) {
    calls.push_back("SendRequestFromSource");
    source->Attach(*this);
    int32_t result = BeginRequest(1, source->TotalLength(), source->IsChunked() ? 1 : 0);
    bool finished = false;
    while (result == kHttpOk && !finished) result = source->WriteNextPiece(*this, &finished);
    return result == kHttpOk ? EndRequest() : result;
}

int32_t FakeDriver::QueryInfo(char** value, uint32_t* valueLength, uint32_t* index, uint32_t infoLevel,
                              const char* customName) {
    *value = nullptr;
    *valueLength = 0;
    if (responseHeaders_.empty()) return kHttpInvalidArg;
    uint32_t level = infoLevel & kHttpQueryLevelMask;
    if (level == kHttpQueryRawHeadersCrlf) {
        *value = Copy(responseHeaders_);
        *valueLength = static_cast<uint32_t>(responseHeaders_.size());
        return kHttpOk;
    }
    std::string name;
    switch (level) {
        case kHttpQuerySetCookie:
            name = "Set-Cookie: ";
            break;
        case kHttpQueryTransferEncoding:
            name = "Transfer-Encoding: ";
            break;
        case kHttpQueryContentLength:
            name = "Content-Length: ";
            break;
        case kHttpQueryCustom:
            name = customName;
            break;
        default:
            return kHttpHeaderNotFound;
    }
    std::string found;
    if (!FindHeader(responseHeaders_, name, index != nullptr ? *index : 0, &found)) {
        return kHttpHeaderNotFound;
    }
    if (index != nullptr) ++*index;
    if (level == kHttpQueryContentLength && (infoLevel & kHttpQueryFlagNumber) != 0) {
        int32_t number = std::atoi(found.c_str());
        *value = static_cast<char*>(HttpAlloc(4));
        std::memcpy(*value, &number, 4);
        *valueLength = 4;
        return kHttpOk;
    }
    *value = Copy(found);
    *valueLength = static_cast<uint32_t>(found.size());
    return kHttpOk;
}

int32_t FakeDriver::ReadBody(uint32_t flags, uint32_t* length, char** body) {
    bodyRead = true;
    lastReadFlags = flags;
    if (!body_) return kHttpNotConnected;
    return body_->ReadBody(flags, length, body);
}
