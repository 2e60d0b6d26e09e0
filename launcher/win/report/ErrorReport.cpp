#include "launcher/win/report/ErrorReport.h"

#include <windows.h>

#include <cstdio>
#include <utility>

#include "common/TextFormat.h"
#include "common/win/UserInterface.h"
#include "common/win/WideText.h"
#include "launcher/core/ConfigStore.h"
#include "launcher/win/image/Config.h"
#include "launcher/win/paths/Environment.h"
#include "launcher/win/report/Log.h"

namespace tavik::report {
namespace {

// Set on the main thread; leaked, as any thread may end the process through it.
std::function<void()>& exitCleanup() {
    static std::function<void()>& cleanup = *new std::function<void()>();
    return cleanup;
}

std::u16string withLogReference(std::u16string_view text) {
    const auto logPath = logFilePath();
    if (!logPath) return std::u16string(text);
    return format(u"%s\n\nLog: %s", text, paths::longPathName(*logPath).value_or(*logPath));
}

// A message box needs a desktop. Without one (a service session, headless
// Wine) MessageBoxW fails at once; the text then goes where console text goes.
bool showMessageBox(const std::u16string& text) {
    const UserInterface* const ui = userInterface();
    if (ui == nullptr) return false;
    const std::wstring caption = toWide(image::messageText(config::kErrorCaptionMessageId));
    return ui->messageBox(nullptr, toWide(text).c_str(), caption.c_str(), MB_ICONERROR) > 0;
}

bool writeToConsole(const std::u16string& text) {
    const HANDLE output = ::GetStdHandle(STD_OUTPUT_HANDLE);
    if (output == nullptr || output == INVALID_HANDLE_VALUE || ::GetFileType(output) != FILE_TYPE_CHAR) return false;
    const std::wstring wide = toWide(text);
    DWORD written = 0;
    // A character device need not be a console (NUL is one): then this fails.
    return ::WriteConsoleW(output, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr) != FALSE;
}

void writeToStandardError(const std::u16string& text) {
    bool substituted = false;
    const std::string narrow = toAnsi(text, substituted);
    // Not fprintf: its formatting would bring the C library's whole printf.
    std::fputs((narrow + "\n").c_str(), stderr);
    std::fflush(stderr);
}

}  // namespace

void showError(std::u16string_view text) {
    const std::u16string shown = withLogReference(text);
    if (image::guiErrorMode() && showMessageBox(shown)) return;
    if (!writeToConsole(shown)) writeToStandardError(shown);
}

void showMessage(std::int32_t id, const std::optional<std::u16string>& argument) {
    showError(image::formatMessage(id, argument));
}

void showMessageNarrow(std::int32_t id, const std::optional<std::string>& argument) {
    if (!argument) return showMessage(id, std::nullopt);
    showMessage(id, config::widenBytes(*argument, config::kMessageCapacity + 1));
}

void setExitCleanup(std::function<void()> cleanup) { exitCleanup() = std::move(cleanup); }

void exitLauncher(std::uint32_t code) {
    if (const std::function<void()>& cleanup = exitCleanup()) cleanup();
    ::ExitProcess(code);
}

void fatalError(std::u16string_view text) {
    showError(text);
    exitLauncher(1);
}

void fatalMessage(std::int32_t id, const std::optional<std::u16string>& argument) {
    showMessage(id, argument);
    exitLauncher(1);
}

void fatalMessageNarrow(std::int32_t id, const std::optional<std::string>& argument) {
    showMessageNarrow(id, argument);
    exitLauncher(1);
}

void consolePrint(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

}  // namespace tavik::report
