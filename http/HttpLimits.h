#pragma once
#include <cstdint>

// Every bound the client puts on what a server may send or make it do, and every time-out and
// buffer size it works with, each with its reason. A response that goes past one of the bounds is
// rejected as malformed (kHttpMalformed) instead of being trusted.

// ---- What a server may send ----
// One line of a response header block (status line included): far above any real header.
constexpr uint32_t kHttpMaxHeaderLineLength = 16 * 1024;
// The whole response header block, final empty line included.
constexpr uint32_t kHttpMaxHeaderBlockLength = 256 * 1024;
// A body, however it is framed. Package downloads go in 512 KiB ranges; whole-file gets fetch
// small files. Also the largest length a body read accepts from a Content-Length.
constexpr uint32_t kHttpMaxBodyLength = 1024u * 1024u * 1024u;
// One chunk-size line of a chunked body (the size, any extension and CR LF).
constexpr uint32_t kHttpMaxChunkSizeLineLength = 1024;
// A single Set-Cookie value; a longer one is dropped, the response still succeeds.
constexpr uint32_t kHttpMaxCookieLength = 8 * 1024;
// Distinct cookies the jar keeps, so that a server cannot grow it without end.
constexpr uint32_t kHttpMaxStoredCookies = 4096;
// Set-Cookie headers taken from one response.
constexpr uint32_t kHttpMaxResponseCookies = 256;
// A header name given to MergeHeaderLine (the size of WinINet's own name buffer).
constexpr uint32_t kHttpMaxHeaderNameLength = 127;

// ---- What a server may make a request flow do ----
// Redirects followed by one request flow before it gives up with kHttpTooManyRedirects.
constexpr int kHttpMaxRedirects = 10;
// Authentication retries per request flow.
constexpr int kHttpMaxAuthenticationRetries = 3;
// Interim answers (1xx other than 101) skipped before the real answer: one, as for 100 Continue.
constexpr int kHttpMaxInterimAnswers = 1;
// Sends of one WinINet request after a certificate answer or a forced retry, so that a server that
// keeps asking cannot hold the driver in a loop.
constexpr int kHttpMaxSendAttempts = 3;

// ---- Memory ----
// Largest single growth of a body buffer before its bytes are there: a body grows as data comes,
// never by an announced length alone. 512 KiB package slices fit in one step.
constexpr uint32_t kHttpBodyGrowthStep = 1024u * 1024u;
// First buffer of a body whose length is not known (WinINet reads, bodies read until close).
constexpr uint32_t kHttpUnknownLengthStartSize = 64000;
// One receive of a header line: lines longer than this arrive in several pieces.
constexpr uint32_t kHttpLineReceiveSize = 1024;
// Bodies are received in pieces of at most this many bytes.
constexpr uint32_t kHttpMaxReceiveSize = 65536;
// The socket's read-ahead buffer: header lines come from it instead of one system call per byte.
constexpr uint32_t kHttpReadAheadSize = 16 * 1024;

// ---- Time-outs ----
// The socket driver's receive time-out of a fresh connection: long enough for a slow server,
// short enough that a stalled one does not hold the setup forever.
constexpr int32_t kHttpSocketReceiveTimeoutMs = 60000;
// The WinINet driver's defaults: receive and send 10 hours (WinINet's own reuse and retry logic
// decides), connect 10 seconds.
constexpr uint32_t kHttpWinInetReceiveTimeoutMs = 36000000;
constexpr uint32_t kHttpWinInetSendTimeoutMs = 36000000;
constexpr uint32_t kHttpWinInetConnectTimeoutMs = 10000;
// A watched request (HttpRequestLimits) that waits this long without data asks its caller's
// keep-going question: a Cancel is seen within half a second while a server is slow.
constexpr uint32_t kHttpWatchWakeMilliseconds = 500;

// ---- Fixed values ----
// The port of the proxy named by "Proxy".
constexpr uint16_t kHttpProxyPort = 8080;
