#include "host/MatlabData.hpp"

#include "host/ArrayData.hpp"

#include <cmath>
#include <limits>
#include <type_traits>

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

const String& MATLABString::operator*() const {
    if (!text_) throw MissingStringException();
    return *text_;
}

MATLABString::operator std::string() const { return toAsciiText(**this); }

namespace detail {

ArrayDimensions normalised(ArrayDimensions dims) {
    while (dims.size() < 2) dims.push_back(1);
    while (dims.size() > 2 && dims.back() == 1) dims.pop_back();
    return dims;
}

std::size_t elementCount(const ArrayDimensions& dims) {
    std::size_t count = 1;
    for (std::size_t d : dims)
        if (__builtin_mul_overflow(count, d, &count))
            throw InvalidArrayDataException("The array dimensions are too large");
    return count;
}

const ArrayData& ArrayAccess::data(const Array& array) {
    static const ArrayData unassigned;
    return array.data_ ? *array.data_ : unassigned;
}

}  // namespace detail

using detail::ArrayAccess;
using detail::ArrayData;
using detail::Elements;

// ---- Array

Array::Array() = default;
Array::Array(std::shared_ptr<ArrayData> data) : data_(std::move(data)) {}

ArrayType Array::getType() const { return ArrayAccess::data(*this).type; }
const std::string& Array::getClassName() const { return ArrayAccess::data(*this).className; }
ArrayDimensions Array::getDimensions() const { return ArrayAccess::data(*this).dims; }
std::size_t Array::getNumberOfElements() const { return detail::elementCount(getDimensions()); }
ArrayElementRef Array::operator[](std::size_t index) const { return ArrayElementRef(*this, index); }

ArrayData& Array::mutableData() {
    if (!data_)
        data_ = std::make_shared<ArrayData>();
    else if (data_.use_count() > 1)
        data_ = std::make_shared<ArrayData>(*data_);
    return *data_;
}

// ---- ArrayElementRef

namespace {

template <typename Target, typename Source>
Target convertNumber(Source value) {
    if constexpr (std::is_same_v<Target, bool>) {
        return value != 0;
    } else if constexpr (std::is_floating_point_v<Target> || std::is_same_v<Source, bool>) {
        return static_cast<Target>(value);
    } else {
        // MATLAB's conversion to an integer class: rounded half away from zero,
        // saturated at the limits, NaN becomes 0.
        using Limits = std::numeric_limits<Target>;
        if constexpr (std::is_floating_point_v<Source>) {
            if (std::isnan(value)) return 0;
            double rounded = std::round(value);
            if (rounded >= -static_cast<double>(Limits::min())) return Limits::max();
            if (rounded <= static_cast<double>(Limits::min())) return Limits::min();
            return static_cast<Target>(rounded);
        } else {
            if (value > Limits::max()) return Limits::max();
            if (value < Limits::min()) return Limits::min();
            return static_cast<Target>(value);
        }
    }
}

template <typename T>
constexpr bool isNumberStorage = std::is_same_v<T, Elements<bool>> || std::is_same_v<T, Elements<double>> ||
                                 std::is_same_v<T, Elements<std::int32_t>> ||
                                 std::is_same_v<T, Elements<std::int64_t>>;

template <typename Target>
Target readNumber(const Array& array, std::size_t index) {
    if (index >= array.getNumberOfElements()) throw InvalidArrayIndexException();
    return std::visit(
        [index](const auto& elements) -> Target {
            if constexpr (isNumberStorage<std::decay_t<decltype(elements)>>)
                return convertNumber<Target>(elements.begin()[index]);
            else
                throw TypeMismatchException();
        },
        ArrayAccess::data(array).elements);
}

}  // namespace

ArrayElementRef::operator bool() const { return readNumber<bool>(array_, index_); }
ArrayElementRef::operator double() const { return readNumber<double>(array_, index_); }
ArrayElementRef::operator std::int32_t() const { return readNumber<std::int32_t>(array_, index_); }
ArrayElementRef::operator std::int64_t() const { return readNumber<std::int64_t>(array_, index_); }

ArrayElementRef::operator MATLABString() const {
    if (index_ >= array_.getNumberOfElements()) throw InvalidArrayIndexException();
    const auto* strings = std::get_if<Elements<MATLABString>>(&ArrayAccess::data(array_).elements);
    if (!strings) throw TypeMismatchException();
    return strings->begin()[index_];
}

ArrayElementRef::operator std::string() const { return std::string(MATLABString(*this)); }

// ---- Struct and Object

namespace {

template <typename Named>
auto findNamed(Named& entries, std::string_view name) -> decltype(&entries.front()) {
    for (auto& entry : entries)
        if (entry.first == name) return &entry;
    return nullptr;
}

Array emptyDouble() { return ArrayFactory().createArray<double>({0, 0}); }

}  // namespace

Struct::Struct(const std::vector<std::string>& fieldNames) {
    for (const std::string& name : fieldNames) fields_.emplace_back(name, emptyDouble());
}

const Array& Struct::operator[](std::string_view field) const {
    if (const auto* entry = findNamed(fields_, field)) return entry->second;
    throw InvalidFieldNameException(field);
}

Array& Struct::operator[](std::string_view field) {
    if (auto* entry = findNamed(fields_, field)) return entry->second;
    throw InvalidFieldNameException(field);
}

Object::Object(std::string className, std::vector<std::pair<std::string, Array>> properties)
    : className_(std::move(className)) {
    for (auto& [name, value] : properties) setProperty(name, std::move(value));
}

const Array* Object::findProperty(std::string_view name) const {
    const auto* entry = findNamed(properties_, name);
    return entry ? &entry->second : nullptr;
}

void Object::setProperty(std::string_view name, Array value) {
    if (auto* entry = findNamed(properties_, name))
        entry->second = std::move(value);
    else
        properties_.emplace_back(std::string(name), std::move(value));
}

// ---- TypedArray

template <typename T>
TypedArray<T>::TypedArray(const Array& array) : Array(array) {
    ArrayAccess::elements<T>(*this);
}

template <typename T>
TypedArray<T>::TypedArray(Array&& array) : Array(std::move(array)) {
    ArrayAccess::elements<T>(*this);
}

template <typename T>
T& TypedArray<T>::operator[](std::size_t index) {
    if (index >= getNumberOfElements()) throw InvalidArrayIndexException();
    return begin()[index];
}

template <typename T>
const T& TypedArray<T>::operator[](std::size_t index) const {
    return ArrayAccess::element<T>(*this, index);
}

template <typename T>
T* TypedArray<T>::begin() {
    return std::get<Elements<T>>(mutableData().elements).begin();
}

template <typename T>
T* TypedArray<T>::end() {
    return std::get<Elements<T>>(mutableData().elements).end();
}

template <typename T>
const T* TypedArray<T>::begin() const {
    return ArrayAccess::elements<T>(*this).begin();
}

template <typename T>
const T* TypedArray<T>::end() const {
    return ArrayAccess::elements<T>(*this).end();
}

template <typename T>
std::string TypedArray<T>::toAscii() const requires std::same_as<T, char16_t> {
    return toAsciiText(toUTF16());
}

template <typename T>
String TypedArray<T>::toUTF16() const requires std::same_as<T, char16_t> {
    return String(begin(), end());
}

template <typename T>
std::vector<std::string> TypedArray<T>::getFieldNames() const requires std::same_as<T, Struct> {
    return ArrayAccess::data(*this).fieldNames;
}

template <typename T>
const EnumerationClass& TypedArray<T>::getEnumerationClass() const requires std::same_as<T, Enumeration> {
    return *ArrayAccess::data(*this).enumClass;
}

template class TypedArray<bool>;
template class TypedArray<double>;
template class TypedArray<std::int32_t>;
template class TypedArray<std::int64_t>;
template class TypedArray<char16_t>;
template class TypedArray<MATLABString>;
template class TypedArray<Struct>;
template class TypedArray<Object>;
template class TypedArray<Enumeration>;

// ---- ArrayFactory

namespace {

struct PlainKind {
    ArrayType type;
    const char* className;
};

template <typename T>
constexpr PlainKind plainKind() {
    if constexpr (std::is_same_v<T, bool>) return {ArrayType::LOGICAL, "logical"};
    if constexpr (std::is_same_v<T, double>) return {ArrayType::DOUBLE, "double"};
    if constexpr (std::is_same_v<T, std::int32_t>) return {ArrayType::INT32, "int32"};
    if constexpr (std::is_same_v<T, std::int64_t>) return {ArrayType::INT64, "int64"};
    if constexpr (std::is_same_v<T, char16_t>) return {ArrayType::CHAR, "char"};
    if constexpr (std::is_same_v<T, MATLABString>) return {ArrayType::MATLAB_STRING, "string"};
}

template <typename T>
TypedArray<T> makePlain(ArrayDimensions dims, Elements<T> elements) {
    constexpr PlainKind kind = plainKind<T>();
    return ArrayAccess::make(detail::newArrayData(kind.type, kind.className, std::move(dims), std::move(elements)));
}

}  // namespace

template <PlainElement T>
TypedArray<T> ArrayFactory::createArray(ArrayDimensions dims) const {
    std::size_t count = detail::elementCount(detail::normalised(dims));
    return makePlain(std::move(dims), Elements<T>(count));
}

template <PlainElement T>
TypedArray<T> ArrayFactory::createArray(ArrayDimensions dims, std::vector<T> elements) const {
    return makePlain(std::move(dims), Elements<T>(std::move(elements)));
}

template <PlainElement T>
TypedArray<T> ArrayFactory::createArrayFromBuffer(ArrayDimensions dims, std::unique_ptr<T[]> buffer) const {
    std::size_t count = detail::elementCount(detail::normalised(dims));
    if (!buffer && count > 0) throw InvalidArrayDataException("No buffer was given for the elements");
    return makePlain(std::move(dims), Elements<T>(std::move(buffer), count));
}

template <ScalarElement T>
TypedArray<T> ArrayFactory::createScalar(const T& value) const {
    return createArray<T>({1, 1}, std::vector<T>{value});
}

#define DROVA_PLAIN_FACTORY(T)                                                                       \
    template TypedArray<T> ArrayFactory::createArray<T>(ArrayDimensions) const;                      \
    template TypedArray<T> ArrayFactory::createArray<T>(ArrayDimensions, std::vector<T>) const;      \
    template TypedArray<T> ArrayFactory::createArrayFromBuffer<T>(ArrayDimensions, std::unique_ptr<T[]>) const;
DROVA_PLAIN_FACTORY(bool)
DROVA_PLAIN_FACTORY(double)
DROVA_PLAIN_FACTORY(std::int32_t)
DROVA_PLAIN_FACTORY(std::int64_t)
DROVA_PLAIN_FACTORY(char16_t)
DROVA_PLAIN_FACTORY(MATLABString)
#undef DROVA_PLAIN_FACTORY
template TypedArray<bool> ArrayFactory::createScalar<bool>(const bool&) const;
template TypedArray<double> ArrayFactory::createScalar<double>(const double&) const;
template TypedArray<std::int32_t> ArrayFactory::createScalar<std::int32_t>(const std::int32_t&) const;
template TypedArray<std::int64_t> ArrayFactory::createScalar<std::int64_t>(const std::int64_t&) const;

StringArray ArrayFactory::createScalar(const MATLABString& text) const {
    return createArray<MATLABString>({1, 1}, std::vector<MATLABString>{text});
}
StringArray ArrayFactory::createScalar(const String& text) const { return createScalar(MATLABString(text)); }
StringArray ArrayFactory::createScalar(const char16_t* text) const { return createScalar(MATLABString(text)); }
StringArray ArrayFactory::createScalar(const std::string& text) const { return createScalar(toUtf16Text(text)); }
StringArray ArrayFactory::createScalar(const char* text) const { return createScalar(toUtf16Text(text)); }

ObjectArray ArrayFactory::createScalar(const Object& object) const {
    return createObjectArray({1, 1}, object.getClassName(), {object});
}

CharArray ArrayFactory::createCharArray(std::string_view text) const { return createCharArray(toUtf16Text(text)); }

CharArray ArrayFactory::createCharArray(const String& text) const {
    return createArray<char16_t>({1, text.size()}, std::vector<char16_t>(text.begin(), text.end()));
}

StructArray ArrayFactory::createStructArray(ArrayDimensions dims, std::vector<std::string> fieldNames) const {
    for (std::size_t i = 0; i < fieldNames.size(); ++i)
        for (std::size_t j = 0; j < i; ++j)
            if (fieldNames[i] == fieldNames[j])
                throw InvalidArrayDataException("Duplicate field name '" + fieldNames[i] + "'");
    std::size_t count = detail::elementCount(detail::normalised(dims));
    Elements<Struct> elements(std::vector<Struct>(count, Struct(fieldNames)));
    auto data = detail::newArrayData(ArrayType::STRUCT, "struct", std::move(dims), std::move(elements));
    data->fieldNames = std::move(fieldNames);
    return ArrayAccess::make(std::move(data));
}

ObjectArray ArrayFactory::createObjectArray(ArrayDimensions dims, std::string className,
                                            std::vector<Object> objects) const {
    for (const Object& object : objects)
        if (object.getClassName() != className)
            throw InvalidArrayDataException("An object of class '" + object.getClassName() +
                                            "' cannot be an element of an array of class '" + className + "'");
    return ArrayAccess::make(detail::newArrayData(ArrayType::OBJECT, std::move(className), std::move(dims),
                                                  Elements<Object>(std::move(objects))));
}

EnumArray ArrayFactory::createEnumArray(ArrayDimensions dims, EnumerationClass enumClass,
                                        const std::vector<std::string>& memberNames) const {
    std::vector<Enumeration> members;
    for (const std::string& name : memberNames) {
        const auto* member = findNamed(enumClass.members, name);
        if (!member)
            throw InvalidArrayDataException("'" + name + "' is not a member of the enumeration class '" +
                                            enumClass.name + "'");
        members.emplace_back(member->first, member->second);
    }
    std::string className = enumClass.name;
    auto data = detail::newArrayData(ArrayType::ENUM, std::move(className), std::move(dims),
                                     Elements<Enumeration>(std::move(members)));
    data->enumClass = std::make_shared<const EnumerationClass>(std::move(enumClass));
    return ArrayAccess::make(std::move(data));
}

}  // namespace matlab::data

std::string toAsciiText(std::u16string_view text) {
    std::string ascii;
    ascii.reserve(text.size());
    for (char16_t c : text) {
        if (c > 0x7F) throw matlab::data::NonAsciiCharInInputDataException();
        ascii.push_back(static_cast<char>(c));
    }
    return ascii;
}

std::u16string toUtf16Text(std::string_view ascii) {
    std::u16string text;
    text.reserve(ascii.size());
    for (char c : ascii) {
        if (static_cast<unsigned char>(c) > 0x7F) throw matlab::data::NonAsciiCharInInputDataException();
        text.push_back(static_cast<char16_t>(c));
    }
    return text;
}
