#pragma once
#include <cstdint>

// Header blocks: header lines ("Name: value\r\n"), no final empty line, in an HttpAlloc'd buffer
// allocated 3 bytes longer than its length and zero-filled.

// Merges header text (one or more lines, each ending in CR LF) into *block. A line whose name
// already starts a line of the block is folded into that line, its value appended after the
// separator of modifiers (kHttpAddReqCoalesceSemicolon "; ", kHttpAddReqCoalesceComma ", ");
// any other line is appended. *block and *blockLength are replaced by the new block.
int32_t MergeHeaderText(const char* text, uint32_t modifiers, uint32_t* blockLength, char** block);
