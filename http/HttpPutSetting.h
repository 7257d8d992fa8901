#pragma once

// Whether the environment variable "VolHTTPPUT" is set. Read once per process and kept: Head
// reports files as writable only while it is unset.
bool HttpPutConfigured();
// Forgets the kept answer, so that the next call reads the environment again (tests).
void HttpForgetPutSetting();
