#pragma once
#include <cstdint>
#include <string>

// The HTTP/1.x request text: every piece of it that a driver writes or hands to WinINet comes from
// here, sized to fit whatever the lengths of its inputs.

// "<method> <target> HTTP/<major>.<minor>\r\nHost: <host>:<port>\r\n<userAgentLine>"
std::string RequestHead(const char* method, const char* target, int major, int minor, const char* host, uint16_t port,
                        const char* userAgentLine);

// "Proxy-Connection: Keep-Alive\r\n" through a proxy, else "Connection: Keep-Alive\r\n".
const char* KeepAliveLine(bool throughProxy);

// The content-type line of a content-type code; null for kHttpContentNone.
const char* ContentTypeLine(int32_t contentType);

// The range request lines of GetRange ("Accept-Ranges: bytes\r\nRange: bytes=...\r\n").
// false for an unknown range mode.
bool RangeLines(int32_t rangeMode, uint32_t first, uint32_t count, std::string* lines);

// "Proxy-authorization:  <scheme> <credentials>\r\n" (two blanks after the colon), sent through
// the proxy once credentials were obtained for a 407 answer.
std::string ProxyAuthorizationLine(const std::string& scheme, const std::string& credentials);

// "Content-Length: <length>\r\n" and "Transfer-Encoding: chunked\r\n".
std::string ContentLengthLine(uint32_t length);
constexpr const char* kChunkedEncodingLine = "Transfer-Encoding: chunked\r\n";

// The frame around one piece of a chunked upload: "<hex length>\r\n" before, "\r\n" after; the
// end of the body is "0\r\n\r\n".
std::string ChunkSizeLine(uint32_t length);
constexpr const char* kChunkTrailer = "\r\n";
constexpr const char* kLastChunk = "0\r\n\r\n";
