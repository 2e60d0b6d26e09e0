// A service for the service natives' tests. Its binary path's arguments say
// how it behaves:
//   --record <file>       writes the arguments its service main was given to
//                         the file (UTF-16, each ended by a zero) once running
//   --start-pending <ms>  reports start pending that long before running
//   --stop-pending <ms>   reports stop pending that long after a stop request
//   --wait-hint <ms>      the wait hint of the pending reports
//   --progress <ms>       while stop pending, advances the check point this often
// Any other option is ignored: tests lengthen the command line with one.
#include <windows.h>
#include <shellapi.h>

#include <cwchar>
#include <string>
#include <vector>

namespace {

struct Behaviour {
    std::wstring recordFile;
    DWORD startPendingMillis = 0;
    DWORD stopPendingMillis = 0;
    DWORD waitHintMillis = 0;
    DWORD progressMillis = 0;
};

Behaviour behaviour;
SERVICE_STATUS_HANDLE statusHandle = nullptr;
HANDLE stopRequested = nullptr;
DWORD checkPoint = 0;

Behaviour behaviourFromCommandLine() {
    Behaviour result;
    int count = 0;
    wchar_t** arguments = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    for (int i = 1; i + 1 < count; i += 2) {
        const std::wstring option = arguments[i];
        const wchar_t* value = arguments[i + 1];
        const auto millis = static_cast<DWORD>(std::wcstoul(value, nullptr, 10));
        if (option == L"--record") result.recordFile = value;
        if (option == L"--start-pending") result.startPendingMillis = millis;
        if (option == L"--stop-pending") result.stopPendingMillis = millis;
        if (option == L"--wait-hint") result.waitHintMillis = millis;
        if (option == L"--progress") result.progressMillis = millis;
    }
    ::LocalFree(arguments);
    return result;
}

void report(DWORD state, DWORD waitHint = 0) {
    SERVICE_STATUS status{};
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = state;
    status.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP : 0;
    status.dwCheckPoint = state == SERVICE_START_PENDING || state == SERVICE_STOP_PENDING ? checkPoint : 0;
    status.dwWaitHint = waitHint;
    ::SetServiceStatus(statusHandle, &status);
}

// Written whole under another name first: the test reads it as soon as it appears.
void record(DWORD argc, wchar_t** argv) {
    if (behaviour.recordFile.empty()) return;
    std::wstring content;
    for (DWORD i = 0; i < argc; ++i) {
        content += argv[i];
        content += L'\0';
    }
    const std::wstring partial = behaviour.recordFile + L".part";
    const HANDLE file = ::CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                      nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    ::WriteFile(file, content.data(), static_cast<DWORD>(content.size() * sizeof(wchar_t)), &written, nullptr);
    ::CloseHandle(file);
    ::MoveFileExW(partial.c_str(), behaviour.recordFile.c_str(), MOVEFILE_REPLACE_EXISTING);
}

DWORD WINAPI control(DWORD code, DWORD, void*, void*) {
    if (code == SERVICE_CONTROL_INTERROGATE) return NO_ERROR;
    if (code != SERVICE_CONTROL_STOP) return ERROR_CALL_NOT_IMPLEMENTED;
    checkPoint = 1;
    report(SERVICE_STOP_PENDING, behaviour.waitHintMillis);
    ::SetEvent(stopRequested);
    return NO_ERROR;
}

void stopSlowly() {
    const DWORD start = ::GetTickCount();
    const DWORD step = behaviour.progressMillis != 0 ? behaviour.progressMillis : behaviour.stopPendingMillis;
    while (::GetTickCount() - start < behaviour.stopPendingMillis) {
        ::Sleep(step);
        if (behaviour.progressMillis == 0) continue;
        ++checkPoint;
        report(SERVICE_STOP_PENDING, behaviour.waitHintMillis);
    }
}

void WINAPI serviceMain(DWORD argc, wchar_t** argv) {
    statusHandle = ::RegisterServiceCtrlHandlerExW(L"", control, nullptr);
    if (statusHandle == nullptr) return;
    if (behaviour.startPendingMillis != 0) {
        checkPoint = 1;
        report(SERVICE_START_PENDING, behaviour.waitHintMillis);
        ::Sleep(behaviour.startPendingMillis);
    }
    report(SERVICE_RUNNING);
    record(argc, argv);
    ::WaitForSingleObject(stopRequested, INFINITE);
    stopSlowly();
    report(SERVICE_STOPPED);
}

}  // namespace

int main() {
    behaviour = behaviourFromCommandLine();
    stopRequested = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    // An own-process service: the service manager does not match the name.
    wchar_t name[] = L"";
    SERVICE_TABLE_ENTRYW table[] = {{name, serviceMain}, {nullptr, nullptr}};
    return ::StartServiceCtrlDispatcherW(table) ? 0 : 1;
}
