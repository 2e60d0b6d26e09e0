#include "launcher/win/service/ServiceMain.h"

#include <memory>
#include <string>
#include <vector>

#include "common/win/Handles.h"
#include "common/win/LastError.h"
#include "common/win/Pipe.h"
#include "common/win/Process.h"
#include "common/win/Registry.h"
#include "common/win/WideText.h"
#include "launcher/core/CommandLine.h"
#include "launcher/core/Log.h"
#include "launcher/core/ServiceRules.h"
#include "launcher/win/startup/ConsoleControl.h"

namespace tavik::service {
namespace {

constexpr DWORD kChildNotStarted = 5000;  // service-specific exit code
constexpr DWORD kWaitHintMillis = 50000;
constexpr DWORD kOutputChunk = 6000;
constexpr DWORD kConsumerEndWaitMillis = 2000;
constexpr wchar_t kPriorityKey[] = L"SOFTWARE\\norvale-systems\\tavik\\priority";

// Slim reader/writer locks and condition variables: the C++ ones would bring
// the threads runtime's condition variables and std::system_error into every
// packed program.
class ExclusiveLock {
public:
    explicit ExclusiveLock(SRWLOCK& lock) : lock_(lock) { ::AcquireSRWLockExclusive(&lock_); }
    ExclusiveLock(const ExclusiveLock&) = delete;
    ExclusiveLock& operator=(const ExclusiveLock&) = delete;
    ~ExclusiveLock() { ::ReleaseSRWLockExclusive(&lock_); }

private:
    SRWLOCK& lock_;
};

// The status record and the write end of the shutdown pipe, shared by the
// service main and the control handler's thread. Never destroyed: the
// handler may still run while the process ends.
struct Host {
    SRWLOCK lock = SRWLOCK_INIT;
    SERVICE_STATUS status{};
    SERVICE_STATUS_HANDLE statusHandle = nullptr;
    UniqueHandle shutdownPipe;
};

Host& host() {
    static Host* const instance = new Host();
    return *instance;
}

// Whether a service main is running, for the dispatcher's thread.
struct Progress {
    SRWLOCK lock = SRWLOCK_INIT;
    CONDITION_VARIABLE changed = CONDITION_VARIABLE_INIT;
    bool running = false;
};

Progress& progress() {
    static Progress* const instance = new Progress();
    return *instance;
}

void setRunning(bool running) {
    Progress& p = progress();
    {
        const ExclusiveLock locked(p.lock);
        p.running = running;
    }
    ::WakeAllConditionVariable(&p.changed);
}

constexpr ULONGLONG kLastStepsTimeoutMillis = 30000;

// Reports the record as it stands; `failureText` is the log line of a refused report.
void reportLocked(Host& h, std::u16string_view failureText) {
    if (!::SetServiceStatus(h.statusHandle, &h.status)) log::logLine(failureText, lastError("SetServiceStatus"));
}

void setStateAndReport(DWORD state, std::u16string_view failureText) {
    Host& h = host();
    const ExclusiveLock locked(h.lock);
    h.status.dwCurrentState = state;
    reportLocked(h, failureText);
}

// The service could not get its child going: the manager learns it as a
// service-specific failure instead of a service that runs without an application.
void reportStartFailure() {
    Host& h = host();
    const ExclusiveLock locked(h.lock);
    h.status.dwCurrentState = SERVICE_STOPPED;
    h.status.dwWin32ExitCode = ERROR_SERVICE_SPECIFIC_ERROR;
    h.status.dwServiceSpecificExitCode = kChildNotStarted;
    reportLocked(h, u"SetServiceStatus failed %d");
}

bool stopRequested() {
    Host& h = host();
    const ExclusiveLock locked(h.lock);
    return h.status.dwCurrentState == SERVICE_STOP_PENDING;
}

// Hands the shutdown pipe to the control handler and reports the service
// running, unless a stop came while there was no child to tell: then the
// state stays stop pending and the result says the line is still owed.
bool takeShutdownPipe(UniqueHandle pipe) {
    Host& h = host();
    const ExclusiveLock locked(h.lock);
    h.shutdownPipe = std::move(pipe);
    if (h.status.dwCurrentState == SERVICE_STOP_PENDING) return false;
    h.status.dwCurrentState = SERVICE_RUNNING;
    reportLocked(h, u"SetServiceStatus failed %d");
    return true;
}

// The line the Java side waits for on its standard input; closing the pipe
// after it gives the child end of file as well.
void sendShutdown(int code) {
    log::logLine(u"sending shutdown1 %d", code);
    const std::string line = std::to_string(code) + "\n";
    Host& h = host();
    {
        const ExclusiveLock locked(h.lock);
        DWORD written = 0;
        if (!::WriteFile(h.shutdownPipe.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr)) {
            const SysError error = lastError("WriteFile");
            log::logLine(u"sending shutdown failed");
            log::logLine(u"error code %d", error);
        }
        h.shutdownPipe.reset();
    }
    log::logLine(u"shutdown sent");
}

void WINAPI controlHandler(DWORD code) {
    try {
        log::logLine(u"control handler request %d", code);
        Host& h = host();
        if (code == SERVICE_CONTROL_STOP || code == SERVICE_CONTROL_SHUTDOWN) {
            {
                const ExclusiveLock locked(h.lock);
                if (code == SERVICE_CONTROL_SHUTDOWN) ++h.status.dwCheckPoint;
                h.status.dwCurrentState = SERVICE_STOP_PENDING;
                reportLocked(h, code == SERVICE_CONTROL_STOP ? u"SetServiceStatus 2 failed %d"
                                                             : u"SetServiceStatus 1 failed %d");
            }
            sendShutdown(0);
            return;
        }
        const ExclusiveLock locked(h.lock);
        reportLocked(h, u"SetServiceStatus 3 failed %d");
    } catch (...) {
        // Out of memory while logging: the request has been handled as far as it got.
    }
}

// Drains the child's standard output and error so that it never blocks on a
// full pipe; what it writes is not kept.
DWORD WINAPI consumeOutput(LPVOID parameter) {
    const std::unique_ptr<UniqueHandle> pipe(static_cast<UniqueHandle*>(parameter));
    try {
        log::logLine(u"consuming output");
        std::vector<char> chunk(kOutputChunk);
        DWORD read = 0;
        while (::ReadFile(pipe->get(), chunk.data(), kOutputChunk, &read, nullptr) && read != 0) {
        }
        log::logLine(u"consuming output done");
    } catch (...) {
        // Out of memory: the pipe closes with the owner above.
    }
    return 0;
}

Result<UniqueHandle> startOutputConsumer(UniqueHandle readEnd) {
    auto owned = std::make_unique<UniqueHandle>(std::move(readEnd));
    UniqueHandle thread(::CreateThread(nullptr, 0, consumeOutput, owned.get(), 0, nullptr));
    if (!thread) return lastError("CreateThread");
    owned.release();  // the thread owns the pipe end now
    return thread;
}

DWORD priorityClass(const std::u16string& serviceName) {
    const Result<UniqueHKey> key = registry::openKey(HKEY_LOCAL_MACHINE, kPriorityKey, KEY_READ);
    if (!key) return NORMAL_PRIORITY_CLASS;
    const Result<registry::Value> value = registry::queryValue(key->get(), toWide(serviceName).c_str());
    if (!value) return NORMAL_PRIORITY_CLASS;
    // Only a value of exactly 4 bytes counts, whatever its type.
    const std::optional<std::uint32_t> configured = priorityClassFromValue(value->bytes);
    if (!configured) return NORMAL_PRIORITY_CLASS;
    log::logLine(u"using priority %d", *configured);
    return *configured;
}

std::optional<Pipe> pipeToChild(PipeEnd inherited, std::u16string_view createFailure,
                                std::u16string_view setupFailure) {
    Result<Pipe> pipe = createPipe(inherited);
    if (pipe) return std::move(*pipe);
    const SysError& error = pipe.error();
    log::logLine(std::string_view(error.api) == "CreatePipe" ? createFailure : setupFailure, error);
    return std::nullopt;
}

std::vector<std::u16string> argumentsOf(DWORD count, LPWSTR* values) {
    std::vector<std::u16string> arguments;
    for (DWORD i = 0; values != nullptr && i < count; ++i) arguments.push_back(values[i] ? toU16(values[i]) : u"");
    return arguments;
}

// True when a child ran and has ended; false when the service main gave up before.
bool runService(const std::vector<std::u16string>& arguments) {
    log::logLine(u"service main");
    Host& h = host();
    {
        const ExclusiveLock locked(h.lock);
        h.status = SERVICE_STATUS{SERVICE_WIN32, SERVICE_RUNNING, SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN,
                                  NO_ERROR, 0, 0, kWaitHintMillis};
    }
    const std::u16string name = serviceNameFromArguments(arguments);
    log::logLine(u"service name is '%s'", name);
    h.statusHandle = ::RegisterServiceCtrlHandlerW(toWide(name).c_str(), controlHandler);
    if (h.statusHandle == nullptr) return false;
    setStateAndReport(SERVICE_RUNNING, u"SetServiceStatus failed %d");

    const std::optional<std::u16string> commandLine =
        childCommandLine(cmdline::splitCommandLine(toU16(::GetCommandLineW())), name, arguments);
    if (!commandLine) {
        log::logLine(u"child command line longer than %d characters", kChildCommandLineCapacity - 1);
        reportStartFailure();
        return false;
    }
    std::optional<Pipe> output =
        pipeToChild(PipeEnd::Write, u"CreatePipe error (%d)", u"SetHandleInformation error (%d)");
    std::optional<Pipe> shutdown =
        output ? pipeToChild(PipeEnd::Read, u"CreatePipe error 2 (%d)", u"SetHandleInformation error 2 (%d)")
               : std::nullopt;
    if (!shutdown) {
        reportStartFailure();
        return false;
    }
    const DWORD priority = priorityClass(name);

    ProcessOptions options;
    options.inheritHandles = true;
    options.creationFlags = priority | DETACHED_PROCESS;
    options.standardHandles = StandardHandles{shutdown->read.get(), output->write.get(), output->write.get()};
    const Result<ChildProcess> child = startProcess(nullptr, toWide(*commandLine), options);
    if (!child) {
        log::logLine(u"could not start process %s (%d)", *commandLine, child.error());
        reportStartFailure();
        return false;
    }
    // Only the child may hold these ends, so that its end is the pipes' end.
    output->write.reset();
    shutdown->read.reset();
    const Result<UniqueHandle> consumer = startOutputConsumer(std::move(output->read));
    if (!consumer) log::logLine(u"%s", describe(consumer.error(), u"consumeOutput"));
    if (!takeShutdownPipe(std::move(shutdown->write))) sendShutdown(0);
    log::logLine(u"registering ConsoleCtrlHandler");
    startup::registerConsoleCtrlHandler();

    const Result<ProcessWait> ended = child->wait(INFINITE);
    if (!ended) log::logLine(u"%s", describe(ended.error()));
    // An end that could not be read counts as a normal one.
    const std::uint32_t exitCode = ended ? ended->exitCode : 0;
    log::logLine(u"process terminated with exit code %d", exitCode);
    // The process ends soon after: give the drain its last read and line. A
    // grandchild still holding the pipe must not hold up the stop, hence the bound.
    if (consumer) ::WaitForSingleObject(consumer->get(), kConsumerEndWaitMillis);
    if (statusAfterChildExit(exitCode, stopRequested()) == ChildExitReport::Stopped) {
        setStateAndReport(SERVICE_STOPPED, u"SetServiceStatus 10 failed %d");
        log::logLine(u"service stopped set");
    }
    return true;
}

}  // namespace

void WINAPI serviceMain(DWORD argumentCount, LPWSTR* arguments) {
    setRunning(true);
    try {
        if (runService(argumentsOf(argumentCount, arguments))) {
            log::logLine(u"exiting");
            ::ExitProcess(0);
        }
    } catch (...) {
        // Out of memory: the status says what was last reported.
    }
    setRunning(false);
}

void awaitServiceMainEnd() {
    Progress& p = progress();
    const ULONGLONG deadline = ::GetTickCount64() + kLastStepsTimeoutMillis;
    const ExclusiveLock locked(p.lock);
    while (p.running) {
        const ULONGLONG now = ::GetTickCount64();
        if (now >= deadline) return;
        ::SleepConditionVariableSRW(&p.changed, &p.lock, static_cast<DWORD>(deadline - now), 0);
    }
}

}  // namespace tavik::service
