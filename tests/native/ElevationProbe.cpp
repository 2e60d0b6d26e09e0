// The program the elevated-launch tests start: it writes its arguments and
// its working directory to the file that TAVIK_ELEVATION_MARKER names, one
// "arg:" or "cwd:" line each, UTF-16 code units as UTF-8.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>

namespace {

std::string utf8(const wchar_t* text) {
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string bytes(size > 0 ? static_cast<std::size_t>(size) : 1, '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text, -1, bytes.data(), size, nullptr, nullptr);
    bytes.resize(bytes.size() - 1);
    return bytes;
}

}  // namespace

int main() {
    wchar_t marker[MAX_PATH];
    if (::GetEnvironmentVariableW(L"TAVIK_ELEVATION_MARKER", marker, MAX_PATH) == 0) return 2;
    std::string report;
    int count = 0;
    wchar_t** arguments = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    for (int i = 1; i < count; ++i) report += "arg:" + utf8(arguments[i]) + "\n";
    ::LocalFree(arguments);
    wchar_t directory[MAX_PATH];
    ::GetCurrentDirectoryW(MAX_PATH, directory);
    report += "cwd:" + utf8(directory) + "\n";
    // Written under another name first: the test waits for the marker to appear whole.
    const std::wstring partial = std::wstring(marker) + L".part";
    FILE* file = ::_wfopen(partial.c_str(), L"wb");
    if (file == nullptr) return 3;
    std::fwrite(report.data(), 1, report.size(), file);
    std::fclose(file);
    return ::MoveFileW(partial.c_str(), marker) ? 0 : 4;
}
