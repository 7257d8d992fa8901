// The one decision of how a response body is framed, as every reader of a body takes it.
#include <gtest/gtest.h>

#include <string>

#include "http/HttpFraming.h"
#include "http/HttpStatus.h"

namespace {

TEST(BodyFraming, OneDecisionForEverySpelling) {
    struct Case {
        const char* name;
        std::string headers;  // after the status line
        const char* status;
        bool head;
        int32_t result;
        HttpBodyKind kind;
        uint64_t length;
    };
    const Case cases[] = {
        {"no framing: until close", "", "200", false, kHttpOk, HttpBodyKind::UntilClose, 0},
        {"by length", "Content-Length: 12\r\n", "200", false, kHttpOk, HttpBodyKind::ByLength, 12},
        {"length in any case, no blank", "content-LENGTH:12\r\n", "200", false, kHttpOk, HttpBodyKind::ByLength, 12},
        {"length with blanks around", "Content-Length:   12  \r\n", "200", false, kHttpOk, HttpBodyKind::ByLength, 12},
        {"length zero: none", "Content-Length: 0\r\n", "200", false, kHttpOk, HttpBodyKind::None, 0},
        {"beyond 32 bits kept whole", "Content-Length: 4294967301\r\n", "200", false, kHttpOk, HttpBodyKind::ByLength,
         4294967301ull},
        {"chunked", "Transfer-Encoding: chunked\r\n", "200", false, kHttpOk, HttpBodyKind::Chunked, 0},
        {"chunked without blank", "Transfer-Encoding:chunked\r\n", "200", false, kHttpOk, HttpBodyKind::Chunked, 0},
        {"chunked in capitals, name in lower case", "transfer-encoding:  Chunked\r\n", "200", false, kHttpOk,
         HttpBodyKind::Chunked, 0},
        {"chunked after another coding", "Transfer-Encoding: gzip, chunked\r\n", "200", false, kHttpOk,
         HttpBodyKind::Chunked, 0},
        {"other coding: until close", "Transfer-Encoding: gzip\r\n", "200", false, kHttpOk, HttpBodyKind::UntilClose,
         0},
        {"length wins over chunked", "Transfer-Encoding: chunked\r\nContent-Length: 5\r\n", "200", false, kHttpOk,
         HttpBodyKind::ByLength, 5},
        {"chunked only on 200-599", "Transfer-Encoding: chunked\r\n", "101", false, kHttpOk, HttpBodyKind::UntilClose,
         0},
        {"name inside a value is no header", "X-Note: Transfer-Encoding: chunked\r\n", "200", false, kHttpOk,
         HttpBodyKind::UntilClose, 0},
        {"longer name is another header", "X-Content-Length: 5\r\n", "200", false, kHttpOk, HttpBodyKind::UntilClose,
         0},
        {"204 has none", "Content-Length: 5\r\n", "204", false, kHttpOk, HttpBodyKind::None, 0},
        {"304 has none", "Transfer-Encoding: chunked\r\n", "304", false, kHttpOk, HttpBodyKind::None, 0},
        {"HEAD has none", "Content-Length: 3000000000\r\n", "200", true, kHttpOk, HttpBodyKind::None, 0},
        {"length no number", "Content-Length: ten\r\n", "200", false, kHttpMalformed, HttpBodyKind::UntilClose, 0},
        {"length negative", "Content-Length: -5\r\n", "200", false, kHttpMalformed, HttpBodyKind::UntilClose, 0},
        {"length of too many digits", "Content-Length: 9999999999999999999999\r\n", "200", false, kHttpMalformed,
         HttpBodyKind::UntilClose, 0},
    };
    for (const Case& c : cases) {
        std::string block = std::string("HTTP/1.1 ") + c.status + " X\r\n" + c.headers + "\r\n";
        HttpBodyFraming framing;
        EXPECT_EQ(DecideBodyFraming(block, c.head, &framing), c.result) << c.name;
        if (c.result != kHttpOk) continue;
        EXPECT_EQ(framing.kind, c.kind) << c.name;
        EXPECT_EQ(framing.length, c.length) << c.name;
    }
}

TEST(BodyFraming, AnnouncedLengthReachesHeadWhole) {
    HttpBodyFraming framing;
    ASSERT_EQ(DecideBodyFraming("HTTP/1.1 200 OK\r\nContent-Length: 3000000000\r\n\r\n", true, &framing), kHttpOk);
    EXPECT_TRUE(framing.lengthAnnounced);
    EXPECT_EQ(framing.announcedLength, 3000000000ull);
}

TEST(BodyFraming, TransferEncodingWithoutLineEndIsMalformed) {
    HttpBodyFraming framing;
    EXPECT_EQ(DecideBodyFraming("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked", false, &framing), kHttpMalformed);
}

TEST(BodyFraming, StatusOfTheBlock) {
    EXPECT_EQ(StatusOfHeaderBlock("HTTP/1.1 206 Partial\r\n\r\n"), 206);
    EXPECT_EQ(StatusOfHeaderBlock("HTTP/1.0 102\r\n\r\n"), 102);
    for (const char* bad : {"HTTP/1.1 abc OK\r\n\r\n", "HTTP/0.9 200 OK\r\n\r\n", "", "HTTP/1.1 2000 X\r\n"}) {
        EXPECT_EQ(StatusOfHeaderBlock(bad), 0) << bad;
    }
}

}  // namespace
