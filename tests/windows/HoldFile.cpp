// hold-file PATH: another program that holds PATH open without sharing, as a spreadsheet holds
// the file it shows, until its standard input ends. Writes 'y' once it holds the file, else 'n'.
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
    const HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
    const HANDLE in = ::GetStdHandle(STD_INPUT_HANDLE);
    const HANDLE file = argc == 2 ? ::CreateFileW(argv[1], GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                                  FILE_ATTRIBUTE_NORMAL, nullptr)
                                  : INVALID_HANDLE_VALUE;
    DWORD n = 0;
    const char answer = file != INVALID_HANDLE_VALUE ? 'y' : 'n';
    ::WriteFile(out, &answer, 1, &n, nullptr);
    char c;
    while (::ReadFile(in, &c, 1, &n, nullptr) && n > 0) {
    }
    return file != INVALID_HANDLE_VALUE ? 0 : 1;
}
