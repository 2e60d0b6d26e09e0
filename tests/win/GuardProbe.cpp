// A launcher cut down to the single-instance guard with start-up
// notification switched on, followed by the VM start on a given jvm.dll: the
// launcher's own pipeline passes notify = false, so the mailslot half is
// watched through this program. Packed copies carry the configuration block.
//
// Environment: TAVIK_PROBE_JVM names the jvm.dll to start; with
// TAVIK_PROBE_VM_AFTER set, the VM is created only once that file exists, so
// that a notification can arrive while there is no VM yet.
#include <windows.h>

#include <string>

#include "common/win/WideText.h"
#include "launcher/jvm/JavaVMLauncher.h"
#include "launcher/win/image/ConfigLoad.h"
#include "launcher/win/instance/SingleInstance.h"
#include "launcher/win/paths/LauncherPaths.h"

namespace {

using namespace tavik;

constexpr int kExitNoVm = 3;
constexpr int kExitVmFailed = 4;

std::wstring environmentValue(const wchar_t* name) {
    std::wstring value(32768, L'\0');
    value.resize(::GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size())));
    return value;
}

void waitForFile(const std::wstring& path) {
    for (int poll = 0; poll < 60 * 20 && ::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES; ++poll)
        ::Sleep(50);
}

jvm::CreateJavaVMFunction createJavaVMOf(const std::wstring& library) {
    // Stays loaded for the life of the process, as the launcher's VM library does.
    const HMODULE vm = ::LoadLibraryW(library.c_str());
    if (vm == nullptr) return nullptr;
    return reinterpret_cast<jvm::CreateJavaVMFunction>(
        reinterpret_cast<void*>(::GetProcAddress(vm, "JNI_CreateJavaVM")));
}

int run() {
    image::readConfigBlock();
    const instance::InstanceGuard guard = instance::enforceSingleInstance(instance::StartupNotification::Mailslot);
    const std::wstring vmAfter = environmentValue(L"TAVIK_PROBE_VM_AFTER");
    if (!vmAfter.empty()) waitForFile(vmAfter);

    jvm::JavaStartInputs inputs;
    inputs.createJavaVM = createJavaVMOf(environmentValue(L"TAVIK_PROBE_JVM"));
    if (inputs.createJavaVM == nullptr) return kExitNoVm;
    inputs.properties.semaphoreName = guard.semaphoreName;
    inputs.properties.launcherPath = paths::launcherPath();
    inputs.launcherPathWide = paths::launcherPathWide();
    inputs.mainArguments.mainClass = u"probe.Main";
    inputs.mainArguments.launcherArguments = {paths::launcherPathWide()};
    inputs.mainArguments.fullPath = [](std::u16string_view path) { return std::u16string(path); };
    return jvm::startJavaApplication(inputs).success ? 0 : kExitVmFailed;
}

}  // namespace

int main() { return run(); }
