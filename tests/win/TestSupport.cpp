#include "tests/win/TestSupport.h"

#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <cwchar>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "common/win/WideText.h"

namespace tavik::test {
namespace {

fs::path systemTempPath() {
    wchar_t buffer[MAX_PATH + 1];
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, buffer);
    if (length == 0 || length > MAX_PATH) throw std::runtime_error("GetTempPathW failed");
    return fs::path(std::wstring(buffer, length));
}

std::wstring quoted(const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) return argument;
    std::wstring result = L"\"";
    for (const wchar_t c : argument) {
        if (c == L'"') result += L'\\';
        result += c;
    }
    return result + L"\"";
}

struct CaseInsensitiveLess {
    bool operator()(const std::wstring& a, const std::wstring& b) const {
        return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                                      TRUE) == CSTR_LESS_THAN;
    }
};

std::wstring environmentBlock(const std::map<std::u16string, std::u16string>& changes) {
    std::map<std::wstring, std::wstring, CaseInsensitiveLess> variables;
    wchar_t* strings = ::GetEnvironmentStringsW();
    for (const wchar_t* entry = strings; *entry; entry += wcslen(entry) + 1) {
        const std::wstring text = entry;
        const auto equals = text.find(L'=', 1);  // "=C:=C:\..." entries start with "="
        if (equals != std::wstring::npos) variables[text.substr(0, equals)] = text.substr(equals + 1);
    }
    ::FreeEnvironmentStringsW(strings);
    for (const auto& [name, value] : changes) {
        if (value.empty())
            variables.erase(toWide(name));
        else
            variables[toWide(name)] = toWide(value);
    }
    std::wstring block;
    for (const auto& [name, value] : variables) block += name + L"=" + value + L'\0';
    return block + L'\0';
}

HANDLE inheritableFile(const fs::path& path) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    return ::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

ScratchDir::ScratchDir() {
    static std::atomic<int> counter{0};
    path_ = systemTempPath() /
            ("tavik-wintest-" + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(++counter));
    fs::remove_all(path_);
    fs::create_directories(path_);
}

ScratchDir::~ScratchDir() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

fs::path ScratchDir::write(const std::string& relative, const std::string& content) const {
    const fs::path file = path_ / relative;
    fs::create_directories(file.parent_path());
    writeFile(file, content);
    return file;
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

void writeFile(const fs::path& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

std::string utf8(const std::u16string& text) {
    if (text.empty()) return {};
    const std::wstring w = toWide(text);
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), bytes.data(), size, nullptr, nullptr);
    return bytes;
}


std::uint64_t lastSectionEnd(const std::string& image) {
    IMAGE_DOS_HEADER dos;
    if (image.size() < sizeof dos) throw std::runtime_error("no DOS header");
    std::memcpy(&dos, image.data(), sizeof dos);
    IMAGE_FILE_HEADER file;
    const std::size_t fileHeaderAt = static_cast<std::size_t>(dos.e_lfanew) + sizeof(DWORD);
    std::memcpy(&file, image.data() + fileHeaderAt, sizeof file);
    const std::size_t sectionsAt = fileHeaderAt + sizeof file + file.SizeOfOptionalHeader;
    IMAGE_SECTION_HEADER last;
    std::memcpy(&last, image.data() + sectionsAt + (file.NumberOfSections - 1u) * sizeof last, sizeof last);
    return std::uint64_t{last.PointerToRawData} + last.SizeOfRawData;
}

std::uint64_t writePackedCopy(const fs::path& executable, const fs::path& copy, const std::string& block) {
    const std::string image = readFile(executable);
    const std::uint64_t end = lastSectionEnd(image);
    writeFile(copy, image.substr(0, static_cast<std::size_t>(end)) + block);
    return end;
}

fs::path testExecutable() {
    std::wstring buffer(32768, L'\0');
    const DWORD length = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    buffer.resize(length);
    return fs::path(buffer);
}

bool createProcessRetrying(const wchar_t* executable, std::wstring& commandLine, BOOL inheritHandles, DWORD flags,
                           wchar_t* environment, STARTUPINFOW& startup, PROCESS_INFORMATION& process) {
    // Wine now and then answers a start under load with ERROR_INTERNAL_ERROR;
    // the same start a moment later succeeds.
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (attempt > 0) ::Sleep(200);
        if (::CreateProcessW(executable, commandLine.data(), nullptr, nullptr, inheritHandles, flags, environment,
                             nullptr, &startup, &process))
            return true;
        if (::GetLastError() != ERROR_INTERNAL_ERROR) return false;
    }
    return false;
}

ChildResult runChild(const fs::path& executable, const std::vector<std::u16string>& arguments,
                     const std::map<std::u16string, std::u16string>& environment) {
    static std::atomic<int> counter{0};
    const fs::path outputs = systemTempPath() / ("tavik-wintest-child-" + std::to_string(::GetCurrentProcessId()) +
                                                 "-" + std::to_string(++counter));
    fs::create_directories(outputs);
    const fs::path outPath = outputs / "out.txt";
    const fs::path errPath = outputs / "err.txt";
    ChildResult result;
    {
        const HANDLE out = inheritableFile(outPath);
        const HANDLE err = inheritableFile(errPath);
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = nullptr;
        startup.hStdOutput = out;
        startup.hStdError = err;
        std::wstring commandLine = quoted(executable.wstring());
        for (const auto& argument : arguments) commandLine += L" " + quoted(toWide(argument));
        std::wstring block = environmentBlock(environment);
        PROCESS_INFORMATION process{};
        const bool started = createProcessRetrying(executable.c_str(), commandLine, TRUE, CREATE_UNICODE_ENVIRONMENT,
                                                   block.data(), startup, process);
        ::CloseHandle(out);
        ::CloseHandle(err);
        if (!started) throw std::runtime_error("CreateProcessW failed: " + std::to_string(::GetLastError()));
        if (::WaitForSingleObject(process.hProcess, 120000) != WAIT_OBJECT_0) {
            ::TerminateProcess(process.hProcess, 99);
            ::WaitForSingleObject(process.hProcess, INFINITE);
        }
        DWORD exitCode = 0;
        ::GetExitCodeProcess(process.hProcess, &exitCode);
        result.exitCode = static_cast<int>(exitCode);
        ::CloseHandle(process.hThread);
        ::CloseHandle(process.hProcess);
    }
    result.out = readFile(outPath);
    result.err = readFile(errPath);
    std::error_code ignored;
    fs::remove_all(outputs, ignored);
    return result;
}

ChildResult runScenario(const fs::path& executable, const std::string& scenario,
                        const std::vector<std::u16string>& arguments,
                        const std::map<std::u16string, std::u16string>& environment) {
    std::vector<std::u16string> all{u"--child", std::u16string(scenario.begin(), scenario.end())};
    all.insert(all.end(), arguments.begin(), arguments.end());
    return runChild(executable, all, environment);
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        result.push_back(line);
    }
    return result;
}

std::string narrowRecord(std::int32_t id, const std::string& text) {
    return BlockBuilder().uint32(static_cast<std::uint32_t>(id)).narrow(text).text();
}

std::string archiveEntry(const std::string& data) {
    std::string masked = data;
    for (char& c : masked) c = static_cast<char>(static_cast<unsigned char>(c) ^ 0xD6);
    return BlockBuilder().int64(data.size()).raw(masked).text();
}

int runTestsOrChild(int argc, char** argv, ChildScenario scenario) {
    int count = 0;
    wchar_t** argumentList = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    std::vector<std::u16string> arguments;
    for (int i = 0; i < count; ++i) arguments.push_back(toU16(argumentList[i]));
    ::LocalFree(argumentList);
    if (arguments.size() >= 3 && arguments[1] == u"--child")
        return scenario(arguments[2], {arguments.begin() + 3, arguments.end()});
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

}  // namespace tavik::test
