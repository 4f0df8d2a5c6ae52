#pragma once
// The classic interface's view of the host's values: what a module entered
// through mexFunction reads of its inputs (class name, dimensions, fields and
// their values, numeric data, enumeration members, object properties) and the
// double matrices it creates for its outputs.
//
// Every ClassicArray a module receives or creates belongs to the host. Inputs
// live for the call. Arrays the module creates (classicCreateDoubleMatrix,
// classicCreateArray) are freed by the host when the call that created them
// ends, apart from those handed back as outputs, whose values the host keeps;
// one created outside any call is freed with classicDestroyArray.

#include "host/MatlabData.hpp"
#include "host/classic/ClassicChecks.hpp"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace drova {

class ClassicArray;
ClassicArray* classicCreateDoubleMatrix(std::int64_t rows, std::int64_t columns);

class ClassicArray {
public:
    // A view of a host value.
    explicit ClassicArray(matlab::data::Array value);
    ~ClassicArray();
    ClassicArray(ClassicArray&& other) noexcept;
    ClassicArray& operator=(ClassicArray&& other) noexcept;
    ClassicArray(const ClassicArray&) = delete;
    ClassicArray& operator=(const ClassicArray&) = delete;

    // "double", "int64", "logical", "char", "string", "struct", or the class of
    // an object or enumeration.
    const std::string& className() const;
    // At least two dimensions.
    std::vector<std::int64_t> dimensions() const;
    std::int64_t numberOfElements() const;
    // The host holds no complex values.
    bool isComplex() const { return false; }

    // Structures: the field names in order, and the value of a field of
    // element `index` (0-based, column-major).
    std::vector<std::string> fieldNames() const;
    ClassicArray field(std::int64_t index, std::string_view name) const;

    // The elements of a numeric, logical or character array (column-major);
    // the array's class must match. Valid while this view lives.
    const double* doubles() const;
    const std::int64_t* int64s() const;
    const std::int32_t* int32s() const;
    const bool* logicals() const;
    const char16_t* chars() const;
    // The characters of a char array as 8-bit text; a character outside ASCII
    // ends the call with ClassicNonAsciiErrorId naming path.
    std::string asciiText(std::string_view path) const;

    // Enumerations: the members of the value's class with their values, and
    // the value of element `index`.
    bool isEnumeration() const;
    std::vector<ClassicEnumerationMember> enumerationMembers() const;
    std::int64_t enumerationValue(std::int64_t index) const;

    // Objects: a property of element `index`; ClassicPropertyErrorId naming
    // the property when the object lacks it.
    ClassicArray property(std::int64_t index, std::string_view name) const;

    // Output matrices: takes over a buffer from classicCalloc (freeing any
    // buffer held before) and sets the dimensions. The host copies
    // rows x columns doubles from the buffer when it takes the value.
    void setDoubleData(double* buffer);
    void setDimensions(std::int64_t rows, std::int64_t columns);

    // The host value this array holds or describes.
    matlab::data::Array hostValue() const;

private:
    friend ClassicArray* classicCreateDoubleMatrix(std::int64_t rows, std::int64_t columns);

    matlab::data::Array value_;
    // An output matrix built by a module: its buffer and dimensions.
    bool built_ = false;
    double* buffer_ = nullptr;
    std::int64_t rows_ = 0;
    std::int64_t columns_ = 0;
};

inline constexpr std::string_view ClassicNonAsciiErrorId = "EMLRT:runTime:NonAsciiCharacter";
inline constexpr std::string_view ClassicPropertyErrorId = "EMLRT:runTime:MissingProperty";
inline constexpr std::string_view ClassicMissingStringErrorId = "EMLRT:runTime:MissingString";

// An empty real double matrix (rows x columns zeros) created by the module.
ClassicArray* classicCreateDoubleMatrix(std::int64_t rows, std::int64_t columns);
// A module-created array holding a host value (such as a structure the
// module describes itself with).
ClassicArray* classicCreateArray(matlab::data::Array value);
// Frees an array created by a module before the host would.
void classicDestroyArray(ClassicArray* array);
// Number of module-created arrays not yet freed.
std::size_t classicLiveArrays();
// Frees the module-created arrays newer than the first `count` (the host's
// end of a call that found `count` arrays alive when it began).
void classicReleaseArraysAfter(std::size_t count);

// Checks of an input value at path; each failing check ends the call.
// A built-in value: its class, that it is real, and its size.
void classicCheckBuiltIn(std::string_view path, const ClassicArray& value, std::string_view className,
                         std::span<const ClassicDimension> size);
// A structure: its class, its size and its field names (any order).
void classicCheckStruct(std::string_view path, const ClassicArray& value, std::span<const std::string_view> fields,
                        std::span<const ClassicDimension> size);
// An enumeration value: when the value belongs to className, that class must
// have exactly the expected members; then its class and its size.
void classicCheckEnumerationValue(std::string_view path, const ClassicArray& value, std::string_view className,
                                  std::span<const ClassicEnumerationMember> members,
                                  std::span<const ClassicDimension> size);

// The host's conversion of a string scalar to its run-time string class
// "coder.internal.string", an object whose one property "Value" holds the
// text as a 1-by-n char row. The value must be a string (class check), a
// scalar (size check) and not missing (ClassicMissingStringErrorId), each
// error naming path.
inline constexpr std::string_view ClassicStringClass = "coder.internal.string";
ClassicArray classicConvertToStringClass(std::string_view path, const ClassicArray& value);

}  // namespace drova
