#pragma once

// Does the user's token contain the local Administrators group? Failures read as false.
bool IsUserAdmin();
