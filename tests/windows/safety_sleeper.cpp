// A program that only waits (the seconds given, 120 by default): the safety
// tests start copies of it under the names and in the folders they need.
#include <windows.h>

#include <cstdlib>

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 120;
    Sleep(DWORD(seconds > 0 ? seconds : 120) * 1000);
    return 0;
}
