#pragma once
#include <cwctype>
#include <string>

namespace platform {

// The text a link control is given: within each link tag ("<A ...>"), runs of blanks between the
// attributes become one blank; quoted values stay as they are. The control's parser in some systems
// takes a tag's attributes only after exactly one blank and shows a tag with more as plain text;
// the shown text is the same either way.
inline std::wstring TidyLinkTags(const std::wstring& text) {
    std::wstring tidy;
    tidy.reserve(text.size());
    bool inTag = false, inQuotes = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        wchar_t c = text[i];
        if (!inTag) {
            inTag = c == L'<' && i + 2 < text.size() && std::towupper(text[i + 1]) == L'A' && text[i + 2] == L' ';
        } else if (c == L'"') {
            inQuotes = !inQuotes;
        } else if (!inQuotes && c == L'>') {
            inTag = false;
        } else if (!inQuotes && c == L' ' && tidy.back() == L' ') {
            continue;
        }
        tidy += c;
    }
    return tidy;
}

}  // namespace platform
