#pragma once
#include <cstdint>
#include <string_view>

// Header blocks: header lines ("Name: value\r\n"), no final empty line, in an HttpAlloc'd buffer
// allocated 3 bytes longer than its length and zero-filled.

// Merges header text (one or more lines, each ending in CR LF) into *block. A line whose name
// already starts a line of the block is folded into that line, its value appended after the
// separator of modifiers (kHttpAddReqCoalesceSemicolon "; ", kHttpAddReqCoalesceComma ", ");
// any other line is appended. *block and *blockLength are replaced by the new block.
int32_t MergeHeaderText(const char* text, uint32_t modifiers, uint32_t* blockLength, char** block);

// Where the value of the header line beginning with name (name, colon and blank, matched
// case-sensitively at the start of a line after the first) starts in text, or npos.
size_t FindHeaderValue(std::string_view text, std::string_view nameWithColon);

// The end of the line that holds position (the offset of its CR LF), or npos when the line has
// no CR LF.
size_t LineEnd(std::string_view text, size_t position);
