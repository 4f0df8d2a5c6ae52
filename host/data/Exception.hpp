#pragma once
// The errors of the host's data layer. matlab::Exception is the base of every error the
// host's data and engine layers raise; what() is the message.

#include "host/HostApi.hpp"

#include <exception>
#include <string>
#include <string_view>

namespace matlab {

class DROVA_HOST_API Exception : public std::exception {
public:
    explicit Exception(std::string message);
    ~Exception() override;
    const char* what() const noexcept override;

private:
    std::string message_;
};

}  // namespace matlab

namespace matlab::data {

// "Can't convert the Array to this TypedArray"
class DROVA_HOST_API InvalidArrayTypeException : public Exception {
public:
    InvalidArrayTypeException();
    ~InvalidArrayTypeException() override;
};

// "Array index is invalid."
class DROVA_HOST_API InvalidArrayIndexException : public Exception {
public:
    InvalidArrayIndexException();
    ~InvalidArrayIndexException() override;
};

// "Can't convert this element"
class DROVA_HOST_API TypeMismatchException : public Exception {
public:
    TypeMismatchException();
    ~TypeMismatchException() override;
};

// "Missing string"
class DROVA_HOST_API MissingStringException : public Exception {
public:
    MissingStringException();
    ~MissingStringException() override;
};

// "Input data can only contain ASCII characters"
class DROVA_HOST_API NonAsciiCharInInputDataException : public Exception {
public:
    NonAsciiCharInInputDataException();
    ~NonAsciiCharInInputDataException() override;
};

// A struct field that the struct does not have.
class DROVA_HOST_API InvalidFieldNameException : public Exception {
public:
    explicit InvalidFieldNameException(std::string_view field);
    ~InvalidFieldNameException() override;
};

// Data that cannot make the array asked for: an element count that does not match the
// dimensions, an enumeration member the class lacks, an object of another class.
class DROVA_HOST_API InvalidArrayDataException : public Exception {
public:
    explicit InvalidArrayDataException(std::string message);
    ~InvalidArrayDataException() override;
};

}  // namespace matlab::data
