// copytime <destination-dir> <file>...: copies the files with CopyFileW and
// prints the elapsed milliseconds, the baseline for the launcher's extraction.
#include <windows.h>

#include <cstdio>
#include <string>

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) return 2;
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    for (int i = 2; i < argc; ++i) {
        std::wstring source = argv[i];
        const auto slash = source.find_last_of(L"\\/");
        const std::wstring target = std::wstring(argv[1]) + L"\\" + source.substr(slash + 1);
        if (!CopyFileW(source.c_str(), target.c_str(), FALSE)) return 1;
    }
    QueryPerformanceCounter(&end);
    std::printf("%.1f\n", 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart));
    return 0;
}
