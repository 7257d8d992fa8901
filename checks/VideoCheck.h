#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "checks/CheckTexts.h"

// Refuses a primary display adapter the product cannot run on; accepts one it cannot identify.
bool IsVideoCardOK(std::wstring& failureMessage);

struct VideoVerdict {
    bool accepted = false;
    std::optional<std::wstring> failureMessage;  // nullopt: leave it as it is
    std::vector<std::wstring> logLines;
};
// `name` is what QueryVideoAdapter copied, `adapterVerdict` its verdict.
VideoVerdict DecideVideoCard(const std::string& name, std::uint32_t memory, int adapterVerdict, TextLoader loadText);
