#include "setup/SignerCertificate.h"

#include <cstdint>

namespace {

// One DER element: its tag, its content, and the whole element (tag and length included).
struct Element {
    std::uint8_t tag = 0;
    std::string_view content;
    std::string_view whole;
};

constexpr std::uint8_t kSequence = 0x30;
constexpr std::uint8_t kSet = 0x31;
constexpr std::uint8_t kObjectId = 0x06;
constexpr std::uint8_t kVersionTag = 0xA0;  // [0] EXPLICIT, before the serial number
// The attribute types 2.5.4.3 (common name) and 2.5.4.10 (organisation), DER-encoded.
constexpr std::string_view kCommonNameOid("\x55\x04\x03", 3);
constexpr std::string_view kOrganisationOid("\x55\x04\x0A", 3);

// Takes the next element off the front of `input`. Definite lengths of up to four bytes only, as
// DER has them; anything else (or an element longer than what is left) fails.
std::optional<Element> Take(std::string_view& input) {
    if (input.size() < 2) return std::nullopt;
    Element element;
    element.tag = static_cast<std::uint8_t>(input[0]);
    if ((element.tag & 0x1F) == 0x1F) return std::nullopt;  // multi-byte tags do not occur here
    std::size_t length = static_cast<std::uint8_t>(input[1]);
    std::size_t header = 2;
    if (length & 0x80) {
        std::size_t bytes = length & 0x7F;
        if (bytes == 0 || bytes > 4 || input.size() < 2 + bytes) return std::nullopt;
        length = 0;
        for (std::size_t i = 0; i < bytes; ++i) length = (length << 8) | static_cast<std::uint8_t>(input[2 + i]);
        header += bytes;
    }
    if (length > input.size() - header) return std::nullopt;
    element.content = input.substr(header, length);
    element.whole = input.substr(0, header + length);
    input.remove_prefix(header + length);
    return element;
}

std::optional<Element> TakeTagged(std::string_view& input, std::uint8_t tag) {
    std::optional<Element> element = Take(input);
    if (!element || element->tag != tag) return std::nullopt;
    return element;
}

void AppendCodePoint(std::wstring& text, std::uint32_t code) {
    if (sizeof(wchar_t) == 2 && code > 0xFFFF) {
        code -= 0x10000;
        text += static_cast<wchar_t>(0xD800 + (code >> 10));
        text += static_cast<wchar_t>(0xDC00 + (code & 0x3FF));
    } else {
        text += static_cast<wchar_t>(code);
    }
}

std::optional<std::wstring> DecodeUtf8(std::string_view bytes) {
    std::wstring text;
    for (std::size_t at = 0; at < bytes.size();) {
        auto lead = static_cast<std::uint8_t>(bytes[at]);
        std::size_t extra = lead < 0x80           ? 0
                            : (lead >> 5) == 0x6  ? 1
                            : (lead >> 4) == 0xE  ? 2
                            : (lead >> 3) == 0x1E ? 3
                                                  : 4;
        if (extra == 4 || at + extra >= bytes.size()) return std::nullopt;
        std::uint32_t code = extra == 0 ? lead : lead & (0x3F >> extra);
        for (std::size_t i = 1; i <= extra; ++i) {
            auto next = static_cast<std::uint8_t>(bytes[at + i]);
            if ((next & 0xC0) != 0x80) return std::nullopt;
            code = (code << 6) | (next & 0x3F);
        }
        constexpr std::uint32_t kLeast[] = {0, 0x80, 0x800, 0x10000};
        if (code < kLeast[extra] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return std::nullopt;
        AppendCodePoint(text, code);
        at += extra + 1;
    }
    return text;
}

// Big-endian units of `width` bytes (2: BMPString, 4: UniversalString).
std::optional<std::wstring> DecodeWide(std::string_view bytes, std::size_t width) {
    if (bytes.size() % width != 0) return std::nullopt;
    std::wstring text;
    for (std::size_t at = 0; at < bytes.size(); at += width) {
        std::uint32_t code = 0;
        for (std::size_t i = 0; i < width; ++i) code = (code << 8) | static_cast<std::uint8_t>(bytes[at + i]);
        if (code > 0x10FFFF || (width == 4 && code >= 0xD800 && code <= 0xDFFF)) return std::nullopt;
        AppendCodePoint(text, code);
    }
    return text;
}

std::optional<std::wstring> DecodeString(const Element& value) {
    switch (value.tag) {
        case 0x0C:  // UTF8String
            return DecodeUtf8(value.content);
        case 0x13:  // PrintableString
        case 0x16:  // IA5String
        case 0x14:  // TeletexString, read as Latin-1 as most readers do
        {
            std::wstring text;
            for (char c : value.content) text += static_cast<wchar_t>(static_cast<std::uint8_t>(c));
            return text;
        }
        case 0x1E:  // BMPString
            return DecodeWide(value.content, 2);
        case 0x1C:  // UniversalString
            return DecodeWide(value.content, 4);
        default:
            return std::nullopt;
    }
}

// Name ::= SEQUENCE OF SET OF SEQUENCE { type OBJECT IDENTIFIER, value ANY }
bool ReadSubject(std::string_view name, SignerCertificate& certificate) {
    while (!name.empty()) {
        std::optional<Element> set = TakeTagged(name, kSet);
        if (!set) return false;
        std::string_view attributes = set->content;
        while (!attributes.empty()) {
            std::optional<Element> attribute = TakeTagged(attributes, kSequence);
            if (!attribute) return false;
            std::string_view parts = attribute->content;
            std::optional<Element> type = TakeTagged(parts, kObjectId);
            std::optional<Element> value = Take(parts);
            if (!type || !value || !parts.empty()) return false;
            bool organisation = type->content == kOrganisationOid;
            if (!organisation && type->content != kCommonNameOid) continue;
            std::optional<std::wstring> text = DecodeString(*value);
            if (!text) return false;
            (organisation ? certificate.organisations : certificate.commonNames).push_back(*text);
        }
    }
    return true;
}

}  // namespace

// Certificate ::= SEQUENCE { tbsCertificate, signatureAlgorithm, signature }
// TBSCertificate ::= SEQUENCE { [0] version OPTIONAL, serialNumber, signature, issuer, validity,
//                               subject, subjectPublicKeyInfo, ... }
std::optional<SignerCertificate> ReadSignerCertificate(std::string_view der) {
    std::optional<Element> outer = TakeTagged(der, kSequence);
    if (!outer || !der.empty()) return std::nullopt;
    std::string_view body = outer->content;
    std::optional<Element> tbs = TakeTagged(body, kSequence);
    if (!tbs) return std::nullopt;
    std::string_view fields = tbs->content;
    if (!fields.empty() && static_cast<std::uint8_t>(fields[0]) == kVersionTag && !Take(fields)) return std::nullopt;
    // serial number, signature algorithm, issuer, validity
    for (int skipped = 0; skipped < 4; ++skipped) {
        if (!Take(fields)) return std::nullopt;
    }
    std::optional<Element> subject = TakeTagged(fields, kSequence);
    std::optional<Element> publicKey = TakeTagged(fields, kSequence);
    if (!subject || !publicKey) return std::nullopt;
    SignerCertificate certificate;
    certificate.publicKeyInfo = std::string(publicKey->whole);
    if (!ReadSubject(subject->content, certificate)) return std::nullopt;
    return certificate;
}

std::wstring DescribeSigner(const SignerCertificate& certificate) {
    std::wstring text;
    auto add = [&text](const wchar_t* key, const std::vector<std::wstring>& values) {
        for (const std::wstring& value : values)
            text += (text.empty() ? L"" : L", ") + std::wstring(key) + L"=" + value;
    };
    add(L"O", certificate.organisations);
    add(L"CN", certificate.commonNames);
    return text;
}
