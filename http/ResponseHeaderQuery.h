#pragma once
#include <cstddef>
#include <cstdint>
#include <string_view>

// The client's one header lookup in a raw response header block (status line first, CR LF line
// ends): the framing decision, the response step, the challenge handler and the socket driver's
// QueryInfo all find headers through it. Beside it, the parsers of the status line and of the
// Connection value that the response step reads.

// The header name an info level asks for (without colon), or an empty view for levels that are not
// a plain header lookup (status code, raw headers) or not supported.
std::string_view HeaderNameForLevel(uint32_t level);

// A custom name as callers write it ("Content-Range:  ", "ETag", "X-Id:") reduced to the bare
// name: trailing blanks and one trailing colon removed.
std::string_view BareHeaderName(std::string_view customName);

// The value of the occurrence-th header named name (0 the first). Names match whatever their case,
// at the start of a line; blanks after the colon are skipped. kHttpHeaderNotFound when absent,
// kHttpInvalidServerResponse when the value has no CR LF after it.
int32_t FindHeaderValue(std::string_view block, std::string_view name, uint32_t occurrence, std::string_view* value);

// The status code word of the status line ("200"); kHttpInvalidServerResponse unless the first
// word begins with "HTTP/1.".
int32_t FindStatusWord(std::string_view block, std::string_view* word);

// Lower-cases each header name of a raw block in place (up to its ':'); stops at a final CR LF or
// at a line without ':'.
void LowerCaseHeaderNames(char* text, size_t length);

// "HTTP/<major>.<minor> <status>": major and status must be numbers above 0, the status three
// digits. False when the block does not start with such a line.
bool ParseStatusLine(std::string_view text, int32_t* minor, int32_t* status);

// True when a Connection header value asks to close the connection: one of its comma-separated
// tokens, blanks around it ignored, is "close" in any case. Both drivers end keep-alive by it.
bool ConnectionAsksToClose(std::string_view value);
