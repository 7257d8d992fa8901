#pragma once
#include <cstdint>

// Every bound the client puts on what a server may send or make it do. A response that goes past
// one of them is rejected as malformed (kHttpMalformed) instead of being trusted.

// One line of a response header block (status line included).
constexpr uint32_t kHttpMaxHeaderLineLength = 16 * 1024;
// The whole response header block, final empty line included.
constexpr uint32_t kHttpMaxHeaderBlockLength = 256 * 1024;
// A body, however it is framed (by length, chunked, or until the connection closes). Package
// downloads go in 512 KiB ranges; whole-file gets fetch small files.
constexpr uint32_t kHttpMaxBodyLength = 1024u * 1024u * 1024u;
// One chunk-size line of a chunked body (the size, any extension and CR LF).
constexpr uint32_t kHttpMaxChunkSizeLineLength = 1024;
// Redirects followed by one request flow before it gives up with kHttpTooManyRedirects.
constexpr int kHttpMaxRedirects = 10;
// Authentication retries per request flow.
constexpr int kHttpMaxAuthenticationRetries = 3;
// Largest single allocation made while a body arrives before its bytes are there; a body read by
// length grows its buffer as data comes rather than trusting the announced length up front.
constexpr uint32_t kHttpBodyGrowthStep = 1024u * 1024u;
// A header name given to MergeHeaderLine.
constexpr uint32_t kHttpMaxHeaderNameLength = 127;
// A single Set-Cookie value, and the number of distinct cookies the jar keeps.
constexpr uint32_t kHttpMaxCookieLength = 8 * 1024;
constexpr uint32_t kHttpMaxStoredCookies = 4096;
// Set-Cookie headers taken from one response.
constexpr uint32_t kHttpMaxResponseCookies = 256;
