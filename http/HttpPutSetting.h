#pragma once

// Whether the environment variable "VolHTTPPUT" is set (read once per process with the other
// settings): Head reports files as writable only while it is unset.
bool HttpPutConfigured();
