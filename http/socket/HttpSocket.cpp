#include "http/socket/HttpSocket.h"

#include <algorithm>
#include <cstring>

#include "http/HttpClock.h"
#include "http/HttpStatus.h"

namespace os = http::os;

HttpSocket::~HttpSocket() {
    Close();
}

int32_t HttpSocket::Connect(const char* host, uint16_t port, const char* proxyHost, uint16_t proxyPort,
                            int32_t /*unused*/) {
    os::ClearSocketError();
    if (IsOpen() || socket_ != 0) Close();
    if (host == nullptr || *host == 0) return kHttpFailed;
    uint32_t address = 0;
    if (!os::ResolveHost(proxyHost != nullptr ? proxyHost : host, &address)) return kHttpNameNotResolved;
    os::SocketHandle s = os::OpenTcpSocket();
    if (s == 0) return kHttpCannotConnect;
    if (!os::ConnectSocket(s, address, proxyHost != nullptr ? proxyPort : port)) {
        os::CloseSocket(s);
        return kHttpCannotConnect;
    }
    if (receiveTimeoutMs_ > 0) os::SetReceiveTimeout(s, receiveTimeoutMs_);
    if (!SetHostName(host)) {
        os::CloseSocket(s);
        return kHttpOutOfMemory;
    }
    socket_ = s;
    timedOut_ = false;
    stopped_ = false;
    receivedSinceSend_ = 0;
    aheadStart_ = aheadEnd_ = 0;
    MarkOpen();
    return 0;
}

int32_t HttpSocket::Send(const char* data, uint32_t length) {
    if (socket_ == 0) return -1;
    // A send may take less than asked on a busy connection; go on so that the caller sees all of
    // it or a failure.
    receivedSinceSend_ = 0;
    timedOut_ = false;
    stopped_ = false;
    watch_.Start(HttpTickMilliseconds());
    uint32_t sent = 0;
    while (sent < length) {
        uint32_t piece = std::min<uint32_t>(length - sent, 0x40000000u);
        int n = os::SendBytes(socket_, data + sent, static_cast<int>(piece));
        if (n <= 0) return sent > 0 ? static_cast<int32_t>(sent) : n;
        sent += static_cast<uint32_t>(n);
    }
    return static_cast<int32_t>(sent);
}

bool HttpSocket::AwaitData() {
    if (!watch_.Active()) return true;
    for (;;) {
        uint32_t now = HttpTickMilliseconds();
        if (watch_.TooSlow(now)) {
            timedOut_ = true;
            return false;
        }
        os::WaitResult ready = os::WaitReadable(socket_, watch_.NextWaitMilliseconds(now, kHttpWatchWakeMilliseconds));
        if (ready != os::WaitResult::TimedOut) return true;  // data, the end, or an error for recv to report
        // Only a wait that found nothing asks the caller: a flowing answer is never stopped halfway.
        if (watch_.StopRequested()) {
            stopped_ = true;
            return false;
        }
    }
}

int32_t HttpSocket::ReceiveWatched(char* buffer, uint32_t capacity) {
    if (socket_ == 0 || !AwaitData()) return -1;
    int n = os::ReceiveBytes(socket_, buffer, static_cast<int>(capacity));
    if (n < 0) timedOut_ = os::LastReceiveTimedOut();
    if (n > 0) {
        receivedSinceSend_ += static_cast<uint64_t>(n);
        watch_.Arrived(static_cast<uint32_t>(n), HttpTickMilliseconds());
    }
    return n;
}

int32_t HttpSocket::RefillReadAhead() {
    int n = ReceiveWatched(readAhead_.data(), static_cast<uint32_t>(readAhead_.size()));
    if (n > 0) {
        aheadStart_ = 0;
        aheadEnd_ = static_cast<uint32_t>(n);
    }
    return n;
}

int32_t HttpSocket::ReceiveSome(char* buffer, uint32_t capacity) {
    if (aheadStart_ == aheadEnd_) {
        // Large reads go straight into the caller's buffer.
        if (capacity >= readAhead_.size()) return ReceiveWatched(buffer, std::min(capacity, kHttpMaxReceiveSize));
        int n = RefillReadAhead();
        if (n <= 0) return n;
    }
    uint32_t n = std::min(capacity, aheadEnd_ - aheadStart_);
    std::memcpy(buffer, readAhead_.data() + aheadStart_, n);
    aheadStart_ += n;
    return static_cast<int32_t>(n);
}

int32_t HttpSocket::ReceiveFill(char* buffer, uint32_t capacity, uint32_t* count) {
    *count = 0;
    int32_t result = 1;
    while (*count < capacity) {
        result = ReceiveSome(buffer + *count, capacity - *count);
        if (result <= 0) return result;
        *count += static_cast<uint32_t>(result);
    }
    return result;
}

int32_t HttpSocket::ReceiveLine(char* buffer, uint32_t capacity, uint32_t* count) {
    *count = 0;
    int32_t result = 1;
    while (*count < capacity) {
        if (aheadStart_ == aheadEnd_) {
            int n = RefillReadAhead();
            if (n <= 0) return n;
        }
        // Take what the read-ahead buffer holds up to the next LF in one step.
        const char* start = readAhead_.data() + aheadStart_;
        uint32_t available = std::min(aheadEnd_ - aheadStart_, capacity - *count);
        const void* lf = std::memchr(start, '\n', available);
        uint32_t take = lf != nullptr ? static_cast<uint32_t>(static_cast<const char*>(lf) - start) + 1 : available;
        std::memcpy(buffer + *count, start, take);
        aheadStart_ += take;
        *count += take;
        result = static_cast<int32_t>(take);
        if (*count >= 2 && buffer[*count - 2] == '\r' && buffer[*count - 1] == '\n') break;
    }
    return result;
}

int32_t HttpSocket::Close() {
    int32_t result = 0;
    if (socket_ != 0) {
        result = os::CloseSocket(socket_);
        socket_ = 0;
    }
    aheadStart_ = aheadEnd_ = 0;
    HttpStream::Close();
    return result;
}

int32_t HttpSocket::WaitReadable(int32_t milliseconds) {
    if (aheadStart_ < aheadEnd_) return 0;  // bytes already received count as pending
    if (socket_ == 0) return kHttpEFail;
    switch (os::WaitReadable(socket_, milliseconds)) {
        case os::WaitResult::Ready:
            return 0;
        case os::WaitResult::TimedOut:
            return kHttpTimeout;
        default:
            return kHttpEFail;
    }
}
