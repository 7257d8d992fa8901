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

// The arguments in the order the conversions take them.
class ArgCursor {
public:
    explicit ArgCursor(const std::vector<PrintfArg>& args) : args_(args) {}
    // Null once every argument is taken.
    const PrintfArg* Take() { return next_ < args_.size() ? &args_[next_++] : nullptr; }

private:
    const std::vector<PrintfArg>& args_;
    std::size_t next_ = 0;
};

void ReadFlags(const std::wstring& format, std::size_t& i, Field& field) {
    for (; i < format.size(); ++i) {
        bool* flag = format[i] == L'-'   ? &field.left
                     : format[i] == L'0' ? &field.zero
                     : format[i] == L'+' ? &field.plus
                     : format[i] == L' ' ? &field.space
                     : format[i] == L'#' ? &field.alternate
                                         : nullptr;
        if (flag == nullptr) return;
        *flag = true;
    }
}

// A width written out, or "*": the next argument's (a negative one left-aligns).
void ReadWidth(const std::wstring& format, std::size_t& i, Field& field, ArgCursor& args) {
    if (i >= format.size() || format[i] != L'*') {
        field.width = ReadNumber(format, i);
        return;
    }
    ++i;
    const PrintfArg* width = args.Take();
    if (width == nullptr || width->isText) return;
    long long w = width->number;
    if (w < 0) {
        field.left = true;
        w = -w;
    }
    field.width = static_cast<int>(w > 4096 ? 4096 : w);
}

void ReadSize(const std::wstring& format, std::size_t& i, Field& field) {
    if (format.compare(i, 3, L"I64") == 0) {
        field.size = Field::Long64;
        i += 3;
    } else if (format.compare(i, 2, L"ll") == 0) {
        field.size = Field::Long64;
        i += 2;
    } else if (i < format.size() && format[i] == L'l') {
        ++i;  // long is 32-bit on Windows
    } else if (i < format.size() && format[i] == L'h') {
        field.size = Field::Short;
        ++i;
    }
}

// The text of one conversion; `sequence` is the whole sequence as written.
std::wstring Convert(Field field, ArgCursor& args, const std::wstring& sequence) {
    if (field.conversion == L'%') return L"%";
    const bool number = std::wstring(L"diuxX").find(field.conversion) != std::wstring::npos;
    if (!number && field.conversion != L'c' && field.conversion != L's') {
        return sequence;  // not a conversion we know: kept as written
    }
    const PrintfArg* arg = args.Take();
    if (arg == nullptr) return std::wstring();
    if (number) return arg->isText ? L"?" : FormatInteger(arg->number, field);
    if (field.conversion == L'c')
        return Pad(arg->isText ? L"?" : std::wstring(1, static_cast<wchar_t>(arg->number)), field, 0);
    std::wstring text = arg->isText ? arg->text : L"?";
    if (field.precision >= 0 && text.size() > static_cast<std::size_t>(field.precision))
        text.resize(static_cast<std::size_t>(field.precision));
    field.zero = false;
    return Pad(text, field, 0);
}

}  // namespace

std::wstring FormatWidePrintf(const std::wstring& format, const std::vector<PrintfArg>& args) {
    std::wstring out;
    ArgCursor cursor(args);
    for (std::size_t i = 0; i < format.size();) {
        if (format[i] != L'%') {
            out += format[i++];
            continue;
        }
        std::size_t start = i++;
        Field field;
        ReadFlags(format, i, field);
        ReadWidth(format, i, field, cursor);
        if (i < format.size() && format[i] == L'.') field.precision = ReadNumber(format, ++i);
        ReadSize(format, i, field);
        if (i >= format.size()) {
            out.append(format, start, std::wstring::npos);  // a lone trailing "%" stays as written
            break;
        }
        field.conversion = format[i++];
        out += Convert(field, cursor, format.substr(start, i - start));
    }
    return out;
}
