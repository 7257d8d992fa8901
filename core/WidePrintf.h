#pragma once
#include <cstdint>
#include <string>
#include <vector>

// One argument of a printf-style catalogue text: a number (for %d, %i, %u, %x, %X, %c, %I64d) or
// a wide string (for %s).
struct PrintfArg {
    PrintfArg(int value) : isText(false), number(value) {}
    PrintfArg(long value) : isText(false), number(value) {}
    PrintfArg(long long value) : isText(false), number(value) {}
    PrintfArg(unsigned value) : isText(false), number(value) {}
    PrintfArg(unsigned long value) : isText(false), number(static_cast<long long>(value)) {}
    PrintfArg(std::wstring value) : isText(true), text(std::move(value)) {}
    PrintfArg(const wchar_t* value) : isText(true), text(value != nullptr ? value : L"(null)") {}

    bool isText;
    long long number = 0;
    std::wstring text;
};

// Formats `format` by the C printf rules for the conversions the catalogue uses (%s, %c, %d, %i,
// %u, %x, %X, %%, with flags, width, precision and the l, ll, h and I64 size prefixes). The same
// result on every platform, which the C library's wide printf does not give (%s differs).
// Unlike printf it is safe on a mismatch: a missing argument prints nothing, a string given for a
// number conversion (or the reverse) prints "?".
std::wstring FormatWidePrintf(const std::wstring& format, const std::vector<PrintfArg>& args);
