#include "host/data/Exception.hpp"

namespace matlab {

Exception::Exception(std::string message) : message_(std::move(message)) {}
Exception::~Exception() = default;
const char* Exception::what() const noexcept { return message_.c_str(); }

}  // namespace matlab

namespace matlab::data {

InvalidArrayTypeException::InvalidArrayTypeException() : Exception("Can't convert the Array to this TypedArray") {}
InvalidArrayTypeException::~InvalidArrayTypeException() = default;
InvalidArrayIndexException::InvalidArrayIndexException() : Exception("Array index is invalid.") {}
InvalidArrayIndexException::~InvalidArrayIndexException() = default;
TypeMismatchException::TypeMismatchException() : Exception("Can't convert this element") {}
TypeMismatchException::~TypeMismatchException() = default;
MissingStringException::MissingStringException() : Exception("Missing string") {}
MissingStringException::~MissingStringException() = default;
NonAsciiCharInInputDataException::NonAsciiCharInInputDataException()
    : Exception("Input data can only contain ASCII characters") {}
NonAsciiCharInInputDataException::~NonAsciiCharInInputDataException() = default;
InvalidFieldNameException::InvalidFieldNameException(std::string_view field)
    : Exception("Reference to non-existent field '" + std::string(field) + "'.") {}
InvalidFieldNameException::~InvalidFieldNameException() = default;
InvalidArrayDataException::InvalidArrayDataException(std::string message) : Exception(std::move(message)) {}
InvalidArrayDataException::~InvalidArrayDataException() = default;

}  // namespace matlab::data
