#include <cstdint>
#include <cstring>
#include <string>

#include "http/HttpMemory.h"
#include "http/HttpStatus.h"
#include "http/UrlUtilities.h"

// EscapeUrl and CrackUrl on any text; every part handed back must lie inside the URL or fit its
// buffer.
namespace {

void CheckInside(const std::string& url, const char* part, uint32_t length) {
    if (part == nullptr) return;
    if (part < url.data() || part + length > url.data() + url.size()) __builtin_trap();
}

void Crack(const std::string& url) {
    UrlComponents pointers;
    pointers.schemeLength = pointers.hostNameLength = pointers.userNameLength = 1;
    pointers.passwordLength = pointers.urlPathLength = pointers.extraInfoLength = 1;
    if (CrackUrl(url.c_str(), 0, 0, &pointers) == kHttpOk) {
        CheckInside(url, pointers.scheme, pointers.schemeLength);
        CheckInside(url, pointers.hostName, pointers.hostNameLength);
        CheckInside(url, pointers.userName, pointers.userNameLength);
        CheckInside(url, pointers.password, pointers.passwordLength);
        CheckInside(url, pointers.urlPath, pointers.urlPathLength);
        CheckInside(url, pointers.extraInfo, pointers.extraInfoLength);
    }
    char host[16], path[32];
    UrlComponents copies;
    copies.hostName = host;
    copies.hostNameLength = sizeof host;
    copies.urlPath = path;
    copies.urlPathLength = sizeof path;
    if (CrackUrl(url.c_str(), 0, 0, &copies) == kHttpOk) {
        if (copies.hostNameLength < sizeof host && std::strlen(host) != copies.hostNameLength) __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string url(reinterpret_cast<const char*>(data), size);
    url = url.c_str();  // the operations take NUL-terminated text
    char* escaped = nullptr;
    if (EscapeUrl(url.c_str(), &escaped, kUrlEscapeMode) == kHttpOk) {
        if (std::strlen(escaped) > 3 * url.size()) __builtin_trap();
        Crack(escaped);
    }
    HttpFree(escaped);
    Crack(url);
    return 0;
}
