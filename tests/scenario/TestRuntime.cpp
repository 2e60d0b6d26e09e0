#include "tests/scenario/TestRuntime.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

#include "tests/scenario/Scenario.h"

namespace tavik::scenario {

namespace {

void copyBinary(const std::string& arch, const std::string& fileName, const fs::path& to) {
    const fs::path from = runtimeBinary(arch, fileName);
    if (!fs::exists(from))
        throw std::runtime_error("missing " + from.string() + ": build the test_runtime target of that cross build");
    fs::create_directories(to.parent_path());
    fs::copy_file(from, to, fs::copy_options::overwrite_existing);
}

}  // namespace

std::string otherArchitecture(const std::string& arch) { return arch == "win32" ? "win64" : "win32"; }

fs::path runtimeBinary(const std::string& arch, const std::string& fileName) {
    const fs::path build = arch == "win32" ? TAVIK_WIN32_BUILD : TAVIK_WIN64_BUILD;
    return build / "tests/runtime" / fileName;
}

fs::path shippedHelperLibrary(const std::string& arch) {
    return fs::path(arch == "win32" ? TAVIK_WIN32_BUILD : TAVIK_WIN64_BUILD) / "native/rwtnative.dll";
}

std::vector<std::string> textLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(withoutCarriageReturns(text));
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::vector<std::string> fileLines(const fs::path& path) { return textLines(readFile(path)); }

TestRuntime::TestRuntime(fs::path home) : home_(std::move(home)), arch_(scenario::architecture()) {}

TestRuntime& TestRuntime::versionLine(std::string line) {
    versionLine_ = std::move(line);
    if (created_) writeConfig();
    return *this;
}

TestRuntime& TestRuntime::exitCode(int code) {
    exitCode_ = code;
    if (created_) writeConfig();
    return *this;
}

TestRuntime& TestRuntime::sleepSeconds(int seconds) {
    sleepSeconds_ = seconds;
    if (created_) writeConfig();
    return *this;
}

TestRuntime& TestRuntime::layout(RuntimeLayout layout) {
    layout_ = layout;
    return *this;
}

TestRuntime& TestRuntime::vmDirectory(std::string name) {
    vmDirectory_ = std::move(name);
    return *this;
}

TestRuntime& TestRuntime::withoutJvmDll() {
    jvmDll_ = false;
    return *this;
}

TestRuntime& TestRuntime::architecture(std::string arch) {
    arch_ = std::move(arch);
    return *this;
}

TestRuntime& TestRuntime::jvmArchitecture(std::string arch) {
    jvmArch_ = std::move(arch);
    return *this;
}

TestRuntime& TestRuntime::javaw(bool present) {
    javaw_ = present;
    return *this;
}

TestRuntime& TestRuntime::unpack200(bool present) {
    unpack200_ = present;
    return *this;
}

TestRuntime& TestRuntime::toolsJar(bool present) {
    toolsJar_ = present;
    return *this;
}

fs::path TestRuntime::binDir() const { return home_ / "bin"; }

fs::path TestRuntime::runtimeBin() const {
    return layout_ == RuntimeLayout::Jdk8 ? home_ / "jre" / "bin" : binDir();
}

fs::path TestRuntime::javaExe() const { return runtimeBin() / "java.exe"; }
fs::path TestRuntime::javawExe() const { return runtimeBin() / "javaw.exe"; }
fs::path TestRuntime::jvmDll() const { return runtimeBin() / vmDirectory_ / "jvm.dll"; }
fs::path TestRuntime::unpack200Exe() const { return binDir() / "unpack200.exe"; }
fs::path TestRuntime::configFile() const { return runtimeBin() / "fake-java.cfg"; }
fs::path TestRuntime::vmConfigFile() const { return jvmDll().parent_path() / "fake-jvm.cfg"; }

TestRuntime& TestRuntime::failVmCreation(int code) { return addVmDirective("fail-create " + std::to_string(code)); }
TestRuntime& TestRuntime::withoutClass(std::string className) { return addVmDirective("missing-class " + className); }
TestRuntime& TestRuntime::withoutMethod(std::string method) { return addVmDirective("missing-method " + method); }
TestRuntime& TestRuntime::throwFrom(std::string method, std::string exceptionText) {
    return addVmDirective("throw " + method + " " + exceptionText);
}
TestRuntime& TestRuntime::refuseNatives(std::string className) { return addVmDirective("refuse-natives " + className); }

TestRuntime& TestRuntime::addVmDirective(std::string line) {
    vmDirectives_.push_back(std::move(line));
    if (created_) writeVmConfig();
    return *this;
}

void TestRuntime::writeVmConfig() const {
    if (vmDirectives_.empty() || !jvmDll_) return;
    std::ofstream config(vmConfigFile(), std::ios::binary);
    for (const std::string& line : vmDirectives_) config << line << "\n";
}

std::vector<fs::path> TestRuntime::binDirs() const {
    if (layout_ == RuntimeLayout::Jdk8) return {binDir(), runtimeBin()};
    return {binDir()};
}

std::string TestRuntime::configText() const {
    std::string text = versionLine_ + "\n" + std::to_string(exitCode_) + "\n";
    if (sleepSeconds_ > 0) text += std::to_string(sleepSeconds_) + "\n";
    return text;
}

void TestRuntime::writeConfig() const {
    for (const fs::path& bin : binDirs()) std::ofstream(bin / "fake-java.cfg", std::ios::binary) << configText();
}

TestRuntime& TestRuntime::create() {
    for (const fs::path& bin : binDirs()) {
        copyBinary(arch_, "java.exe", bin / "java.exe");
        if (javaw_) copyBinary(arch_, "javaw.exe", bin / "javaw.exe");
    }
    writeConfig();
    if (jvmDll_) copyBinary(jvmArch_.empty() ? arch_ : jvmArch_, "jvm.dll", jvmDll());
    writeVmConfig();
    if (unpack200_)
        for (const fs::path& bin : binDirs()) copyBinary(arch_, "unpack200.exe", bin / "unpack200.exe");
    if (toolsJar_.value_or(layout_ == RuntimeLayout::Jdk8)) {
        fs::create_directories(home_ / "lib");
        std::ofstream(home_ / "lib" / "tools.jar", std::ios::binary) << "tools.jar of a test runtime";
    }
    created_ = true;
    return *this;
}

std::vector<RuntimeRun> TestRuntime::runs() const {
    std::vector<RuntimeRun> all;
    for (const fs::path& bin : binDirs()) {
        for (const std::string& line : fileLines(bin / "runs.log")) {
            const auto space = line.find(' ');
            all.push_back({line.substr(0, space), space == std::string::npos ? "" : line.substr(space + 1)});
        }
    }
    return all;
}

std::vector<std::string> TestRuntime::jvmCalls() const { return fileLines(jvmDll().parent_path() / "jvm-calls.log"); }

namespace {

std::optional<std::string> after(const std::string& line, const std::string& prefix) {
    if (line.rfind(prefix, 0) != 0) return std::nullopt;
    return line.substr(prefix.size());
}

std::string unquoted(const std::string& argument) {
    if (argument.size() >= 2 && argument.front() == '"' && argument.back() == '"')
        return argument.substr(1, argument.size() - 2);
    return argument;
}

}  // namespace

std::vector<std::string> TestRuntime::vmOptions() const {
    std::vector<std::string> options;
    for (const std::string& line : jvmCalls())
        if (const auto option = after(line, "option ")) options.push_back(*option);
    return options;
}

std::optional<long long> TestRuntime::vmCreationMillis() const {
    for (const std::string& line : jvmCalls()) {
        const auto rest = after(line, "JNI_CreateJavaVM at ");
        if (rest && rest->size() > 3 && rest->compare(rest->size() - 3, 3, " ms") == 0)
            return std::stoll(rest->substr(0, rest->size() - 3));
    }
    return std::nullopt;
}

std::vector<JavaCall> TestRuntime::javaCalls() const {
    std::vector<JavaCall> calls;
    bool inCall = false;
    for (const std::string& line : jvmCalls()) {
        if (const auto called = after(line, "call ")) {
            const auto parenthesis = called->find('(');
            calls.push_back({called->substr(0, parenthesis), called->substr(parenthesis), {}, {}});
            inCall = true;
        } else if (const auto argument = after(line, "arg "); inCall && argument) {
            calls.back().arguments.push_back(*argument);
        } else if (const auto element = after(line, "element "); inCall && element) {
            calls.back().elements.push_back(*element);
        } else if (inCall && line == "null element") {
            calls.back().elements.push_back(line);
        } else {
            inCall = false;
        }
    }
    return calls;
}

namespace {

// The VM records an array argument as "java/lang/String[N]" before its N
// elements, one line each; a reader may come between those lines.
bool recordedWhole(const JavaCall& call) {
    if (call.arguments.size() != 1) return false;
    const std::string& shown = call.arguments[0];
    const auto open = shown.rfind('[');
    if (open == std::string::npos || shown.back() != ']') return false;
    return std::to_string(call.elements.size()) == shown.substr(open + 1, shown.size() - open - 2);
}

}  // namespace

std::optional<std::vector<std::string>> TestRuntime::mainArguments() const {
    std::optional<std::vector<std::string>> last;
    for (const JavaCall& call : javaCalls()) {
        const bool isMain = call.method.size() > 5 && call.method.compare(call.method.size() - 5, 5, ".main") == 0;
        if (isMain && call.signature == "([Ljava/lang/String;)V" && recordedWhole(call)) last = call.elements;
    }
    return last;
}

std::vector<std::pair<std::string, std::string>> TestRuntime::propertiesSet() const {
    std::vector<std::pair<std::string, std::string>> properties;
    for (const JavaCall& call : javaCalls())
        if (call.method == "java/lang/System.setProperty" && call.arguments.size() == 2)
            properties.emplace_back(unquoted(call.arguments[0]), unquoted(call.arguments[1]));
    return properties;
}

std::vector<std::string> TestRuntime::unpackRuns() const {
    std::vector<std::string> all;
    for (const fs::path& bin : binDirs()) {
        const std::vector<std::string> lines = fileLines(bin / "unpack-runs.log");
        all.insert(all.end(), lines.begin(), lines.end());
    }
    return all;
}

}  // namespace tavik::scenario
