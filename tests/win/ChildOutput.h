#pragma once
// Reading what a child scenario printed and logged.
#include <map>
#include <string>

#include "tests/support/TextLines.h"
#include "tests/win/TestSupport.h"

namespace tavik::test {

// "key=value" lines of a scenario's standard output.
std::map<std::string, std::string> keyValues(const std::string& out);

// Standard error up to its first line end, without the CR.
std::string firstLine(const std::string& text);

using testsupport::withoutCarriageReturns;

// The log file a child named on its "log=" line, read without its byte-order
// mark; "" when it logged nothing.
std::string childLog(const std::map<std::string, std::string>& values);

}  // namespace tavik::test
