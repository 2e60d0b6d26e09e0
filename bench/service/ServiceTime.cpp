// servicetime: the clock of the service benchmark, inside Wine so that no
// Wine program start falls into a measurement.
//   servicetime start <service> <file> <text>  starts the service, prints the
//       milliseconds until a line of the file starts with the text
//   servicetime stop <service>                 asks it to stop, prints the
//       milliseconds until the manager reports it stopped
// Both give up after 60 s and print -1. Exit code 2 when the manager refuses.
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <string>

namespace {

constexpr DWORD kPollMillis = 2;
constexpr ULONGLONG kGiveUpMillis = 60000;

bool fileHasLineStartingWith(const wchar_t* path, const std::string& text) {
    std::ifstream in(path, std::ios::binary);
    for (std::string line; std::getline(in, line);)
        if (line.compare(0, text.size(), text) == 0) return true;
    return false;
}

template <class Done>
long long millisUntil(ULONGLONG start, Done done) {
    while (!done()) {
        if (::GetTickCount64() - start > kGiveUpMillis) return -1;
        ::Sleep(kPollMillis);
    }
    return static_cast<long long>(::GetTickCount64() - start);
}

std::string narrow(const wchar_t* text) {
    std::string bytes;
    for (; *text; ++text) bytes += static_cast<char>(*text);
    return bytes;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) return 2;
    const std::wstring action = argv[1];
    SC_HANDLE manager = ::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    if (manager == nullptr) return 2;
    SC_HANDLE service = ::OpenServiceW(manager, argv[2], SERVICE_START | SERVICE_STOP | SERVICE_QUERY_STATUS);
    if (service == nullptr) return 2;
    long long millis = -1;
    if (action == L"start" && argc == 5) {
        const std::string text = narrow(argv[4]);
        const ULONGLONG start = ::GetTickCount64();
        if (!::StartServiceW(service, 0, nullptr)) return 2;
        millis = millisUntil(start, [&] { return fileHasLineStartingWith(argv[3], text); });
    } else if (action == L"stop") {
        SERVICE_STATUS status{};
        const ULONGLONG start = ::GetTickCount64();
        if (!::ControlService(service, SERVICE_CONTROL_STOP, &status)) return 2;
        millis = millisUntil(start, [&] {
            return ::QueryServiceStatus(service, &status) && status.dwCurrentState == SERVICE_STOPPED;
        });
    } else {
        return 2;
    }
    std::printf("%lld\n", millis);
    ::CloseServiceHandle(service);
    ::CloseServiceHandle(manager);
    return 0;
}
