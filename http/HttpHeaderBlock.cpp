#include "http/HttpHeaderBlock.h"

#include <cstring>
#include <string>

#include "http/HttpLimits.h"
#include "http/HttpMemory.h"
#include "http/HttpStatus.h"

namespace {

// Offset of the line of block that starts with nameWithColon, or npos. Matching only at a line
// start keeps "Range:" from matching inside "X-Range:".
size_t FindLineStartingWith(std::string_view block, std::string_view nameWithColon) {
    size_t start = 0;
    while (start < block.size()) {
        if (block.compare(start, nameWithColon.size(), nameWithColon) == 0) return start;
        size_t end = block.find("\r\n", start);
        if (end == std::string_view::npos) break;
        start = end + 2;
    }
    return std::string_view::npos;
}

int32_t MergeOneLine(std::string_view line, const char* separator, std::string* block) {
    size_t colon = line.find(':');
    if (colon == std::string_view::npos || line.find("\r\n") < colon) return kHttpInvalidHeader;
    if (colon > kHttpMaxHeaderNameLength) return kHttpInvalidHeader;
    std::string_view nameWithColon = line.substr(0, colon + 1);
    size_t existing = FindLineStartingWith(*block, nameWithColon);
    if (existing == std::string::npos) {
        block->append(line.data(), line.size());
        return kHttpOk;
    }
    size_t existingEnd = block->find("\r\n", existing);
    if (existingEnd == std::string::npos) existingEnd = block->size();
    std::string_view value = line.substr(colon + 1, line.size() - 2 - (colon + 1));
    std::string addition = separator;
    addition.append(value.data(), value.size());
    block->insert(existingEnd, addition);
    return kHttpOk;
}

}  // namespace

int32_t MergeHeaderText(const char* text, uint32_t modifiers, uint32_t* blockLength, char** block) {
    if (text == nullptr || block == nullptr || blockLength == nullptr) return kHttpInvalidArg;
    std::string_view lines(text);
    if (lines.size() <= 2 || lines.compare(lines.size() - 2, 2, "\r\n") != 0) return kHttpInvalidArg;
    const char* separator = nullptr;
    if ((modifiers & kHttpAddReqCoalesceSemicolon) != 0) {
        separator = "; ";
    } else if ((modifiers & kHttpAddReqCoalesceComma) != 0) {
        separator = ", ";
    } else {
        return kHttpMergeModifierUnsupported;
    }
    std::string merged;
    if (*block != nullptr) merged.assign(*block, *blockLength);
    // Several lines given at once are merged one by one, so none of them is lost.
    size_t start = 0;
    while (start < lines.size()) {
        size_t end = lines.find("\r\n", start);
        std::string_view line = lines.substr(start, end + 2 - start);
        if (line.size() <= 2) return kHttpInvalidArg;  // an empty line inside the text
        int32_t result = MergeOneLine(line, separator, &merged);
        if (result != kHttpOk) return result;
        start = end + 2;
    }
    if (merged.size() > UINT32_MAX - 3) return kHttpOutOfMemory;
    char* fresh = static_cast<char*>(HttpAlloc(merged.size() + 3));
    if (fresh == nullptr) return kHttpOutOfMemory;
    std::memcpy(fresh, merged.data(), merged.size());
    HttpFree(*block);
    *block = fresh;
    *blockLength = static_cast<uint32_t>(merged.size());
    return kHttpOk;
}
