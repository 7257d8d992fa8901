#include "http/HttpDriver.h"

// Placeholder bodies so that the interface links; the flows land in the next commit.
int32_t HttpDriver::Get(const char*, uint32_t, char**, uint32_t*, int32_t*) { return kHttpEFail; }
int32_t HttpDriver::GetRange(const char*, uint32_t, int32_t, uint32_t, uint32_t, char**, uint32_t*,
                             int32_t*) { return kHttpEFail; }
int32_t HttpDriver::PostFromSource(const char*, uint32_t, int32_t, HttpBodySource*, int32_t*,
                                   char**, uint32_t*) { return kHttpEFail; }
int32_t HttpDriver::Post(const char*, uint32_t, const char*, uint32_t, int32_t, int32_t*, char**,
                         uint32_t*) { return kHttpEFail; }
int32_t HttpDriver::Head(const char*, uint32_t, HttpFileStatus*) { return kHttpEFail; }
int32_t HttpDriver::Put(const char*, uint32_t, const char*, uint32_t, int32_t, int32_t*) {
    return kHttpEFail;
}
int32_t HttpDriver::ReadResponseBody(uint32_t*, char**) { return kHttpEFail; }
int32_t HttpDriver::ParseResponseHeaders(const char*, const char*, char*, uint32_t, int32_t*,
                                         int32_t*, uint32_t*, int32_t*, int32_t*, char**, int32_t*,
                                         int32_t*, uint32_t) { return kHttpEFail; }
int32_t HttpDriver::MergeHeaderLine(const char*, uint32_t, uint32_t*, char**) { return kHttpEFail; }
