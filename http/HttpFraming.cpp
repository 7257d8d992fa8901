#include "http/HttpFraming.h"

#include "http/HttpStatus.h"
#include "http/ResponseHeaderQuery.h"

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool ContainsNoCase(std::string_view text, std::string_view word) {
    for (size_t i = 0; i + word.size() <= text.size(); ++i) {
        size_t k = 0;
        while (k < word.size() && Lower(text[i + k]) == word[k]) ++k;
        if (k == word.size()) return true;
    }
    return false;
}

// Digits only (blanks around them allowed), at most 18 of them so that the value fits 64 bits.
bool ReadLength(std::string_view value, uint64_t* length) {
    while (!value.empty() && (value.back() == ' ' || value.back() == '\t')) value.remove_suffix(1);
    if (value.empty() || value.size() > 18) return false;
    uint64_t number = 0;
    for (char c : value) {
        if (!IsDigit(c)) return false;
        number = number * 10 + static_cast<uint64_t>(c - '0');
    }
    *length = number;
    return true;
}

}  // namespace

int32_t StatusOfHeaderBlock(std::string_view block) {
    std::string_view word;
    if (FindStatusWord(block, &word) != kHttpOk || word.size() != 3) return 0;
    int32_t status = 0;
    for (char c : word) {
        if (!IsDigit(c)) return 0;
        status = status * 10 + (c - '0');
    }
    return status;
}

int32_t DecideBodyFraming(std::string_view block, bool answerToHead, HttpBodyFraming* framing) {
    *framing = HttpBodyFraming{};
    int32_t status = StatusOfHeaderBlock(block);
    std::string_view value;
    int32_t found = FindHeaderValue(block, "Content-Length", 0, &value);
    if (found == kHttpInvalidServerResponse) return kHttpMalformed;
    if (found == kHttpOk) {
        if (!ReadLength(value, &framing->announcedLength)) return kHttpMalformed;
        framing->lengthAnnounced = true;
    }
    bool chunked = false;
    if (!framing->lengthAnnounced && status >= 200 && status <= 599) {
        found = FindHeaderValue(block, "Transfer-Encoding", 0, &value);
        if (found == kHttpInvalidServerResponse) return kHttpMalformed;
        chunked = found == kHttpOk && ContainsNoCase(value, "chunked");
    }

    if (answerToHead || status == 204 || status == 304 || (framing->lengthAnnounced && framing->announcedLength == 0)) {
        framing->kind = HttpBodyKind::None;
    } else if (framing->lengthAnnounced) {
        framing->kind = HttpBodyKind::ByLength;
        framing->length = framing->announcedLength;
    } else if (chunked) {
        framing->kind = HttpBodyKind::Chunked;
    } else {
        framing->kind = HttpBodyKind::UntilClose;
    }
    return kHttpOk;
}
