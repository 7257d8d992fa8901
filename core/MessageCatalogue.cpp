#include "core/MessageCatalogue.h"

#include "platform/Services.h"

std::wstring FillPositional(const std::wstring& text, const std::vector<std::wstring>& arguments) {
    std::wstring out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        wchar_t next = i + 1 < text.size() ? text[i + 1] : L'\0';
        std::size_t index;
        if (text[i] == L'%' && next >= L'1' && next <= L'9') {
            index = static_cast<std::size_t>(next - L'1');
        } else if (text[i] == L'%' && next >= L'A' && next <= L'Z') {
            index = static_cast<std::size_t>(next - L'A') + 9;
        } else {
            out += text[i];
            continue;
        }
        out += index < arguments.size() ? arguments[index] : L"?";
        ++i;
    }
    return out;
}

std::wstring MessageCatalogue::Load(unsigned id) {
    platform::StringResources* strings = platform::Os().strings;
    if (strings == nullptr) return std::wstring();
    return strings->Load(id).value_or(std::wstring());
}

std::wstring MessageCatalogue::FormatPositional(unsigned id, const std::vector<std::wstring>& arguments) {
    std::wstring text = Load(id);
    return text.empty() ? text : FillPositional(text, arguments);
}

std::wstring MessageCatalogue::FormatPrintf(unsigned id, const std::vector<PrintfArg>& arguments) {
    std::wstring text = Load(id);
    return text.empty() ? text : FormatWidePrintf(text, arguments);
}
