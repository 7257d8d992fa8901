// A small dynamic library for the library manager's tests.
#ifdef _WIN32
#define VOL_LIB_TEST_EXPORT extern "C" __declspec(dllexport)
#else
#define VOL_LIB_TEST_EXPORT extern "C" __attribute__((visibility("default")))
#endif

VOL_LIB_TEST_EXPORT int VolLibTestAnswer() {
    return 42;
}
VOL_LIB_TEST_EXPORT int VolLibTestTwice(int value) {
    return 2 * value;
}
