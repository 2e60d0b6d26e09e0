#include "tests/native/ServiceTestSupport.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "common/win/WideText.h"

namespace tavik::test::services {
namespace {

std::wstring serviceKey(const std::wstring& name) { return L"System\\CurrentControlSet\\Services\\" + name; }

fs::path systemProgram(const wchar_t* fileName) {
    wchar_t directory[MAX_PATH];
    const UINT length = ::GetSystemDirectoryW(directory, MAX_PATH);
    return fs::path(std::wstring(directory, length)) / fileName;
}

}  // namespace

std::string narrow(const std::wstring& text) { return utf8(toU16(text)); }

std::wstring uniqueServiceName(const std::wstring& tag) {
    static std::atomic<int> counter{0};
    return L"TavikSvcTest-" + tag + L"-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
           std::to_wstring(++counter);
}

ScRun sc(const std::vector<std::wstring>& arguments) {
    std::vector<std::u16string> texts;
    for (const std::wstring& argument : arguments) texts.push_back(toU16(argument));
    const ChildResult run = runChild(systemProgram(L"sc.exe"), texts);
    return {run.exitCode, run.out + run.err};
}

std::optional<int> scState(const std::wstring& name) {
    const ScRun run = sc({L"query", name});
    const std::size_t label = run.out.find("STATE");
    if (run.exitCode != 0 || label == std::string::npos) return std::nullopt;
    const std::size_t colon = run.out.find(':', label);
    if (colon == std::string::npos) return std::nullopt;
    return static_cast<int>(std::strtol(run.out.c_str() + colon + 1, nullptr, 10));
}

bool reachesState(const std::wstring& name, int state, int seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    for (;;) {
        if (scState(name) == state) return true;
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }
}

std::optional<RawValue> serviceValue(const std::wstring& name, const wchar_t* valueName) {
    const std::wstring key = serviceKey(name);
    DWORD size = 0;
    RawValue value;
    if (::RegGetValueW(HKEY_LOCAL_MACHINE, key.c_str(), valueName, RRF_RT_ANY | RRF_NOEXPAND, &value.type, nullptr,
                       &size) != ERROR_SUCCESS)
        return std::nullopt;
    value.bytes.resize(size);
    if (::RegGetValueW(HKEY_LOCAL_MACHINE, key.c_str(), valueName, RRF_RT_ANY | RRF_NOEXPAND, &value.type,
                       value.bytes.data(), &size) != ERROR_SUCCESS)
        return std::nullopt;
    value.bytes.resize(size);
    return value;
}

namespace {

std::wstring unitsOf(const RawValue& value) {
    std::wstring units(value.bytes.size() / sizeof(wchar_t), L'\0');
    if (!units.empty()) std::memcpy(units.data(), value.bytes.data(), units.size() * sizeof(wchar_t));
    return units;
}

}  // namespace

std::optional<std::wstring> serviceString(const std::wstring& name, const wchar_t* valueName) {
    const std::optional<RawValue> value = serviceValue(name, valueName);
    if (!value || (value->type != REG_SZ && value->type != REG_EXPAND_SZ)) return std::nullopt;
    std::wstring text = unitsOf(*value);
    while (!text.empty() && text.back() == L'\0') text.pop_back();
    return text;
}

std::optional<DWORD> serviceDword(const std::wstring& name, const wchar_t* valueName) {
    const std::optional<RawValue> value = serviceValue(name, valueName);
    if (!value || value->type != REG_DWORD || value->bytes.size() != sizeof(DWORD)) return std::nullopt;
    DWORD number = 0;
    std::memcpy(&number, value->bytes.data(), sizeof number);
    return number;
}

std::optional<std::vector<std::wstring>> serviceStrings(const std::wstring& name, const wchar_t* valueName) {
    const std::optional<RawValue> value = serviceValue(name, valueName);
    if (!value || value->type != REG_MULTI_SZ) return std::nullopt;
    std::vector<std::wstring> strings;
    const std::wstring units = unitsOf(*value);
    for (std::size_t at = 0; at < units.size() && units[at] != L'\0';) {
        const std::size_t end = units.find(L'\0', at);
        strings.push_back(units.substr(at, end - at));
        if (end == std::wstring::npos) break;
        at = end + 1;
    }
    return strings;
}

bool serviceKeyExists(const std::wstring& name) {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, serviceKey(name).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    ::RegCloseKey(key);
    return true;
}

std::wstring probeCommandLine(const std::vector<std::wstring>& options) {
    std::wstring line = L"\"" TAVIK_PROBE_SERVICE_EXE L"\"";
    for (const std::wstring& option : options) line += L" \"" + option + L"\"";
    return line;
}

namespace {

// 0 when `change` succeeds on the opened service, else the error code.
template <typename Change>
int changeThroughManager(const std::wstring& name, Change change) {
    const SC_HANDLE manager = ::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    const SC_HANDLE service = ::OpenServiceW(manager, name.c_str(), SERVICE_ALL_ACCESS);
    const int answer = change(service) ? 0 : static_cast<int>(::GetLastError());
    ::CloseServiceHandle(service);
    ::CloseServiceHandle(manager);
    return answer;
}

}  // namespace

int managerAnswerToDelayedAutoStart(const std::wstring& name, bool delayed) {
    SERVICE_DELAYED_AUTO_START_INFO info{delayed ? TRUE : FALSE};
    return changeThroughManager(name, [&](SC_HANDLE service) {
        return ::ChangeServiceConfig2W(service, SERVICE_CONFIG_DELAYED_AUTO_START_INFO, &info);
    });
}

bool setDependencies(const std::wstring& name, const std::vector<std::wstring>& dependencies) {
    std::wstring list;
    for (const std::wstring& dependency : dependencies) list += dependency + L'\0';
    list += L'\0';
    return changeThroughManager(name, [&](SC_HANDLE service) {
               return ::ChangeServiceConfigW(service, SERVICE_NO_CHANGE, SERVICE_NO_CHANGE, SERVICE_NO_CHANGE,
                                             nullptr, nullptr, nullptr, list.c_str(), nullptr, nullptr, nullptr);
           }) == 0;
}

void removeService(const std::wstring& name) {
    const std::optional<int> state = scState(name);
    if (!state) return;
    if (*state != kStopped) {
        sc({L"stop", name});
        reachesState(name, kStopped);
    }
    sc({L"delete", name});
}

TestService::TestService(const std::wstring& tag, const std::vector<std::wstring>& probeOptions,
                         const std::vector<std::wstring>& createOptions)
    : name_(uniqueServiceName(tag)) {
    std::vector<std::wstring> options = {L"--record", (dir_.path() / "arguments").wstring()};
    options.insert(options.end(), probeOptions.begin(), probeOptions.end());
    commandLine_ = probeCommandLine(options);
    std::vector<std::wstring> arguments = {L"create", name_, L"binPath=", commandLine_};
    arguments.insert(arguments.end(), createOptions.begin(), createOptions.end());
    created_ = sc(arguments).exitCode == 0 && scState(name_).has_value();
}

TestService::~TestService() { removeService(name_); }

std::optional<std::vector<std::wstring>> TestService::recordedArguments(int seconds) const {
    const fs::path file = dir_.path() / "arguments";
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    // A record holds at least the service's name: one read as empty was not there yet or could not be opened.
    std::string bytes;
    while ((bytes = fs::exists(file) ? readFile(file) : std::string()).empty()) {
        if (std::chrono::steady_clock::now() > deadline) return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    std::wstring units(bytes.size() / sizeof(wchar_t), L'\0');
    if (!units.empty()) std::memcpy(units.data(), bytes.data(), units.size() * sizeof(wchar_t));
    std::vector<std::wstring> arguments;
    for (std::size_t at = 0; at < units.size();) {
        const std::size_t end = units.find(L'\0', at);
        arguments.push_back(units.substr(at, end - at));
        at = end + 1;
    }
    return arguments;
}

void TestService::forgetRecord() const {
    std::error_code ignored;
    fs::remove(dir_.path() / "arguments", ignored);
}

}  // namespace tavik::test::services
