#include "launcher/win/instance/SingleInstance.h"

#include <windows.h>

#include <cstring>
#include <utility>
#include <vector>

#include "common/win/Handles.h"
#include "common/win/LastError.h"
#include "common/win/Registry.h"
#include "common/win/UserInterface.h"
#include "common/win/WideText.h"
#include "launcher/core/ConfigIds.h"
#include "launcher/core/InstanceNames.h"
#include "launcher/core/Log.h"
#include "launcher/jvm/StartupCallback.h"
#include "launcher/win/image/Config.h"
#include "launcher/win/paths/LauncherPaths.h"
#include "launcher/win/paths/PathResolution.h"
#include "launcher/win/report/ErrorReport.h"

namespace tavik::instance {
namespace {


constexpr int kRetries = 50;
constexpr DWORD kRetryPauseMillis = 100;
constexpr DWORD kEmptyMailslotPauseMillis = 1000;
constexpr DWORD kVmWaitPauseMillis = 100;  // a message may come before the VM exists
constexpr DWORD kMaxMessageBytes = 65536;

// The launcher's lowered full path: every spelling of one executable's path
// gives the same identity.
std::string instancePath() { return paths::fullPath(paths::launcherPath(), paths::LetterCase::Lower); }

struct CreatedSemaphore {
    std::string name;
    UniqueHandle handle;
    DWORD error = 0;  // ERROR_ALREADY_EXISTS: another process holds it
};

CreatedSemaphore createSemaphore(std::string name) {
    UniqueHandle handle(::CreateSemaphoreA(nullptr, 1, 1, name.c_str()));
    const DWORD error = ::GetLastError();
    return {std::move(name), std::move(handle), error};
}

void logSemaphore(const CreatedSemaphore& created) {
    log::logLine(u"semaphore name %S, code %d, value %p", created.name, created.error,
                 static_cast<const void*>(created.handle.get()));
}

InstanceGuard keepSemaphore(CreatedSemaphore created) {
    if (!created.handle) return {};
    return {std::move(created.handle), std::move(created.name)};
}

InstanceGuard takeNextFreeNumber(bool globalNamespace, const std::string& path) {
    for (std::uint32_t number = 0;; ++number) {
        CreatedSemaphore created = createSemaphore(instance::semaphoreName(globalNamespace, path, number));
        if (created.error == ERROR_ALREADY_EXISTS && number < instance::kLastInstanceNumber) continue;
        logSemaphore(created);
        return keepSemaphore(std::move(created));
    }
}

std::u16string mailslotNameOf(std::uint32_t processId) {
    std::u16string name = instance::mailslotName(processId);
    log::logLine(u"mailslot name %S", name);
    return name;
}

// ---- The first instance's listener.

enum class Waiting { Ready, Unsupported, Failed };

// Blocks until a message is waiting: a zero-byte read of a waiting message
// fails with ERROR_INSUFFICIENT_BUFFER. Wine answers it at once with
// ERROR_BROKEN_PIPE, waiting or not; there only a read of the whole message waits.
Waiting awaitMessage(HANDLE mailslot) {
    char none = 0;
    DWORD read = 0;
    if (::ReadFile(mailslot, &none, 0, &read, nullptr)) return Waiting::Ready;
    const SysError error = lastError("ReadFile");
    if (error.code == ERROR_INSUFFICIENT_BUFFER) return Waiting::Ready;
    if (error.code == ERROR_BROKEN_PIPE) return Waiting::Unsupported;
    log::logLine(u"error waiting for mailslot %d", error);
    return Waiting::Failed;
}

enum class Reading { Message, Empty, Failed };

// The bytes read as UTF-16 code units; an odd last byte is dropped.
std::u16string messageOf(const std::vector<char>& buffer, DWORD read) {
    std::u16string message(read / 2, u'\0');
    std::memcpy(message.data(), buffer.data(), message.size() * sizeof(char16_t));
    return message;
}

Reading readWaitingMessage(HANDLE mailslot, std::u16string& message) {
    DWORD nextSize = 0;
    if (!::GetMailslotInfo(mailslot, nullptr, &nextSize, nullptr, nullptr)) {
        log::logLine(u"error reading from mailslot %d", lastError("GetMailslotInfo"));
        return Reading::Failed;
    }
    if (nextSize == MAILSLOT_NO_MESSAGE) {
        log::logLine(u"mailslot empty");
        return Reading::Empty;
    }
    // The mailslot's maximum message size bounds nextSize.
    std::vector<char> buffer(static_cast<std::size_t>(nextSize) + 2);
    DWORD read = 0;
    if (!::ReadFile(mailslot, buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr)) {
        log::logLine(u"error mailslot ReadFile %d", lastError("ReadFile"));
        return Reading::Failed;
    }
    if (read != nextSize) {
        log::logLine(u"error mailslot read %d instead of %d", read, nextSize);
        return Reading::Failed;
    }
    message = messageOf(buffer, read);
    return Reading::Message;
}

// Waits in the read itself, with room for the largest message there can be.
Reading readNextMessage(HANDLE mailslot, std::u16string& message) {
    std::vector<char> buffer(static_cast<std::size_t>(kMaxMessageBytes) + 2);
    DWORD read = 0;
    if (!::ReadFile(mailslot, buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr)) {
        log::logLine(u"error mailslot ReadFile %d", lastError("ReadFile"));
        return Reading::Failed;
    }
    message = messageOf(buffer, read);
    return Reading::Message;
}

void listen(HANDLE mailslot) {
    log::logLine(u"listening to mailslot");
    jvm::StartupCallback callback([] { ::Sleep(kVmWaitPauseMillis); });
    for (;;) {
        const Waiting waiting = awaitMessage(mailslot);
        if (waiting == Waiting::Failed) return;
        std::u16string message;
        const Reading reading = waiting == Waiting::Ready ? readWaitingMessage(mailslot, message)
                                                          : readNextMessage(mailslot, message);
        if (reading == Reading::Failed) return;
        if (reading == Reading::Empty)
            ::Sleep(kEmptyMailslotPauseMillis);
        else
            callback.deliver(message);
    }
}

DWORD WINAPI startupListener(void* parameter) noexcept {
    const UniqueHandle mailslot(static_cast<HANDLE>(parameter));
    try {
        listen(mailslot.get());
    } catch (...) {
        log::logError(u"the mailslot listener ended with an exception");
    }
    return 0;
}

void startListening() {
    const std::wstring name = toWide(mailslotNameOf(::GetCurrentProcessId()));
    UniqueHandle mailslot(::CreateMailslotW(name.c_str(), kMaxMessageBytes, MAILSLOT_WAIT_FOREVER, nullptr));
    if (!mailslot) {
        log::logLine(u"creating mailslot failed");
        return;
    }
    log::logLine(u"creating mailslot successful");
    const UniqueHandle thread(::CreateThread(nullptr, 0, &startupListener, mailslot.get(), 0, nullptr));
    if (!thread) {
        log::logError(u"%s", describe(lastError("CreateThread"), u"startupListener"));
        return;
    }
    mailslot.release();  // the listener thread owns it now
}

// ---- The second start.

std::uint32_t awaitInstancePid(const std::string& path) {
    std::uint32_t processId = readInstancePid(path);
    // The first instance writes its id right after taking the semaphore.
    for (int retry = 0; processId == 0 && retry < kRetries; ++retry) {
        ::Sleep(kRetryPauseMillis);
        processId = readInstancePid(path);
    }
    return processId;
}

[[noreturn]] void handOverToFirstInstance(const std::string& path, StartupNotification notification) {
    const std::uint32_t processId = awaitInstancePid(path);
    log::logLine(u"other pid %d", processId);
    if (processId != 0) {
        if (image::configInt(config::kActivateWindowsId) != 0)
            activateInstanceWindows(processId, MinimisedWindows::Restored);
        if (notification == StartupNotification::Mailslot)
            sendStartupNotification(processId, instance::commandLineTail(toU16(::GetCommandLineW())));
    }
    log::logLine(u"exiting");
    report::exitLauncher(0);
}

struct WindowSearch {
    const UserInterface& ui;
    DWORD processId;
    MinimisedWindows minimised;
};

BOOL CALLBACK activateIfOwned(HWND window, LPARAM parameter) noexcept {
    const auto& search = *reinterpret_cast<const WindowSearch*>(parameter);
    const UserInterface& ui = search.ui;
    DWORD owner = 0;
    ui.windowThreadProcessId(window, &owner);
    if (owner != search.processId || !ui.isWindowVisible(window)) return TRUE;
    try {
        log::logLine(u"found window %p", static_cast<const void*>(window));
        if (search.minimised == MinimisedWindows::Restored && ui.isIconic(window)) {
            log::logLine(u"restore");
            ui.showWindow(window, SW_RESTORE);
        }
        log::logLine(u"foreground");
        ui.setForegroundWindow(window);
        log::logLine(u"popup");
        ui.setForegroundWindow(ui.lastActivePopup(window));
        log::logLine(u"done");
    } catch (...) {
        // Out of memory while logging: the next window still gets its turn.
    }
    return TRUE;  // every visible window of the process, not just the first
}

}  // namespace

InstanceGuard enforceSingleInstance(StartupNotification notification) {
    const bool globalNamespace = image::configInt(config::kGlobalNamespaceId) != 0;
    const std::string path = instancePath();
    if (image::configInt(config::kSingleInstanceModeId) == 0) return takeNextFreeNumber(globalNamespace, path);
    log::logLine(u"single instance mode");
    CreatedSemaphore created = createSemaphore(instance::semaphoreName(globalNamespace, path));
    logSemaphore(created);
    if (created.error == ERROR_ALREADY_EXISTS) {
        created.handle.reset();
        handOverToFirstInstance(path, notification);
    }
    InstanceGuard guard = keepSemaphore(std::move(created));
    writeInstancePid(path, ::GetCurrentProcessId());
    if (notification == StartupNotification::Mailslot) startListening();
    return guard;
}

void writeInstancePid(std::string_view instancePath, std::uint32_t processId) {
    const Result<UniqueHKey> key =
        registry::createKey(HKEY_CURRENT_USER, toWide(instance::kInstanceRegistryKey).c_str(), KEY_ALL_ACCESS);
    if (!key) return;
    const DWORD value = processId;
    ::RegSetValueExW(key->get(), fromAnsi(instancePath).c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                     sizeof value);
}

std::uint32_t readInstancePid(std::string_view instancePath) {
    const Result<UniqueHKey> key =
        registry::openKey(HKEY_CURRENT_USER, toWide(instance::kInstanceRegistryKey).c_str(), KEY_READ);
    if (!key) return 0;
    const Result<registry::Value> value = registry::queryValue(key->get(), fromAnsi(instancePath).c_str());
    DWORD processId = 0;
    if (!value || value->bytes.size() != sizeof processId) return 0;
    std::memcpy(&processId, value->bytes.data(), sizeof processId);
    return processId;
}

void activateInstanceWindows(std::uint32_t processId, MinimisedWindows minimised) {
    const UserInterface* const ui = userInterface();
    if (ui == nullptr) return;
    WindowSearch search{*ui, processId, minimised};
    ui->enumWindows(&activateIfOwned, reinterpret_cast<LPARAM>(&search));
}

void sendStartupNotification(std::uint32_t processId, std::u16string_view tail) {
    const std::wstring name = toWide(mailslotNameOf(processId));
    SysError openError{};
    const auto open = [&] {
        UniqueHandle opened(::CreateFileW(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
        openError = lastError("CreateFileW");
        return opened;
    };
    UniqueHandle mailslot = open();
    for (int retry = 0; !mailslot && retry < kRetries; ++retry) {
        ::Sleep(kRetryPauseMillis);  // the first instance may not have created it yet
        mailslot = open();
    }
    if (!mailslot) {
        log::logLine(u"error mailslot CreateFile %d", openError);
        return;
    }
    const std::u16string message = instance::notificationMessage(tail);
    const DWORD length = static_cast<DWORD>(message.size() * sizeof(char16_t));
    DWORD written = 0;
    if (!::WriteFile(mailslot.get(), message.data(), length, &written, nullptr))
        log::logLine(u"error mailslot WriteFile %d", lastError("WriteFile"));
    else if (written != length)
        log::logLine(u"error mailslot WriteFile length %d %d", written, length);
}

}  // namespace tavik::instance
