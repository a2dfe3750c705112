// Run-time errors of the forms engine. A failed operation raises one; nothing in
// the program catches it, so it ends the program with the engine's message.
#pragma once

#include <exception>
#include <new>
#include <string>
#include <utility>

namespace engine {

class RuntimeError : public std::exception {
public:
    RuntimeError(int number, std::string description);
    int number() const { return m_number; }
    const std::string &description() const { return m_description; }
    // "Run-time error '481': Invalid picture (...)"
    const std::string &message() const { return m_message; }
    const char *what() const noexcept override { return m_message.c_str(); }

private:
    int m_number;
    std::string m_description;
    std::string m_message;
};

// Numbers as the players' error lists know them.
namespace err {
inline constexpr int Overflow = 6;
inline constexpr int OutOfMemory = 7;
inline constexpr int Internal = 51;
inline constexpr int FormAlreadyShown = 400;
inline constexpr int NotInModal = 401;
inline constexpr int ControlMissing = 340;
inline constexpr int ObjectUnloaded = 364;
inline constexpr int InvalidPicture = 481;
inline constexpr int NoDisplay = 1001;
} // namespace err

[[noreturn]] void raise(int number, const std::string &description);

// Ends the program with the error's message: a line on stderr, and a message box
// where the window system can show one. Exit status 1; never an abort.
[[noreturn]] void fail(const RuntimeError &error);

// Ends the program from inside the window system (the display is gone): the
// line on stderr only, exit status 1.
[[noreturn]] void failWithoutDisplay(const RuntimeError &error);

// Runs an event handler; a run-time error escaping it ends the program.
// Errors never cross the window system's event dispatch.
template <class F> void guarded(F &&handler)
{
    try {
        std::forward<F>(handler)();
    } catch (const RuntimeError &error) {
        fail(error);
    } catch (const std::bad_alloc &) {
        fail(RuntimeError(err::OutOfMemory, "Out of memory"));
    } catch (const std::exception &other) {
        fail(RuntimeError(err::Internal, other.what()));
    }
}

} // namespace engine
