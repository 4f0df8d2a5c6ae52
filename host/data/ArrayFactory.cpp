#include "host/data/ArrayFactory.hpp"

#include "host/data/ArrayData.hpp"
#include "host/data/Text.hpp"

#include <type_traits>

namespace matlab::data {

using detail::ArrayAccess;
using detail::Elements;
using detail::findNamed;

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
StringArray ArrayFactory::createScalar(const std::string& text) const {
    return createScalar(drova::toUtf16Text(text));
}
StringArray ArrayFactory::createScalar(const char* text) const { return createScalar(drova::toUtf16Text(text)); }

ObjectArray ArrayFactory::createScalar(const Object& object) const {
    return createObjectArray({1, 1}, object.getClassName(), {object});
}

CharArray ArrayFactory::createCharArray(std::string_view text) const {
    return createCharArray(drova::toUtf16Text(text));
}

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
