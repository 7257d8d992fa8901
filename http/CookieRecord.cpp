#include "http/CookieRecord.h"

#include <cstring>

#include "http/CookieKeyHash.h"
#include "http/HttpLimits.h"
#include "http/HttpStatus.h"

namespace {

constexpr std::string_view kHttpScheme = "http://";
constexpr std::string_view kHttpsScheme = "https://";
constexpr size_t kVersionDigits = 7;

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view text, bool alsoSemicolon) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && (IsBlank(text.back()) || (alsoSemicolon && text.back() == ';'))) {
        text.remove_suffix(1);
    }
    return text;
}

// "name=value" up to the first ';' after the '='. False when there is no '='.
bool ParsePair(std::string_view text, std::string_view* name, std::string_view* value) {
    size_t equals = text.find('=');
    if (equals == std::string_view::npos) return false;
    size_t end = text.find(';', equals);
    if (end == std::string_view::npos) end = text.size();
    *name = Trim(text.substr(0, equals), false);
    *value = Trim(text.substr(equals + 1, end - equals - 1), true);
    return true;
}

// The value of the attribute named exactly name among the attributes after the cookie's own
// pair; a cookie called "Pathfinder" or a value holding "path" is no Path attribute.
bool FindAttribute(std::string_view attributes, std::string_view attributeName, std::string_view* value) {
    size_t start = 0;
    while (start < attributes.size()) {
        size_t end = attributes.find(';', start);
        if (end == std::string_view::npos) end = attributes.size();
        std::string_view name;
        std::string_view found;
        if (ParsePair(attributes.substr(start, end - start), &name, &found) && name == attributeName) {
            *value = found;
            return true;
        }
        start = end + 1;
    }
    return false;
}

bool FindAttributeEitherCase(std::string_view attributes, std::string_view capitalised, std::string_view lower,
                             std::string_view* value) {
    return FindAttribute(attributes, capitalised, value) || FindAttribute(attributes, lower, value);
}

}  // namespace

int32_t ParseCookie(const char* url, const char* setCookieValue, Cookie* cookie) {
    if (url == nullptr || setCookieValue == nullptr || cookie == nullptr) return kHttpFailed;
    if (std::strlen(setCookieValue) > kHttpMaxCookieLength) return kHttpEFail;
    cookie->header = setCookieValue;
    std::string_view header = cookie->header;

    if (!ParsePair(header, &cookie->name, &cookie->value)) return kHttpEFail;
    size_t firstEnd = header.find(';', header.find('='));
    std::string_view attributes = firstEnd == std::string_view::npos ? std::string_view() : header.substr(firstEnd + 1);
    bool hasPath = FindAttributeEitherCase(attributes, "Path", "path", &cookie->path);
    FindAttributeEitherCase(attributes, "Domain", "domain", &cookie->domain);
    std::string_view version;
    if (FindAttributeEitherCase(attributes, "Version", "version", &version)) {
        int32_t number = 0;
        for (size_t i = 0; i < version.size() && i < kVersionDigits && version[i] >= '0' && version[i] <= '9'; ++i) {
            number = number * 10 + (version[i] - '0');
        }
        cookie->version = number;
    }

    std::string_view address(url);
    size_t schemeLength = 0;
    if (address.substr(0, kHttpScheme.size()) == kHttpScheme) {
        schemeLength = kHttpScheme.size();
    } else if (address.substr(0, kHttpsScheme.size()) == kHttpsScheme) {
        schemeLength = kHttpsScheme.size();
    } else {
        return kHttpEFail;
    }
    if (hasPath) {
        size_t where = address.find(cookie->path, schemeLength);
        if (where == std::string_view::npos) return kHttpEFail;
        cookie->keyText.assign(url, where);
        cookie->keyText.append(cookie->path.data(), cookie->path.size());
    } else {
        // Stored under the bare scheme, which no lookup produces: kept but never sent.
        cookie->keyText.assign(url, schemeLength);
    }
    cookie->hash = CookieKeyHash(cookie->keyText.c_str());
    return kHttpOk;
}

void AppendCookie(const Cookie& cookie, std::string* line) {
    line->append(cookie.name.data(), cookie.name.size());
    line->push_back('=');
    line->append(cookie.value.data(), cookie.value.size());
    line->append("; $Path=");
    line->append(cookie.path.data(), cookie.path.size());
}
