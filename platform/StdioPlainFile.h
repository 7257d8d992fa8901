#pragma once
#include <cstdio>
#include <memory>

#include "platform/PlainFiles.h"

namespace platform {

// A PlainFile over a C runtime stream opened "wb"; the stream is closed with the object at the
// latest. Null for a null stream.
std::unique_ptr<PlainFile> WrapStdioFile(std::FILE* stream);

}  // namespace platform
