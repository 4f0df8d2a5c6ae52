#pragma once
// The host's arrays: the values that pass between the host and the extension modules.
// Class names, shapes and element kinds behave as MATLAB's own: double, logical, int32,
// int64, char, string (with missing values), struct, objects of a named class,
// enumeration members and sym values (see host/Sym.hpp). Text is 16-bit inside and
// 8-bit ASCII at the boundary.
//
// An Array is a value: copies share their elements until one of them is changed.

#include "host/HostApi.hpp"

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace matlab {

// Base of every error the host's data and engine layers raise; what() is the message.
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

enum class ArrayType { UNKNOWN, LOGICAL, CHAR, DOUBLE, INT32, INT64, MATLAB_STRING, STRUCT, OBJECT, ENUM, SYM };

// At least two dimensions; trailing singleton dimensions beyond the second are dropped.
using ArrayDimensions = std::vector<std::size_t>;
using String = std::u16string;

// One element of a string array: text, or MATLAB's missing value.
class DROVA_HOST_API MATLABString {
public:
    MATLABString() = default;  // missing
    MATLABString(String text) : text_(std::move(text)) {}
    MATLABString(const char16_t* text) : text_(String(text)) {}

    bool has_value() const { return text_.has_value(); }
    // The text; "Missing string" when missing.
    const String& operator*() const;
    const String* operator->() const { return &**this; }
    // The text as 8-bit ASCII: "Missing string" when missing, "Input data can only
    // contain ASCII characters" for any other character.
    operator std::string() const;

    friend bool operator==(const MATLABString&, const MATLABString&) = default;

private:
    std::optional<String> text_;
};

namespace detail {
struct ArrayData;
struct ArrayAccess;
}  // namespace detail

class ArrayElementRef;

class DROVA_HOST_API Array {
public:
    // An unassigned value (type UNKNOWN, no class, 0-by-0); typed views of it fail.
    Array();
    ArrayType getType() const;
    // "double", "logical", "int32", "int64", "char", "string", "struct", "sym", or the
    // class of an object or enumeration array.
    const std::string& getClassName() const;
    ArrayDimensions getDimensions() const;
    std::size_t getNumberOfElements() const;
    bool isEmpty() const { return getNumberOfElements() == 0; }
    // Element `index` (column-major), converted when it is read.
    ArrayElementRef operator[](std::size_t index) const;

protected:
    explicit Array(std::shared_ptr<detail::ArrayData> data);
    // Gives this value its own elements before it is changed.
    detail::ArrayData& mutableData();
    std::shared_ptr<detail::ArrayData> data_;

    friend struct detail::ArrayAccess;
};

// An element of an untyped array, read as the type it is converted to. Logical and real
// numeric elements convert to each other (to an integer: rounded, saturated); strings
// convert to text. Anything else fails with "Can't convert this element", and an index
// past the end with "Array index is invalid.".
class DROVA_HOST_API ArrayElementRef {
public:
    ArrayElementRef(Array array, std::size_t index) : array_(std::move(array)), index_(index) {}
    operator bool() const;
    operator double() const;
    operator std::int32_t() const;
    operator std::int64_t() const;
    operator MATLABString() const;
    operator std::string() const;  // as MATLABString's

private:
    Array array_;
    std::size_t index_;
};

// One element of a struct array: its fields in order.
class DROVA_HOST_API Struct {
public:
    Struct() = default;
    explicit Struct(const std::vector<std::string>& fieldNames);  // every field []
    // The field's value; InvalidFieldNameException for a field the struct lacks.
    const Array& operator[](std::string_view field) const;
    Array& operator[](std::string_view field);
    const std::vector<std::pair<std::string, Array>>& fields() const { return fields_; }

private:
    std::vector<std::pair<std::string, Array>> fields_;
};

// One element of an object array: an object of a named class with named properties.
class DROVA_HOST_API Object {
public:
    Object() = default;
    explicit Object(std::string className, std::vector<std::pair<std::string, Array>> properties = {});
    const std::string& getClassName() const { return className_; }
    // The property's value, or null when the object has no such property.
    const Array* findProperty(std::string_view name) const;
    // Replaces the property's value, or adds the property.
    void setProperty(std::string_view name, Array value);
    const std::vector<std::pair<std::string, Array>>& properties() const { return properties_; }

private:
    std::string className_;
    std::vector<std::pair<std::string, Array>> properties_;
};

// An enumeration class: its name and its members with their integer values, in order.
struct DROVA_HOST_API EnumerationClass {
    std::string name;
    std::vector<std::pair<std::string, std::int64_t>> members;
};

// One element of an enumeration array: a member of the array's class.
class DROVA_HOST_API Enumeration {
public:
    Enumeration() = default;
    Enumeration(std::string name, std::int64_t value) : name_(std::move(name)), value_(value) {}
    const std::string& getName() const { return name_; }
    std::int64_t getValue() const { return value_; }
    operator std::string() const { return name_; }  // the member name
    friend bool operator==(const Enumeration&, const Enumeration&) = default;

private:
    std::string name_;
    std::int64_t value_ = 0;
};

// A view of an array whose elements have type T. Making one from an array of another
// kind fails with "Can't convert the Array to this TypedArray". The non-const accessors
// first give the view its own elements (copy on write); a reference they return stays
// valid until the view is next copied or assigned.
template <typename T>
class DROVA_HOST_API TypedArray : public Array {
public:
    TypedArray(const Array& array);
    TypedArray(Array&& array);
    // Element `index` (column-major); "Array index is invalid." past the end.
    T& operator[](std::size_t index);
    const T& operator[](std::size_t index) const;
    T* begin();
    T* end();
    const T* begin() const;
    const T* end() const;

    // Char arrays: the text, ASCII-checked or as is.
    std::string toAscii() const requires std::same_as<T, char16_t>;
    String toUTF16() const requires std::same_as<T, char16_t>;
    // Struct arrays: the field names in order.
    std::vector<std::string> getFieldNames() const requires std::same_as<T, Struct>;
    // Enumeration arrays: the class of the members.
    const EnumerationClass& getEnumerationClass() const requires std::same_as<T, Enumeration>;
};

extern template class TypedArray<bool>;
extern template class TypedArray<double>;
extern template class TypedArray<std::int32_t>;
extern template class TypedArray<std::int64_t>;
extern template class TypedArray<char16_t>;
extern template class TypedArray<MATLABString>;
extern template class TypedArray<Struct>;
extern template class TypedArray<Object>;
extern template class TypedArray<Enumeration>;

using CharArray = TypedArray<char16_t>;
using StringArray = TypedArray<MATLABString>;
using StructArray = TypedArray<Struct>;
using ObjectArray = TypedArray<Object>;
using EnumArray = TypedArray<Enumeration>;

template <typename T>
concept ScalarElement = std::same_as<T, bool> || std::same_as<T, double> || std::same_as<T, std::int32_t> ||
                        std::same_as<T, std::int64_t>;
template <typename T>
concept PlainElement = ScalarElement<T> || std::same_as<T, char16_t> || std::same_as<T, MATLABString>;

// Creates arrays. Element counts must match the dimensions.
class DROVA_HOST_API ArrayFactory {
public:
    // Zeros, false, NUL characters or missing strings.
    template <PlainElement T>
    TypedArray<T> createArray(ArrayDimensions dims) const;
    template <PlainElement T>
    TypedArray<T> createArray(ArrayDimensions dims, std::vector<T> elements) const;
    template <PlainElement T>
    TypedArray<T> createArray(ArrayDimensions dims, std::initializer_list<T> elements) const {
        return createArray<T>(std::move(dims), std::vector<T>(elements));
    }
    // Takes over a buffer of n elements, n the product of the dimensions.
    template <PlainElement T>
    TypedArray<T> createArrayFromBuffer(ArrayDimensions dims, std::unique_ptr<T[]> buffer) const;

    template <ScalarElement T>
    TypedArray<T> createScalar(const T& value) const;
    // String scalars; 8-bit text must be ASCII ("Input data can only contain ASCII characters").
    StringArray createScalar(const String& text) const;
    StringArray createScalar(const char16_t* text) const;
    StringArray createScalar(const MATLABString& text) const;
    StringArray createScalar(const std::string& text) const;
    StringArray createScalar(const char* text) const;
    // A 1-by-1 object array holding the object.
    ObjectArray createScalar(const Object& object) const;

    // A 1-by-n character row; 8-bit text must be ASCII.
    CharArray createCharArray(std::string_view text) const;
    CharArray createCharArray(const String& text) const;

    // Every field of every element is [] (a 0-by-0 double).
    StructArray createStructArray(ArrayDimensions dims, std::vector<std::string> fieldNames) const;
    // Every element must be an object of class `className`.
    ObjectArray createObjectArray(ArrayDimensions dims, std::string className, std::vector<Object> objects) const;
    // Members given by name; each must belong to the class.
    EnumArray createEnumArray(ArrayDimensions dims, EnumerationClass enumClass,
                              const std::vector<std::string>& memberNames) const;
};

}  // namespace matlab::data

// MATLAB's 16-bit text to 8-bit ASCII and back; any character outside ASCII fails with
// "Input data can only contain ASCII characters".
DROVA_HOST_API std::string toAsciiText(std::u16string_view text);
DROVA_HOST_API std::u16string toUtf16Text(std::string_view ascii);
