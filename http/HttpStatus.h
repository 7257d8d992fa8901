#pragma once
#include <cstdint>

// Status codes, request flags, header-merge modifiers, query info levels, content-type codes and
// range modes of the HTTP client. Every operation returns a 32-bit status: 0 is success, failures
// are negative (HRESULT-style codes are negative as signed 32-bit numbers). Where an operation
// differs, its declaration says so:
//   Head returns a final HTTP status other than 200 as it is (a positive number, e.g. 404);
//   the request flows (Get, GetRange, Post, Put, ...) return minus a final status outside 200-299;
//   HttpStream::Send, ReceiveFill and ReceiveLine return byte counts and system results.

namespace http_detail {
constexpr int32_t Hr(uint32_t code) {
    return static_cast<int32_t>(code);
}
}  // namespace http_detail

// ---- Status codes ----
constexpr int32_t kHttpOk = 0;
// No driver, missing argument in a low-level call, unsupported operation, or no credentials.
constexpr int32_t kHttpFailed = -1;
constexpr int32_t kHttpConnectUrlFailed = -2;
// Short or failed body read, failed response header read, broken chunk framing.
constexpr int32_t kHttpReadFailed = -4;
// Malformed status line, transfer-encoding line, chunk size, or any size beyond HttpLimits.h.
constexpr int32_t kHttpMalformed = -7;
constexpr int32_t kHttpDataAvailableFailed = -8;
constexpr int32_t kHttpStreamOutOfMemory = -9;
constexpr int32_t kHttpSocketReadFailed = -12;

constexpr int32_t kHttpEFail = http_detail::Hr(0x80004005);
constexpr int32_t kHttpInvalidArg = http_detail::Hr(0x80070057);
constexpr int32_t kHttpOutOfMemory = http_detail::Hr(0x8007000E);
constexpr int32_t kHttpBufferTooSmall = http_detail::Hr(0x8007007A);
// The system's networking library (wininet.dll, ws2_32.dll) could not be loaded.
constexpr int32_t kHttpLibraryMissing = http_detail::Hr(0x8007007E);
constexpr int32_t kHttpNoMoreItems = http_detail::Hr(0x80070103);
constexpr int32_t kHttpTimeout = http_detail::Hr(0x8007041D);
constexpr int32_t kHttpInternalError = http_detail::Hr(0x80072EE4);
constexpr int32_t kHttpInvalidUrl = http_detail::Hr(0x80072EE5);
// An "https://" URL where the driver (or the whole build) speaks no TLS (WinINet's 12006).
constexpr int32_t kHttpSchemeNotSupported = http_detail::Hr(0x80072EE6);
constexpr int32_t kHttpNameNotResolved = http_detail::Hr(0x80072EE7);
constexpr int32_t kHttpMergeModifierUnsupported = http_detail::Hr(0x80072EE9);
constexpr int32_t kHttpIncorrectHandleState = http_detail::Hr(0x80072EF2);
constexpr int32_t kHttpCannotConnect = http_detail::Hr(0x80072EFD);
constexpr int32_t kHttpHeaderNotFound = http_detail::Hr(0x80072F76);
constexpr int32_t kHttpInvalidServerResponse = http_detail::Hr(0x80072F78);
constexpr int32_t kHttpInvalidHeader = http_detail::Hr(0x80072F79);
// More redirects than kHttpMaxRedirects (WinINet's ERROR_HTTP_REDIRECT_FAILED, 12156).
constexpr int32_t kHttpTooManyRedirects = http_detail::Hr(0x80072F7C);
constexpr int32_t kHttpNotConnected = http_detail::Hr(0x80072F83);
// A body longer than the caller's bound (Win32 error 223, ERROR_FILE_TOO_LARGE, as an HRESULT);
// the body length out-argument carries the length announced, or received when it passed the bound.
constexpr int32_t kHttpBodyTooLong = http_detail::Hr(0x800700DF);
// The caller's keep-going question said stop (Win32 error 1223, ERROR_CANCELLED, as an HRESULT).
constexpr int32_t kHttpStopped = http_detail::Hr(0x800704C7);

// A request flow whose final status is outside 200-299 returns minus that status.
constexpr int32_t HttpStatusAsFailure(int32_t httpStatus) {
    return -httpStatus;
}

// ---- Request flags (WinINet INTERNET_FLAG_* values where one exists) ----
constexpr uint32_t kHttpFlagKeepAlive = 0x00400000;
constexpr uint32_t kHttpFlagNoFollow301 = 0x00200000;       // 302 and 303 are always followed
constexpr uint32_t kHttpFlagNoAuthentication = 0x00040000;  // no challenge handler, no retries
constexpr uint32_t kHttpFlagNoChallenge401 = 0x10000000;
constexpr uint32_t kHttpFlagNoChallenge407 = 0x20000000;
constexpr uint32_t kHttpFlagFirstPieceOnly = 0x00001000;  // body read stops after one piece
constexpr uint32_t kHttpFlagDiscardBody = 0x00010000;     // internal, set by the base class
// ReadBody flags bit 0: the body is chunked.
constexpr uint32_t kHttpReadChunked = 0x00000001;

// ---- Header-merge modifiers (WinINet HTTP_ADDREQ_FLAG_*) ----
constexpr uint32_t kHttpAddReqCoalesceComma = 0x40000000;
constexpr uint32_t kHttpAddReqCoalesceSemicolon = 0x01000000;
constexpr uint32_t kHttpAddReqReplace = 0x80000000;
constexpr uint32_t kHttpAddReqAdd = 0x20000000;

// ---- QueryInfo info levels (WinINet HTTP_QUERY_*) ----
constexpr uint32_t kHttpQueryLevelMask = 0x0FFFFFFF;
constexpr uint32_t kHttpQueryFlagNumber = 0x20000000;
constexpr uint32_t kHttpQueryContentType = 1;
constexpr uint32_t kHttpQueryContentLength = 5;
constexpr uint32_t kHttpQueryDate = 9;
constexpr uint32_t kHttpQueryLastModified = 11;
constexpr uint32_t kHttpQueryStatusCode = 19;
constexpr uint32_t kHttpQueryRawHeadersCrlf = 22;
constexpr uint32_t kHttpQueryConnection = 23;
constexpr uint32_t kHttpQueryLocation = 33;
constexpr uint32_t kHttpQueryServer = 37;
constexpr uint32_t kHttpQueryWwwAuthenticate = 40;
constexpr uint32_t kHttpQueryProxyAuthenticate = 41;
constexpr uint32_t kHttpQueryAcceptRanges = 42;
constexpr uint32_t kHttpQuerySetCookie = 43;
constexpr uint32_t kHttpQueryETag = 54;
constexpr uint32_t kHttpQueryTransferEncoding = 63;
constexpr uint32_t kHttpQueryCustom = 0xFFFF;

// ---- Content-type codes of Post, PostFromSource, Put and SendRequestGeneric ----
constexpr int32_t kHttpContentFormUrlEncoded = 0;
constexpr int32_t kHttpContentHtml = 1;
constexpr int32_t kHttpContentPlain = 2;  // any code without a line of its own means text/plain
constexpr int32_t kHttpContentXml = 3;
constexpr int32_t kHttpContentXmlUtf8 = 4;
constexpr int32_t kHttpContentOctetStream = 5;
constexpr int32_t kHttpContentNone = 6;  // no content type and no body

// ---- Range modes of GetRange ----
constexpr int32_t kHttpRangeFirstCount = 0;  // bytes=first-(first+count-1)
constexpr int32_t kHttpRangeFirstLast = 2;   // bytes=first-count, or bytes=-count when first is 0

// ---- Head: file-status modes ----
constexpr uint16_t kHttpModeRegular = 0x8000;
constexpr uint16_t kHttpModeDirectory = 0x4000;
constexpr uint16_t kHttpModeReadable = 0x0100;
constexpr uint16_t kHttpModeWritable = 0x0080;
