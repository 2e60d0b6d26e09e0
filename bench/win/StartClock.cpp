// startclock: a trivial GUI program that prints how many milliseconds passed
// between its process's creation and its entry, the same clock the recording
// VM reads at JNI_CreateJavaVM.
#include <windows.h>

#include <cstdio>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    FILETIME created{}, exited{}, kernel{}, user{}, now{};
    if (!::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user)) return 1;
    ::GetSystemTimeAsFileTime(&now);
    const auto ticks = [](const FILETIME& time) {
        return static_cast<long long>(static_cast<unsigned long long>(time.dwHighDateTime) << 32 | time.dwLowDateTime);
    };
    std::printf("%lld\n", (ticks(now) - ticks(created)) / 10000);  // 100 ns ticks
    return 0;
}
