#pragma once

#include <QString>
#include <exception>

namespace amb {

// The program's one run-time error: a number and a description a user can act on.
// Every command that owns an error report turns it into that report.
class RunTimeError : public std::exception {
public:
    RunTimeError(int number, QString description)
        : number_(number), description_(std::move(description)), utf8_(description_.toUtf8()) {}
    int number() const noexcept { return number_; }
    const QString& description() const noexcept { return description_; }
    const char* what() const noexcept override { return utf8_.constData(); }

private:
    int number_;
    QString description_;
    QByteArray utf8_;
};

// Thrown by "let pending events run" once the window has closed during a long
// command: the command stops where it is and the program ends. It is no
// std::exception, so no error report catches it; Form1's handlers do.
struct ProgramEnding {};

// Error numbers the program raises itself. The report shows the description; the
// number tells callers and tests which kind of failure it was.
namespace err {
inline constexpr int InvalidProcedureCall = 5;
inline constexpr int Overflow = 6;
inline constexpr int DivisionByZero = 11;
inline constexpr int TypeMismatch = 13;
inline constexpr int FileNotFound = 53;
inline constexpr int PathNotFound = 76;
inline constexpr int DeviceIO = 57;
inline constexpr int PermissionDenied = 70;
inline constexpr int ObjectNotSet = 91;
inline constexpr int InvalidPropertyValue = 380;
inline constexpr int CannotCreateObject = 429;
inline constexpr int IndexOutOfBounds = 35600;
inline constexpr int DatabaseError = 3000;
} // namespace err

} // namespace amb
