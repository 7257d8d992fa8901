#include "http/ResponseHeaderQuery.h"

#include <cstddef>

#include "http/HttpStatus.h"

namespace {

struct LevelName {
    uint32_t level;
    std::string_view name;
};

constexpr LevelName kLevelNames[] = {
    {kHttpQueryContentType, "Content-Type"},
    {kHttpQueryContentLength, "Content-Length"},
    {kHttpQueryDate, "Date"},
    {kHttpQueryLastModified, "Last-Modified"},
    {kHttpQueryLocation, "Location"},
    {kHttpQueryServer, "Server"},
    {kHttpQueryWwwAuthenticate, "WWW-Authenticate"},
    {kHttpQueryProxyAuthenticate, "Proxy-Authenticate"},
    {kHttpQueryAcceptRanges, "Accept-Ranges"},
    {kHttpQuerySetCookie, "Set-Cookie"},
    {kHttpQueryETag, "ETag"},
    {kHttpQueryTransferEncoding, "Transfer-Encoding"},
};

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

// Only the first characters of the status line carry version and status.
constexpr size_t kStatusLineScan = 14;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// A decimal number of at most maxDigits digits (at most 9, so it cannot overflow) starting at
// text[position]; false when there is none or more digits follow.
bool ReadDecimal(std::string_view text, size_t position, size_t maxDigits, uint32_t* value) {
    uint32_t number = 0;
    size_t digits = 0;
    while (position < text.size() && IsDigit(text[position]) && digits < maxDigits) {
        number = number * 10 + static_cast<uint32_t>(text[position] - '0');
        ++position;
        ++digits;
    }
    if (digits == 0 || (position < text.size() && IsDigit(text[position]))) return false;
    *value = number;
    return true;
}

}  // namespace

std::string_view HeaderNameForLevel(uint32_t level) {
    for (const LevelName& entry : kLevelNames)
        if (entry.level == level) return entry.name;
    return {};
}

std::string_view BareHeaderName(std::string_view customName) {
    while (!customName.empty() && (customName.back() == ' ' || customName.back() == '\t')) customName.remove_suffix(1);
    if (!customName.empty() && customName.back() == ':') customName.remove_suffix(1);
    return customName;
}

int32_t FindHeaderValue(std::string_view block, std::string_view name, uint32_t occurrence, std::string_view* value) {
    if (name.empty()) return kHttpHeaderNotFound;
    // Header lines start after the first CR LF (the status line is never a header).
    size_t lineStart = block.find("\r\n");
    while (lineStart != std::string_view::npos) {
        lineStart += 2;
        size_t lineEnd = block.find("\r\n", lineStart);
        std::string_view rest = block.substr(lineStart);
        if (rest.size() > name.size() && rest[name.size()] == ':' && SameName(rest.substr(0, name.size()), name)) {
            if (occurrence == 0) {
                if (lineEnd == std::string_view::npos) return kHttpInvalidServerResponse;
                size_t start = lineStart + name.size() + 1;
                while (start < lineEnd && (block[start] == ' ' || block[start] == '\t')) ++start;
                *value = block.substr(start, lineEnd - start);
                return kHttpOk;
            }
            --occurrence;
        }
        lineStart = lineEnd;
    }
    return kHttpHeaderNotFound;
}

int32_t FindStatusWord(std::string_view block, std::string_view* word) {
    if (block.substr(0, 7) != "HTTP/1.") return kHttpInvalidServerResponse;
    size_t lineEnd = block.find("\r\n");
    std::string_view line = block.substr(0, lineEnd);
    size_t blank = line.find(' ');
    if (blank == std::string_view::npos) return kHttpInvalidServerResponse;
    size_t start = line.find_first_not_of(' ', blank);
    if (start == std::string_view::npos) return kHttpInvalidServerResponse;
    size_t end = line.find(' ', start);
    *word = line.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    return kHttpOk;
}

void LowerCaseHeaderNames(char* text, size_t length) {
    std::string_view view(text, length);
    size_t crlf = view.find("\r\n");
    while (crlf != std::string_view::npos) {
        size_t start = crlf + 2;
        if (start >= length) break;
        size_t colon = view.find(':', start);
        size_t next = view.find("\r\n", start);
        if (colon == std::string_view::npos || colon > next) break;
        for (size_t i = start; i < colon; ++i) text[i] = Lower(text[i]);
        crlf = next;
    }
}

bool ParseStatusLine(std::string_view text, int32_t* minor, int32_t* status) {
    if (text.size() < 7 || text.compare(0, 5, "HTTP/") != 0 || text[6] != '.') return false;
    if (!IsDigit(text[5]) || text[5] == '0') return false;
    std::string_view scan = text.substr(0, kStatusLineScan);
    uint32_t minorValue = 0;
    size_t position = 7;
    if (ReadDecimal(scan, position, 6, &minorValue)) {
        while (position < scan.size() && IsDigit(scan[position])) ++position;
    }
    size_t blank = scan.find(' ', position);
    if (blank == std::string_view::npos) return false;
    uint32_t statusValue = 0;
    if (!ReadDecimal(text, blank + 1, 3, &statusValue) || statusValue < 100) return false;
    *minor = static_cast<int32_t>(minorValue);
    *status = static_cast<int32_t>(statusValue);
    return true;
}

bool ConnectionAsksToClose(std::string_view value) {
    while (!value.empty()) {
        size_t comma = value.find(',');
        std::string_view token = value.substr(0, comma);
        size_t first = token.find_first_not_of(" \t");
        size_t last = token.find_last_not_of(" \t");
        if (first != std::string_view::npos && SameName(token.substr(first, last + 1 - first), "close")) return true;
        if (comma == std::string_view::npos) break;
        value.remove_prefix(comma + 1);
    }
    return false;
}
