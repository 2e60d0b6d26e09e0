// The Windows-side test program. Started with "--child <scenario> ..." it
// runs one scenario instead of the tests: the log, the configuration store
// and the error path are decided once per process and may end it, so their
// tests watch child processes from outside.
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "common/win/WideText.h"
#include "launcher/core/Log.h"
#include "launcher/jvm/JavaException.h"
#include "launcher/win/image/Config.h"
#include "launcher/win/image/ConfigLoad.h"
#include "launcher/win/image/Extraction.h"
#include "launcher/win/paths/LauncherPaths.h"
#include "launcher/win/paths/PathResolution.h"
#include "launcher/win/paths/ShellShortPath.h"
#include "launcher/win/paths/TempDirectory.h"
#include "launcher/win/report/ErrorReport.h"
#include "launcher/win/report/Log.h"
#include "tests/win/FakeJni.h"
#include "tests/win/TestSupport.h"

namespace tavik::test {
namespace {

using Arguments = std::vector<std::u16string>;

std::u16string argumentOr(const Arguments& arguments, std::size_t index, const std::u16string& fallback = u"") {
    return index < arguments.size() ? arguments[index] : fallback;
}

void print(const std::string& key, const std::string& value) { std::printf("%s=%s\n", key.c_str(), value.c_str()); }
void print(const std::string& key, const std::u16string& value) { print(key, utf8(value)); }

// Wine sets TMP and TEMP from its registry when a process starts; the
// scenario points them at its own directory before anything is logged.
void useTempBase(const std::u16string& directory) {
    ::SetEnvironmentVariableW(L"TMP", toWide(directory).c_str());
    ::SetEnvironmentVariableW(L"TEMP", toWide(directory).c_str());
}

void printLogPath() { print("log", report::logFilePath().value_or(u"none")); }

bool openExclusively(const std::u16string& path) {
    const HANDLE file = ::CreateFileW(toWide(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    ::CloseHandle(file);
    return true;
}

int logScenario(const Arguments& arguments) {
    useTempBase(arguments.at(0));
    log::logLine(u"plain %d", 7);
    if (const auto path = report::logFilePath()) print("closedBetweenLines", openExclusively(*path) ? "1" : "0");
    log::logError(u"failed %s", u"\u03a9 \u00e4");
    log::logLine(u"two\nlines");
    printLogPath();
    return 0;
}

int logThreadsScenario(const Arguments& arguments) {
    useTempBase(arguments.at(0));
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < 100; ++i) log::logLine(u"thread %d line %d of a longer text", t, i);
        });
    }
    for (auto& thread : threads) thread.join();
    printLogPath();
    return 0;
}

std::string orNone(const std::optional<std::string>& value) { return value.value_or("none"); }

int configScenario(const Arguments& arguments) {
    useTempBase(argumentOr(arguments, 0, u"."));
    image::readConfigBlock();
    image::loadFlavourByte();
    print("flavour", std::string(1, image::flavourByte() ? image::flavourByte() : '0'));
    print("gui", image::guiErrorMode() ? "1" : "0");
    print("kind", std::to_string(image::configInt(107)));
    print("archiveStart", std::to_string(image::archiveStart()));
    print("caption", image::messageText(1000));
    print("message", image::formatMessage(1009, u"16"));
    print("narrowMessage", image::messageText(1010));
    print("classPath", image::configString(121, 6000));
    print("classPathCut", image::configString(121, 4));
    print("classPathCopy", image::configStringCopy(121));
    print("classPathWide", image::configWideString(121));
    print("localized", image::localizedString(20017));
    print("language", orNone(image::userLanguage()));
    print("country", orNone(image::userCountry()));
    printLogPath();
    return 0;
}

// fatal <temp base> <launcher temp dir or ""> <message id> [argument]
int fatalScenario(const Arguments& arguments) {
    useTempBase(arguments.at(0));
    image::readConfigBlock();
    bool substituted = false;
    paths::removeAtLauncherExit(toAnsi(arguments.at(1), substituted));
    const int id = std::stoi(utf8(arguments.at(2)));
    if (arguments.size() > 3)
        report::fatalMessage(id, arguments[3]);
    else
        report::fatalMessage(id, std::nullopt);
}

// exit <launcher temp dir or ""> <code>
int exitScenario(const Arguments& arguments) {
    bool substituted = false;
    paths::removeAtLauncherExit(toAnsi(arguments.at(0), substituted));
    report::exitLauncher(static_cast<std::uint32_t>(std::stoul(utf8(arguments.at(1)))));
}

// Before any block is read the GUI error mode is on: a message box is tried.
int showErrorScenario(const Arguments& arguments) {
    report::showError(arguments.at(0));
    std::printf("returned\n");
    return 0;
}

int javaExceptionScenario(const Arguments& arguments) {
    useTempBase(arguments.at(0));
    FakeJni jni(true, "java.lang.IllegalStateException: b\xC3\xBCm");
    print("result", jvm::reportJavaException(jni.env(), true) ? "true" : "false");
    printLogPath();
    return 0;
}

// extract <temp base>: the extraction step as the launch runs it, without
// the error message it turns a failure into.
int extractScenario(const Arguments& arguments) {
    useTempBase(arguments.at(0));
    image::readConfigBlock();
    const image::ExtractedFiles extracted = image::extractArchive();
    print("result", std::to_string(static_cast<int>(extracted.result)));
    print("tempDir", decodeAnsi(extracted.tempDirectory));
    print("archiveEnd", std::to_string(extracted.archiveEnd));
    printLogPath();
    return 0;
}

// temp-dir <temp base>
int tempDirScenario(const Arguments& arguments) {
    useTempBase(arguments.at(0));
    print("tempDir", decodeAnsi(paths::createTempDirectory()));
    printLogPath();
    return 0;
}

// short-path <temp base> <path>
int shortPathScenario(const Arguments& arguments) {
    useTempBase(arguments.at(0));
    print("shortPath", orNone(paths::shortPathViaShell(arguments.at(1))));
    printLogPath();
    return 0;
}

// paths <temp base>: where this copy of the program finds itself.
int pathsScenario(const Arguments& arguments) {
    useTempBase(arguments.at(0));
    print("launcherPath", paths::launcherPath());
    print("launcherPathWide", paths::launcherPathWide());
    print("launcherDirectory", paths::launcherDirectory());
    print("launcherDirectoryAnsiSafe", paths::launcherDirectoryWide(paths::DirectoryForm::AnsiSafe));
    print("launcherDirectoryLong", paths::launcherDirectoryWide(paths::DirectoryForm::Long));
    print("resolvedAnsiSafe", paths::resolvePathWide(u"x.cfg", paths::DirectoryForm::AnsiSafe));
    print("resolvedLong", paths::resolvePathWide(u"x.cfg", paths::DirectoryForm::Long));
    printLogPath();
    return 0;
}

int runScenarioByName(const std::u16string& name, const Arguments& arguments) {
    static const std::map<std::u16string, std::function<int(const Arguments&)>> scenarios = {
        {u"log", logScenario},       {u"log-threads", logThreadsScenario}, {u"config", configScenario},
        {u"fatal", fatalScenario},   {u"exit", exitScenario},              {u"show-error", showErrorScenario},
        {u"java-exception", javaExceptionScenario},
        {u"extract", extractScenario},
        {u"temp-dir", tempDirScenario},
        {u"short-path", shortPathScenario},
        {u"paths", pathsScenario},
    };
    const auto found = scenarios.find(name);
    if (found == scenarios.end()) {
        std::fprintf(stderr, "unknown scenario\n");
        return 125;
    }
    const int code = found->second(arguments);
    std::fflush(stdout);
    return code;
}

}  // namespace
}  // namespace tavik::test

int main(int argc, char** argv) { return tavik::test::runTestsOrChild(argc, argv, tavik::test::runScenarioByName); }
