#include "errors.h"

#include "port.h"
#include "screen.h"

#include <cstdio>
#include <cstdlib>

namespace engine {

RuntimeError::RuntimeError(int number, std::string description)
    : m_number(number), m_description(std::move(description)),
      m_message("Run-time error '" + std::to_string(number) + "': " + m_description)
{
}

void raise(int number, const std::string &description)
{
    throw RuntimeError(number, description);
}

namespace {

void printLine(const RuntimeError &error)
{
    const std::string line = App.Title() + ": " + error.message() + '\n';
    std::fputs(line.c_str(), stderr);
    std::fflush(stderr);
}

} // namespace

void fail(const RuntimeError &error)
{
    static bool failing = false;
    printLine(error);
    if (!failing && hasPort()) {
        failing = true;
        port().showFatalError(App.Title(), error.message());
    }
    std::fflush(stdout);
    std::_Exit(1);
}

void failWithoutDisplay(const RuntimeError &error)
{
    printLine(error);
    std::fflush(stdout);
    std::_Exit(1);
}

} // namespace engine
