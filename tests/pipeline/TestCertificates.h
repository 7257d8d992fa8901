#pragma once
// Certificates (DER) built by hand for the signer tests: a subject and a public key are all the
// setup reads, so the rest is a fixed, well-formed filler.
#include <string>
#include <vector>

namespace test_certificates {

// DER, built by hand for the shapes a real tool would rarely make.
inline std::string Der(unsigned char tag, const std::string& content) {
    std::string element(1, static_cast<char>(tag));
    std::size_t length = content.size();
    if (length < 0x80) {
        element += static_cast<char>(length);
    } else if (length < 0x100) {
        element += "\x81";
        element += static_cast<char>(length);
    } else {
        element += "\x82";
        element += static_cast<char>(length >> 8);
        element += static_cast<char>(length & 0xFF);
    }
    return element + content;
}
inline std::string Attribute(const char* oidLastByte, unsigned char stringTag, const std::string& value) {
    return Der(0x30, Der(0x06, std::string("\x55\x04", 2) + oidLastByte) + Der(stringTag, value));
}
inline std::string Organisation(const std::string& value, unsigned char tag = 0x0C) {
    return Attribute("\x0A", tag, value);
}
inline std::string CommonName(const std::string& value, unsigned char tag = 0x0C) {
    return Attribute("\x03", tag, value);
}
inline std::string Country(const std::string& value) {
    return Attribute("\x06", 0x13, value);
}
// One RDN per attribute, unless several are given to one set.
inline std::string Name(const std::vector<std::string>& sets) {
    std::string content;
    for (const std::string& set : sets) content += Der(0x31, set);
    return Der(0x30, content);
}
inline const std::string kPublicKey =
    Der(0x30, Der(0x30, Der(0x06, "\x2a\x86\x48\x86\xf7\x0d\x01\x01\x01")) + Der(0x03, std::string("\x00\x01\x02", 3)));
inline std::string Certificate(const std::string& subject, const std::string& publicKey = kPublicKey) {
    std::string algorithm = Der(0x30, Der(0x06, "\x2a\x86\x48\x86\xf7\x0d\x01\x01\x0b"));
    std::string tbs = Der(0xA0, Der(0x02, "\x02")) + Der(0x02, "\x01") + algorithm + Name({Country("NO")}) +
                      Der(0x30, Der(0x17, "260101000000Z") + Der(0x17, "360101000000Z")) + subject + publicKey;
    return Der(0x30, Der(0x30, tbs) + algorithm + Der(0x03, std::string("\x00\x55", 2)));
}

}  // namespace test_certificates
