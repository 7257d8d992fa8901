/* A program that imports a Vista function, for the import check to refuse. */
#define _WIN32_WINNT 0x0600
#include <windows.h>

int main(void) {
    return (int)(GetTickCount64() % 2);
}
