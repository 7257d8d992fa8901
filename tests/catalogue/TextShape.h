#pragma once
#include <algorithm>
#include <cwchar>
#include <cwctype>
#include <string>
#include <vector>

#include "tests/catalogue/CatalogueExpectations.h"

// The parts of a text that a translation must keep: placeholders, line breaks, link markup.
namespace catalogue_test {

// "%" and the character after it, for every "%" the positional rule reads, sorted: a positional
// placeholder may move within a translation, but none may appear or vanish.
inline std::vector<std::wstring> PositionalPlaceholders(const std::wstring& text) {
    std::vector<std::wstring> found;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != L'%') continue;
        found.push_back(text.substr(i, 2));
        ++i;
    }
    std::sort(found.begin(), found.end());
    return found;
}

// The printf conversions in the order a formatted print consumes their arguments. A "%" that
// starts no conversion is returned as "%?" so that it shows up as a difference.
inline std::vector<std::wstring> PrintfConversions(const std::wstring& text) {
    std::vector<std::wstring> found;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != L'%') continue;
        std::size_t end = i + 1;
        while (end < text.size() && std::wcschr(L"-+ #0", text[end]) != nullptr) ++end;
        while (end < text.size() && std::iswdigit(text[end])) ++end;
        for (const wchar_t* length : {L"I64", L"ll", L"l", L"h"}) {
            if (text.compare(end, std::wcslen(length), length) == 0) {
                end += std::wcslen(length);
                break;
            }
        }
        if (end < text.size() && (std::iswalpha(text[end]) || text[end] == L'%')) {
            found.push_back(text.substr(i, end + 1 - i));
            i = end;
        } else {
            found.push_back(L"%?");
        }
    }
    return found;
}

inline std::vector<std::wstring> Placeholders(Rule rule, const std::wstring& text) {
    if (rule == Rule::Printf) return PrintfConversions(text);
    // Texts shown as they are get the positional scan too: any "%" in them is a difference.
    return PositionalPlaceholders(text);
}

inline std::size_t LineBreaks(const std::wstring& text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), L'\n'));
}

// Every opening link tag exactly as written, then a "</A>" per closing tag.
inline std::vector<std::wstring> LinkMarkup(const std::wstring& text) {
    std::vector<std::wstring> tags;
    for (std::size_t at = text.find(L"<A"); at != std::wstring::npos; at = text.find(L"<A", at + 1)) {
        std::size_t close = text.find(L'>', at);
        tags.push_back(text.substr(at, close == std::wstring::npos ? std::wstring::npos : close + 1 - at));
    }
    for (std::size_t at = text.find(L"</A>"); at != std::wstring::npos; at = text.find(L"</A>", at + 1))
        tags.push_back(L"</A>");
    return tags;
}

}  // namespace catalogue_test
