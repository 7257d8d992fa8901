#pragma once
#include <vector>

#include "platform/Security.h"

// Does the user's token contain the local Administrators group? Failures read as false.
bool IsUserAdmin();

// Is the built-in Administrators group among these? Attributes are not examined: a group held for
// deny-only use (an administrator's filtered token) counts.
bool ListsAdministrators(const std::vector<platform::TokenGroup>& groups);
