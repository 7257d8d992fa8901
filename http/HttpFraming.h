#pragma once
#include <cstdint>
#include <string_view>

// How the body of a response is framed, decided once from its header block. Both drivers, the
// response step and Head read a body (or none) by this one decision.

enum class HttpBodyKind {
    None,        // 204, 304, an answer to HEAD, or a Content-Length of 0
    ByLength,    // Content-Length bytes (a Content-Length wins over any transfer encoding)
    Chunked,     // a transfer encoding naming "chunked" on a 200-599 answer without a length
    UntilClose,  // neither: the body runs until the server closes the connection
};

struct HttpBodyFraming {
    HttpBodyKind kind = HttpBodyKind::UntilClose;
    uint64_t length = 0;           // ByLength: the body's length
    bool lengthAnnounced = false;  // a Content-Length header is present
    uint64_t announcedLength = 0;  // its value, also when no body follows (HEAD)
};

// The status of the block's status line ("HTTP/x.y nnn ..."), 0 when it has none.
int32_t StatusOfHeaderBlock(std::string_view block);

// Decides the framing of the response whose raw header block (status line first, header names in
// any case, blanks after the colon optional) is block. kHttpMalformed for a Content-Length that is
// not a plain number or a transfer-encoding line without CR LF; kHttpOk otherwise. A length beyond
// kHttpMaxBodyLength is decided all the same: the body reader refuses it.
int32_t DecideBodyFraming(std::string_view block, bool answerToHead, HttpBodyFraming* framing);
