#include "tests/runtime/RuntimeFiles.h"

#include "common/win/Handles.h"

namespace tavik::testruntime {

namespace {

std::string encode(UINT codePage, std::wstring_view text) {
    if (text.empty()) return {};
    const int length = static_cast<int>(text.size());
    const int size = ::WideCharToMultiByte(codePage, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(codePage, 0, text.data(), length, bytes.data(), size, nullptr, nullptr);
    return bytes;
}

void writeTo(DWORD stream, std::string_view bytes) {
    const HANDLE handle = ::GetStdHandle(stream);  // not ours to close
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    ::WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

}  // namespace

std::wstring modulePath(HMODULE module) {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = ::GetModuleFileNameW(module, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) return {};
        if (n < buffer.size()) return buffer.substr(0, n);
        buffer.resize(buffer.size() * 2);
    }
}

std::wstring directoryOf(std::wstring_view path) {
    const auto slash = path.rfind(L'\\');
    return std::wstring(slash == std::wstring_view::npos ? std::wstring_view{} : path.substr(0, slash));
}

std::wstring fileNameOf(std::wstring_view path) {
    const auto slash = path.rfind(L'\\');
    return std::wstring(slash == std::wstring_view::npos ? path : path.substr(slash + 1));
}

std::optional<std::string> readBytes(const std::wstring& path) {
    const UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return std::nullopt;
    std::string content;
    char chunk[4096];
    for (;;) {
        DWORD read = 0;
        if (!::ReadFile(file.get(), chunk, sizeof chunk, &read, nullptr)) return std::nullopt;
        if (read == 0) return content;
        content.append(chunk, read);
    }
}

bool writeBytes(const std::wstring& path, std::string_view bytes) {
    const UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    DWORD written = 0;
    return ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

void appendLine(const std::wstring& path, std::string_view line) {
    const UniqueHandle file(::CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return;
    std::string record(line);
    record += "\r\n";
    DWORD written = 0;
    ::WriteFile(file.get(), record.data(), static_cast<DWORD>(record.size()), &written, nullptr);
}

std::string toUtf8(std::wstring_view text) { return encode(CP_UTF8, text); }
std::string toAnsi(std::wstring_view text) { return encode(CP_ACP, text); }

void writeStandardError(std::string_view bytes) { writeTo(STD_ERROR_HANDLE, bytes); }
void writeStandardOutput(std::string_view bytes) { writeTo(STD_OUTPUT_HANDLE, bytes); }

}  // namespace tavik::testruntime
