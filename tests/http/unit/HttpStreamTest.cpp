#include <gtest/gtest.h>

#include <string>

#include "http/HttpLimits.h"
#include "http/HttpMemory.h"
#include "http/HttpStatus.h"
#include "tests/http/unit/support/MemoryStream.h"

namespace {

struct ReadResult {
    int32_t status;
    std::string data;
    size_t consumed;
};

ReadResult ReadHeaderBlockOf(const std::string& bytes, size_t piece) {
    MemoryStream stream(bytes, piece);
    char* buffer = nullptr;
    uint32_t length = 0;
    int32_t status = stream.ReadHeaderBlock(&buffer, &length);
    std::string data = buffer != nullptr ? std::string(buffer, length) : std::string();
    if (buffer != nullptr) {
        EXPECT_EQ(buffer[length], '\0');
    }
    HttpFree(buffer);
    return {status, data, stream.Position()};
}

ReadResult ReadBodyOf(const std::string& bytes, uint32_t flags, uint32_t expected, size_t piece,
                      size_t failAfter = MemoryStream::kNoFailure) {
    MemoryStream stream(bytes, piece, failAfter);
    char* buffer = nullptr;
    uint32_t length = expected;
    int32_t status = stream.ReadBody(flags, &length, &buffer);
    std::string data = buffer != nullptr ? std::string(buffer, length) : std::string();
    if (buffer != nullptr) {
        EXPECT_EQ(buffer[length], '\0') << "a body ends in a 0 byte";
    }
    if (status != kHttpOk) {
        EXPECT_EQ(buffer, nullptr) << "a failed read hands back nothing";
    }
    HttpFree(buffer);
    return {status, data, stream.Position()};
}

struct HeaderBlockCase {
    const char* name;
    std::string bytes;
    int32_t status;
    std::string block;  // expected block when status is kHttpOk
};

TEST(HttpStreamHeaderBlock, ReadsUpToTheEmptyLineWhateverThePieces) {
    const std::string longValue(1500, 'v');  // longer than one line receive
    const std::string longLine = "X-Long: " + longValue + "\r\n";
    // A line whose tail piece after the first 1024 bytes is exactly CR LF.
    const std::string splitLine = "X-Split: " + std::string(1024 - 9, 'w') + "\r\n";
    const HeaderBlockCase cases[] = {
        {"simple", "HTTP/1.1 200 OK\r\nA: b\r\n\r\nBODY", kHttpOk, "HTTP/1.1 200 OK\r\nA: b\r\n\r\n"},
        {"long line", "HTTP/1.1 200 OK\r\n" + longLine + "\r\nrest", kHttpOk,
         "HTTP/1.1 200 OK\r\n" + longLine + "\r\n"},
        {"crlf tail piece is not the end", "HTTP/1.1 200 OK\r\n" + splitLine + "B: c\r\n\r\n", kHttpOk,
         "HTTP/1.1 200 OK\r\n" + splitLine + "B: c\r\n\r\n"},
        {"closed before the empty line", "HTTP/1.1 200 OK\r\nA: b\r\n", kHttpSocketReadFailed, ""},
        {"nothing at all", "", kHttpSocketReadFailed, ""},
        {"endless line", "HTTP/1.1 200 OK\r\nX: " + std::string(kHttpMaxHeaderLineLength + 2000, 'a'), kHttpMalformed,
         ""},
    };
    for (const auto& c : cases) {
        for (size_t piece : {size_t{1}, size_t{7}, size_t{4096}}) {
            ReadResult result = ReadHeaderBlockOf(c.bytes, piece);
            EXPECT_EQ(result.status, c.status) << c.name << ", pieces of " << piece;
            if (c.status == kHttpOk) {
                EXPECT_EQ(result.data, c.block) << c.name;
                EXPECT_EQ(result.consumed, c.block.size()) << c.name << ": the body is left unread";
            }
        }
    }
}

TEST(HttpStreamHeaderBlock, EmptyLineIsFoundAtEverySplitOfTheFinalCrLfs) {
    // Lines are received at most 1024 bytes at a time. Growing the last header line one byte at a
    // time moves the receive boundary through every position of the final CR LF CR LF.
    const std::string status = "HTTP/1.1 200 OK\r\n";
    for (size_t lineLength = 1020; lineLength <= 1030; ++lineLength) {
        for (size_t extra : {size_t{0}, size_t{1024}, size_t{2048}}) {
            std::string line = "X-Last: " + std::string(lineLength + extra - 10, 'v') + "\r\n";
            std::string block = status + line + "\r\n";
            ReadResult result = ReadHeaderBlockOf(block + "BODY", 4096);
            ASSERT_EQ(result.status, kHttpOk) << "last line of " << line.size() << " bytes";
            EXPECT_EQ(result.data, block);
            EXPECT_EQ(result.consumed, block.size());
        }
    }
}

TEST(HttpStreamHeaderBlock, EndlessHeaderLinesAreRejectedNotGathered) {
    std::string flood = "HTTP/1.1 200 OK\r\n";
    while (flood.size() <= kHttpMaxHeaderBlockLength) flood += "X-Flood: 0123456789\r\n";
    ReadResult result = ReadHeaderBlockOf(flood + "\r\n", 4096);
    EXPECT_EQ(result.status, kHttpMalformed);
    EXPECT_LE(result.consumed, kHttpMaxHeaderBlockLength + 1024);
}

struct BodyCase {
    const char* name;
    std::string bytes;
    uint32_t flags;
    uint32_t expected;
    int32_t status;
    std::string body;
};

TEST(HttpStreamBody, ChunkedLengthAndUntilClose) {
    const std::string twentySix(26, 'z');
    const BodyCase cases[] = {
        // Chunked
        {"two chunks", "3\r\nabc\r\n2\r\nde\r\n0\r\n\r\n", kHttpReadChunked, 0, kHttpOk, "abcde"},
        {"size 1a with an extension", "1a;name=value\r\n" + twentySix + "\r\n0\r\n\r\n", kHttpReadChunked, 0, kHttpOk,
         twentySix},
        {"upper-case hex", "A\r\n0123456789\r\n0\r\n\r\n", kHttpReadChunked, 0, kHttpOk, "0123456789"},
        {"empty chunked body", "0\r\n\r\n", kHttpReadChunked, 0, kHttpOk, ""},
        {"chunk not followed by CR LF", "3\r\nabcX\r\n0\r\n\r\n", kHttpReadChunked, 0, kHttpReadFailed, ""},
        {"chunk shorter than its size", "9\r\nabc", kHttpReadChunked, 0, kHttpReadFailed, ""},
        {"cut before the last chunk", "3\r\nabc\r\n", kHttpReadChunked, 0, kHttpReadFailed, ""},
        {"no size", "xyz\r\nabc\r\n", kHttpReadChunked, 0, kHttpMalformed, ""},
        {"negative size", "-1\r\nabc\r\n", kHttpReadChunked, 0, kHttpMalformed, ""},
        {"size overflowing 32 bits", "100000003\r\nabc\r\n", kHttpReadChunked, 0, kHttpMalformed, ""},
        {"size of many digits", "0000000000000000000000000003\r\nabc\r\n0\r\n\r\n", kHttpReadChunked, 0, kHttpOk,
         "abc"},
        {"absurd size", "7fffffff\r\nabc\r\n", kHttpReadChunked, 0, kHttpMalformed, ""},
        {"size line without CR LF", std::string(2000, '1'), kHttpReadChunked, 0, kHttpMalformed, ""},
        {"first piece only", "3\r\nabc\r\n2\r\nde\r\n0\r\n\r\n", kHttpReadChunked | kHttpFlagFirstPieceOnly, 0, kHttpOk,
         "abc"},
        // By length
        {"exact length", "hello world", 0, 5, kHttpOk, "hello"},
        {"short body", "hel", 0, 5, kHttpSocketReadFailed, ""},
        {"absurd length", "x", 0, kHttpMaxBodyLength + 1, kHttpMalformed, ""},
        // Until close
        {"until close", "all of it", 0, 0, kHttpOk, "all of it"},
        {"until close, empty", "", 0, 0, kHttpOk, ""},
        {"until close, large", std::string(100000, 'q'), 0, 0, kHttpOk, std::string(100000, 'q')},
    };
    for (const auto& c : cases) {
        for (size_t piece : {size_t{1}, size_t{5}, size_t{65536}}) {
            ReadResult result = ReadBodyOf(c.bytes, c.flags, c.expected, piece);
            EXPECT_EQ(result.status, c.status) << c.name << ", pieces of " << piece;
            if (c.status == kHttpOk) {
                EXPECT_EQ(result.data, c.body) << c.name;
            }
        }
    }
}

TEST(HttpStreamBody, AConnectionErrorIsNeverASuccess) {
    const std::string chunked = "3\r\nabc\r\n2\r\nde\r\n0\r\n\r\n";
    for (size_t failAfter = 0; failAfter < chunked.size(); ++failAfter) {
        EXPECT_LT(ReadBodyOf(chunked, kHttpReadChunked, 0, 3, failAfter).status, 0) << "fails after " << failAfter;
    }
    EXPECT_EQ(ReadBodyOf("0123456789", 0, 10, 4, 6).status, kHttpSocketReadFailed);
    EXPECT_EQ(ReadBodyOf("0123456789", 0, 0, 4, 6).status, kHttpSocketReadFailed);
}

}  // namespace
