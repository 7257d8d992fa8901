#include "http/ResponseHeaderQuery.h"

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
