#include "http/CookieJar.h"

#include <atomic>
#include <memory>
#include <new>
#include <string>

#include "http/CookieKeyHash.h"
#include "http/CookieRecord.h"
#include "http/HttpLimits.h"
#include "http/HttpMemory.h"
#include "http/HttpStatus.h"
#include "http/UrlUtilities.h"
#include "threads/VolResourceLock.h"
#include "threads/VolSysSimpleHashTable.h"

// The process-wide jar: a hash table of Cookie records keyed by the hash of their key text,
// created by the first stored cookie and never freed; one reader-writer lock guards it.

namespace {

constexpr int kInitialJarSize = 53;

unsigned CookieHash(void* item) {
    const Cookie* cookie = static_cast<const Cookie*>(item);
    return cookie->keyText.empty() ? 0u : static_cast<unsigned>(cookie->hash);
}

// The same cookie: same key text and the same whole name (a name that merely starts like another
// is a different cookie).
int SameCookie(void* a, void* b) {
    const Cookie* left = static_cast<const Cookie*>(a);
    const Cookie* right = static_cast<const Cookie*>(b);
    return left->keyText == right->keyText && left->name == right->name ? 1 : 0;
}

VolResourceLock& JarLock() {
    static VolResourceLock* lock = new VolResourceLock();  // lives as long as the process
    return *lock;
}

std::atomic<VolSysSimpleHashTable*> jar{nullptr};

}  // namespace

int32_t StoreCookie(const char* url, const char* setCookieValue) {
    if (url == nullptr || setCookieValue == nullptr) return kHttpFailed;
    std::unique_ptr<Cookie> cookie(new (std::nothrow) Cookie());
    if (!cookie) return kHttpOutOfMemory;
    int32_t result = ParseCookie(url, setCookieValue, cookie.get());
    if (result != kHttpOk) return result;

    VolResourceLock& lock = JarLock();
    if (jar.load(std::memory_order_acquire) == nullptr) {
        lock.WriteLock();
        if (jar.load(std::memory_order_relaxed) == nullptr) {
            jar.store(new (std::nothrow) VolSysSimpleHashTable(kInitialJarSize, CookieHash, SameCookie),
                      std::memory_order_release);
        }
        lock.WriteUnlock();
        if (jar.load(std::memory_order_acquire) == nullptr) return kHttpOutOfMemory;
    }

    VolSysSimpleHashTable* table = jar.load(std::memory_order_acquire);
    lock.WriteLock();
    Cookie* replaced = static_cast<Cookie*>(table->Remove(cookie.get()));
    int inserted = 1;
    // A server cannot grow the jar without bound: beyond the limit new cookies are dropped.
    if (replaced != nullptr || static_cast<uint32_t>(table->Size()) < kHttpMaxStoredCookies) {
        inserted = table->Insert(cookie.get());
        if (inserted == 1) cookie.release();
    }
    lock.WriteUnlock();
    delete replaced;
    return inserted == 1 ? kHttpOk : kHttpEFail;
}

int32_t CookieHeaderFor(const char* url, void*, char** header, int32_t withPrefix) {
    if (url == nullptr || header == nullptr) return kHttpInvalidArg;
    VolSysSimpleHashTable* table = jar.load(std::memory_order_acquire);
    if (table == nullptr) return kHttpNoMoreItems;
    *header = nullptr;

    UrlComponents parts;
    parts.urlPathLength = 1;  // pointers into the URL
    parts.extraInfoLength = 1;
    if (CrackUrl(url, 0, 0, &parts) != kHttpOk) return kHttpNoMoreItems;
    std::string_view path(parts.urlPath != nullptr ? parts.urlPath : "", parts.urlPathLength);
    size_t baseLength =
        parts.urlPath != nullptr ? static_cast<size_t>(parts.urlPath - url) : std::string_view(url).size();
    std::string base(url, baseLength);

    std::string line;
    int written = 0;
    VolResourceLock& lock = JarLock();
    lock.ReadLock();
    for (size_t slash = path.find('/'); slash != std::string_view::npos; slash = path.find('/', slash + 1)) {
        std::string key = base;
        key.append(path.data(), slash == 0 ? 1 : slash);
        unsigned hash = static_cast<unsigned>(CookieKeyHash(key.c_str()));
        for (void* item = table->KeyLocate(hash); item != nullptr; item = table->NextWithKey(item)) {
            const Cookie* cookie = static_cast<const Cookie*>(item);
            // Equal hashes of different keys are not a match.
            if (cookie->keyText != key) continue;
            if (written == 0 && withPrefix != 0) line += "Cookie: ";
            if (written != 0) line += "; ";
            AppendCookie(*cookie, &line);
            ++written;
        }
    }
    lock.ReadUnlock();

    if (withPrefix != 0) {
        if (written == 0) return kHttpNoMoreItems;
        line += "\r\n";
    } else if (line.empty()) {
        return kHttpNoMoreItems;
    }
    *header = HttpDuplicate(line.data(), line.size());
    return *header != nullptr ? kHttpOk : kHttpOutOfMemory;
}
