// The handler std::terminate calls. The C++ runtime's own one names the
// exception's type through its demangler, which alone would add over 40 KB
// to every packed program; this one names the type as the compiler spells it.
#include <windows.h>

#include <cstdlib>
#include <cxxabi.h>
#include <exception>
#include <string>
#include <typeinfo>

namespace tavik::startup {
namespace {

void writeToStandardError(const std::string& text) {
    DWORD written = 0;
    ::WriteFile(::GetStdHandle(STD_ERROR_HANDLE), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

std::string terminationText() {
    const std::type_info* const type = abi::__cxa_current_exception_type();
    if (type == nullptr) return "terminate called without an active exception\r\n";
    std::string text = std::string("terminate called after throwing an instance of '") + type->name() + "'\r\n";
    try {
        throw;
    } catch (const std::exception& e) {
        text += std::string("  what():  ") + e.what() + "\r\n";
    } catch (...) {
    }
    return text;
}

[[noreturn]] void reportTermination() {
    writeToStandardError(terminationText());
    std::abort();
}

}  // namespace
}  // namespace tavik::startup

void __gnu_cxx::__verbose_terminate_handler() { tavik::startup::reportTermination(); }
