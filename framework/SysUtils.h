// framework/SysUtils.h
// The framework's exception classes and small portable helpers. No <windows.h> here:
// this file is compiled natively too.
#pragma once

#include <exception>
#include <string>
#include <string_view>
#include <vector>

// The run-time library's base exception: a message and nothing else.
class Exception : public std::exception {
public:
    explicit Exception(std::string message) : FMessage(std::move(message)) {}
    const std::string& Message() const noexcept { return FMessage; }
    void SetMessage(std::string message) { FMessage = std::move(message); }
    const char* what() const noexcept override { return FMessage.c_str(); }

private:
    std::string FMessage;
};

// Misuse of an object: wrong owner, wrong parent, operation in the wrong state.
class EInvalidOperation : public Exception {
public:
    using Exception::Exception;
};

// A system resource (timer, window, GDI object) could not be had.
class EOutOfResources : public Exception {
public:
    using Exception::Exception;
};

// Form description errors. Every reader error names the line it found the fault on
// (0 where no line applies, such as a missing resource) and, where one is involved,
// the property.
class EReadError : public Exception {
public:
    EReadError(int line, std::string property, std::string_view what);
    int Line() const noexcept { return FLine; }
    const std::string& Property() const noexcept { return FProperty; }

private:
    int FLine;
    std::string FProperty;
};

// The text of a form description is not well formed (bad token, truncated file).
class EParserError : public EReadError {
public:
    using EReadError::EReadError;
};

// A well-formed description names a class nobody registered.
class EClassNotFound : public EReadError {
public:
    using EReadError::EReadError;
};

// Decimal text of a number.
std::string IntToStr(long long value);

// Equal apart from the case of ASCII letters: how identifiers, property and class names
// compare.
bool SameText(std::string_view a, std::string_view b);

// A command line split into its arguments as the program's parameters are counted: blanks
// and control characters separate them, double quotes group blanks into one and are
// dropped. The first element is the program as written.
std::vector<std::string> SplitParams(std::string_view commandLine);
