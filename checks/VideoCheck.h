#pragma once
#include <string>

// Refuses a primary display adapter the product cannot run on; accepts one it cannot identify.
bool IsVideoCardOK(std::wstring& failureMessage);
