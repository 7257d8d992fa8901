#include "core/WidePrintf.h"

namespace {

struct Field {
    bool left = false, zero = false, plus = false, space = false, alternate = false;
    int width = 0;
    int precision = -1;  // -1: none given
    enum Size { Default, Short, Long64 } size = Default;
    wchar_t conversion = 0;
};

// Reads an unsigned decimal at `i`, advancing it; capped so a hostile width cannot blow up memory.
int ReadNumber(const std::wstring& format, std::size_t& i) {
    long long value = 0;
    while (i < format.size() && format[i] >= L'0' && format[i] <= L'9') {
        if (value < 100000) value = value * 10 + (format[i] - L'0');
        ++i;
    }
    return static_cast<int>(value > 4096 ? 4096 : value);
}

std::wstring Pad(std::wstring body, const Field& field, std::size_t signLength) {
    if (static_cast<int>(body.size()) >= field.width) return body;
    std::size_t fill = static_cast<std::size_t>(field.width) - body.size();
    if (field.left) return body + std::wstring(fill, L' ');
    if (field.zero) return body.insert(signLength, fill, L'0');
    return std::wstring(fill, L' ') + body;
}

std::wstring FormatInteger(long long raw, const Field& field) {
    bool isSigned = field.conversion == L'd' || field.conversion == L'i';
    unsigned long long magnitude;
    bool negative = false;
    if (isSigned) {
        long long value = field.size == Field::Long64  ? raw
                          : field.size == Field::Short ? static_cast<short>(raw)
                                                       : static_cast<int>(raw);
        negative = value < 0;
        magnitude = negative ? 0ULL - static_cast<unsigned long long>(value) : static_cast<unsigned long long>(value);
    } else {
        magnitude = field.size == Field::Long64  ? static_cast<unsigned long long>(raw)
                    : field.size == Field::Short ? static_cast<unsigned short>(raw)
                                                 : static_cast<unsigned int>(raw);
    }
    unsigned base = (field.conversion == L'x' || field.conversion == L'X') ? 16 : 10;
    const wchar_t* digitSet = field.conversion == L'X' ? L"0123456789ABCDEF" : L"0123456789abcdef";
    std::wstring digits;
    for (unsigned long long v = magnitude; v != 0; v /= base) digits.insert(digits.begin(), digitSet[v % base]);
    if (field.precision < 0 && digits.empty()) digits = L"0";
    if (field.precision > static_cast<int>(digits.size()))
        digits.insert(0, static_cast<std::size_t>(field.precision) - digits.size(), L'0');

    std::wstring prefix;
    if (negative)
        prefix = L"-";
    else if (isSigned && field.plus)
        prefix = L"+";
    else if (isSigned && field.space)
        prefix = L" ";
    if (base == 16 && field.alternate && magnitude != 0) prefix += field.conversion == L'X' ? L"0X" : L"0x";

    Field padding = field;
    padding.zero = field.zero && !field.left && field.precision < 0;
    return Pad(prefix + digits, padding, prefix.size());
}

}  // namespace

std::wstring FormatWidePrintf(const std::wstring& format, const std::vector<PrintfArg>& args) {
    std::wstring out;
    std::size_t next = 0;
    auto take = [&]() -> const PrintfArg* { return next < args.size() ? &args[next++] : nullptr; };

    for (std::size_t i = 0; i < format.size();) {
        if (format[i] != L'%') {
            out += format[i++];
            continue;
        }
        std::size_t start = i++;
        Field field;
        for (bool flags = true; flags && i < format.size();) {
            switch (format[i]) {
                case L'-':
                    field.left = true;
                    ++i;
                    break;
                case L'0':
                    field.zero = true;
                    ++i;
                    break;
                case L'+':
                    field.plus = true;
                    ++i;
                    break;
                case L' ':
                    field.space = true;
                    ++i;
                    break;
                case L'#':
                    field.alternate = true;
                    ++i;
                    break;
                default:
                    flags = false;
            }
        }
        if (i < format.size() && format[i] == L'*') {
            ++i;
            const PrintfArg* width = take();
            if (width != nullptr && !width->isText) {
                long long w = width->number;
                if (w < 0) {
                    field.left = true;
                    w = -w;
                }
                field.width = static_cast<int>(w > 4096 ? 4096 : w);
            }
        } else {
            field.width = ReadNumber(format, i);
        }
        if (i < format.size() && format[i] == L'.') {
            ++i;
            field.precision = ReadNumber(format, i);
        }
        if (format.compare(i, 3, L"I64") == 0) {
            field.size = Field::Long64;
            i += 3;
        } else if (format.compare(i, 2, L"ll") == 0) {
            field.size = Field::Long64;
            i += 2;
        } else if (i < format.size() && format[i] == L'l') {
            ++i;
        }  // long is 32-bit on Windows
        else if (i < format.size() && format[i] == L'h') {
            field.size = Field::Short;
            ++i;
        }
        if (i >= format.size()) {
            out.append(format, start, std::wstring::npos);  // a lone trailing "%" stays as written
            break;
        }
        field.conversion = format[i++];
        switch (field.conversion) {
            case L'%':
                out += L'%';
                break;
            case L'd':
            case L'i':
            case L'u':
            case L'x':
            case L'X': {
                const PrintfArg* arg = take();
                if (arg == nullptr) break;
                out += arg->isText ? L"?" : FormatInteger(arg->number, field);
                break;
            }
            case L'c': {
                const PrintfArg* arg = take();
                if (arg == nullptr) break;
                out += Pad(arg->isText ? L"?" : std::wstring(1, static_cast<wchar_t>(arg->number)), field, 0);
                break;
            }
            case L's': {
                const PrintfArg* arg = take();
                if (arg == nullptr) break;
                std::wstring text = arg->isText ? arg->text : L"?";
                if (field.precision >= 0 && text.size() > static_cast<std::size_t>(field.precision))
                    text.resize(static_cast<std::size_t>(field.precision));
                field.zero = false;
                out += Pad(text, field, 0);
                break;
            }
            default:
                // Not a conversion we know: keep the sequence as written.
                out.append(format, start, i - start);
        }
    }
    return out;
}
