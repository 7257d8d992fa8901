#pragma once
#include <string>
#include <vector>

#include "core/MessageIds.h"
#include "core/WidePrintf.h"

// The numbered texts the setup shows and logs, in the user's language (the platform's loader
// chooses the table). Two fill-in rules, fixed per text: positional ("%1".."%9", "%A".."%Z") and
// printf ("%s", "%d", "%I64d").
class MessageCatalogue {
public:
    // The entry's text; empty when there is no such entry.
    static std::wstring Load(unsigned id);
    // The entry filled by position; empty when there is no such entry.
    static std::wstring FormatPositional(unsigned id, const std::vector<std::wstring>& arguments);
    // The entry used as a printf format; empty when there is no such entry.
    static std::wstring FormatPrintf(unsigned id, const std::vector<PrintfArg>& arguments);
};

// The positional rule on any text: "%1".."%9" are arguments 0-8, "%A".."%Z" arguments 9-34; a
// placeholder without its argument becomes "?"; a "%" before anything else is kept with it.
std::wstring FillPositional(const std::wstring& text, const std::vector<std::wstring>& arguments);
