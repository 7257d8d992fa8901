#pragma once

// The setup executable exports the threading library's classes and functions by name.
#ifdef _WIN32
#define VOL_API __declspec(dllexport)
#else
#define VOL_API
#endif
