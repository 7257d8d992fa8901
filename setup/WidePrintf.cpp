#include "setup/WidePrintf.h"


namespace {

struct Spec {
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

std::wstring Pad(std::wstring body, const Spec& spec, std::size_t signLength) {
    if (static_cast<int>(body.size()) >= spec.width) return body;
    std::size_t fill = static_cast<std::size_t>(spec.width) - body.size();
    if (spec.left) return body + std::wstring(fill, L' ');
    if (spec.zero) return body.insert(signLength, fill, L'0');
    return std::wstring(fill, L' ') + body;
}

std::wstring FormatInteger(long long raw, const Spec& spec) {
    bool isSigned = spec.conversion == L'd' || spec.conversion == L'i';
    unsigned long long magnitude;
    bool negative = false;
    if (isSigned) {
        long long value = spec.size == Spec::Long64 ? raw
                          : spec.size == Spec::Short ? static_cast<short>(raw)
                                                     : static_cast<int>(raw);
        negative = value < 0;
        magnitude = negative ? 0ULL - static_cast<unsigned long long>(value) : static_cast<unsigned long long>(value);
    } else {
        magnitude = spec.size == Spec::Long64 ? static_cast<unsigned long long>(raw)
                    : spec.size == Spec::Short ? static_cast<unsigned short>(raw)
                                               : static_cast<unsigned int>(raw);
    }
    unsigned base = (spec.conversion == L'x' || spec.conversion == L'X') ? 16 : 10;
    const wchar_t* digitSet = spec.conversion == L'X' ? L"0123456789ABCDEF" : L"0123456789abcdef";
    std::wstring digits;
    for (unsigned long long v = magnitude; v != 0; v /= base) digits.insert(digits.begin(), digitSet[v % base]);
    if (spec.precision < 0 && digits.empty()) digits = L"0";
    if (spec.precision > static_cast<int>(digits.size()))
        digits.insert(0, static_cast<std::size_t>(spec.precision) - digits.size(), L'0');

    std::wstring prefix;
    if (negative) prefix = L"-";
    else if (isSigned && spec.plus) prefix = L"+";
    else if (isSigned && spec.space) prefix = L" ";
    if (base == 16 && spec.alternate && magnitude != 0) prefix += spec.conversion == L'X' ? L"0X" : L"0x";

    Spec padding = spec;
    padding.zero = spec.zero && !spec.left && spec.precision < 0;
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
        Spec spec;
        for (bool flags = true; flags && i < format.size(); ) {
            switch (format[i]) {
                case L'-': spec.left = true; ++i; break;
                case L'0': spec.zero = true; ++i; break;
                case L'+': spec.plus = true; ++i; break;
                case L' ': spec.space = true; ++i; break;
                case L'#': spec.alternate = true; ++i; break;
                default: flags = false;
            }
        }
        if (i < format.size() && format[i] == L'*') {
            ++i;
            const PrintfArg* width = take();
            if (width != nullptr && !width->isText) {
                long long w = width->number;
                if (w < 0) { spec.left = true; w = -w; }
                spec.width = static_cast<int>(w > 4096 ? 4096 : w);
            }
        } else {
            spec.width = ReadNumber(format, i);
        }
        if (i < format.size() && format[i] == L'.') {
            ++i;
            spec.precision = ReadNumber(format, i);
        }
        if (format.compare(i, 3, L"I64") == 0) { spec.size = Spec::Long64; i += 3; }
        else if (format.compare(i, 2, L"ll") == 0) { spec.size = Spec::Long64; i += 2; }
        else if (i < format.size() && format[i] == L'l') { ++i; }  // long is 32-bit on Windows
        else if (i < format.size() && format[i] == L'h') { spec.size = Spec::Short; ++i; }
        if (i >= format.size()) {
            out.append(format, start, std::wstring::npos);  // a lone trailing "%" stays as written
            break;
        }
        spec.conversion = format[i++];
        switch (spec.conversion) {
            case L'%':
                out += L'%';
                break;
            case L'd': case L'i': case L'u': case L'x': case L'X': {
                const PrintfArg* arg = take();
                if (arg == nullptr) break;
                out += arg->isText ? L"?" : FormatInteger(arg->number, spec);
                break;
            }
            case L'c': {
                const PrintfArg* arg = take();
                if (arg == nullptr) break;
                out += Pad(arg->isText ? L"?" : std::wstring(1, static_cast<wchar_t>(arg->number)), spec, 0);
                break;
            }
            case L's': {
                const PrintfArg* arg = take();
                if (arg == nullptr) break;
                std::wstring text = arg->isText ? arg->text : L"?";
                if (spec.precision >= 0 && text.size() > static_cast<std::size_t>(spec.precision))
                    text.resize(static_cast<std::size_t>(spec.precision));
                spec.zero = false;
                out += Pad(text, spec, 0);
                break;
            }
            default:
                // Not a conversion we know: keep the sequence as written.
                out.append(format, start, i - start);
        }
    }
    return out;
}
