/* A program that imports a DLL Windows would look for in the program's folder first (wininet.dll),
   for the import check to refuse. */
#include <windows.h>
#include <wininet.h>

int main(void) {
    return (int)(InternetAttemptConnect(0) % 2);
}
