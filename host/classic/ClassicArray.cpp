#include "host/classic/ClassicArray.hpp"

#include "host/classic/ClassicRuntime.hpp"

#include <algorithm>
#include <memory>
#include <utility>

namespace drova {

namespace md = matlab::data;

namespace {

std::vector<std::unique_ptr<ClassicArray>>& createdArrays() {
    static std::vector<std::unique_ptr<ClassicArray>> arrays;
    return arrays;
}

ClassicArray* keep(std::unique_ptr<ClassicArray> array) {
    createdArrays().push_back(std::move(array));
    return createdArrays().back().get();
}

template <typename T>
const T* elementsOf(const md::Array& value) {
    // A const view reads the shared elements without copying them.
    const md::TypedArray<T> typed(value);
    return typed.begin();
}

}  // namespace

ClassicArray::ClassicArray(md::Array value) : value_(std::move(value)) {}

ClassicArray::~ClassicArray() { classicFree(buffer_); }

ClassicArray::ClassicArray(ClassicArray&& other) noexcept
    : value_(std::move(other.value_)),
      built_(other.built_),
      buffer_(std::exchange(other.buffer_, nullptr)),
      rows_(other.rows_),
      columns_(other.columns_) {}

ClassicArray& ClassicArray::operator=(ClassicArray&& other) noexcept {
    if (this != &other) {
        classicFree(buffer_);
        value_ = std::move(other.value_);
        built_ = other.built_;
        buffer_ = std::exchange(other.buffer_, nullptr);
        rows_ = other.rows_;
        columns_ = other.columns_;
    }
    return *this;
}

const std::string& ClassicArray::className() const {
    static const std::string doubleClass = "double";
    return built_ ? doubleClass : value_.getClassName();
}

std::vector<std::int64_t> ClassicArray::dimensions() const {
    if (built_) return {rows_, columns_};
    std::vector<std::int64_t> dims;
    for (std::size_t extent : value_.getDimensions()) dims.push_back(static_cast<std::int64_t>(extent));
    return dims;
}

std::int64_t ClassicArray::numberOfElements() const {
    return built_ ? rows_ * columns_ : static_cast<std::int64_t>(value_.getNumberOfElements());
}

std::vector<std::string> ClassicArray::fieldNames() const { return md::StructArray(value_).getFieldNames(); }

ClassicArray ClassicArray::field(std::int64_t index, std::string_view name) const {
    const md::StructArray structs(value_);
    return ClassicArray(structs[static_cast<std::size_t>(index)][name]);
}

const double* ClassicArray::doubles() const { return built_ ? buffer_ : elementsOf<double>(value_); }
const std::int64_t* ClassicArray::int64s() const { return elementsOf<std::int64_t>(value_); }
const std::int32_t* ClassicArray::int32s() const { return elementsOf<std::int32_t>(value_); }
const bool* ClassicArray::logicals() const { return elementsOf<bool>(value_); }
const char16_t* ClassicArray::chars() const { return elementsOf<char16_t>(value_); }

std::string ClassicArray::asciiText(std::string_view path) const {
    const char16_t* text = chars();
    std::string ascii;
    for (std::int64_t i = 0; i < numberOfElements(); ++i) {
        if (text[i] > 0x7F) classicRaise(ClassicNonAsciiErrorId, {std::string(path)});
        ascii.push_back(static_cast<char>(text[i]));
    }
    return ascii;
}

bool ClassicArray::isEnumeration() const { return !built_ && value_.getType() == md::ArrayType::ENUM; }

std::vector<ClassicEnumerationMember> ClassicArray::enumerationMembers() const {
    std::vector<ClassicEnumerationMember> members;
    for (const auto& [name, value] : md::EnumArray(value_).getEnumerationClass().members)
        members.push_back({name, value});
    return members;
}

std::int64_t ClassicArray::enumerationValue(std::int64_t index) const {
    const md::EnumArray members(value_);
    return members[static_cast<std::size_t>(index)].getValue();
}

ClassicArray ClassicArray::property(std::int64_t index, std::string_view name) const {
    const md::ObjectArray objects(value_);
    const md::Array* found = objects[static_cast<std::size_t>(index)].findProperty(name);
    if (found == nullptr) classicRaise(ClassicPropertyErrorId, {std::string(name), className()});
    return ClassicArray(*found);
}

void ClassicArray::setDoubleData(double* buffer) {
    if (buffer != buffer_) classicFree(buffer_);
    buffer_ = buffer;
}

void ClassicArray::setDimensions(std::int64_t rows, std::int64_t columns) {
    rows_ = rows;
    columns_ = columns;
}

md::Array ClassicArray::hostValue() const {
    if (!built_) return value_;
    const auto count = static_cast<std::size_t>(rows_ * columns_);
    std::vector<double> elements(count, 0.0);
    if (buffer_ != nullptr) std::copy(buffer_, buffer_ + count, elements.begin());
    return md::ArrayFactory().createArray<double>({static_cast<std::size_t>(rows_), static_cast<std::size_t>(columns_)},
                                                  std::move(elements));
}

ClassicArray* classicCreateDoubleMatrix(std::int64_t rows, std::int64_t columns) {
    classicCheckNonNegative(rows);
    classicCheckNonNegative(columns);
    auto array = std::make_unique<ClassicArray>(md::Array());
    array->built_ = true;
    array->rows_ = rows;
    array->columns_ = columns;
    if (rows * columns > 0)
        array->buffer_ = static_cast<double*>(classicCalloc(static_cast<std::size_t>(rows * columns), sizeof(double)));
    return keep(std::move(array));
}

ClassicArray* classicCreateArray(md::Array value) { return keep(std::make_unique<ClassicArray>(std::move(value))); }

void classicDestroyArray(ClassicArray* array) {
    auto& arrays = createdArrays();
    auto found = std::find_if(arrays.begin(), arrays.end(), [&](const auto& a) { return a.get() == array; });
    if (found != arrays.end()) arrays.erase(found);
}

std::size_t classicLiveArrays() { return createdArrays().size(); }

void classicReleaseArraysAfter(std::size_t count) {
    auto& arrays = createdArrays();
    if (arrays.size() > count) arrays.erase(arrays.begin() + static_cast<std::ptrdiff_t>(count), arrays.end());
}

void classicCheckBuiltIn(std::string_view path, const ClassicArray& value, std::string_view className,
                         std::span<const ClassicDimension> size) {
    classicCheckClass(path, className, value.className());
    classicCheckReal(path, value.isComplex());
    classicCheckSize(path, size, value.dimensions());
}

void classicCheckStruct(std::string_view path, const ClassicArray& value, std::span<const std::string_view> fields,
                        std::span<const ClassicDimension> size) {
    classicCheckClass(path, "struct", value.className());
    classicCheckSize(path, size, value.dimensions());
    classicCheckFields(path, fields, value.fieldNames());
}

void classicCheckEnumerationValue(std::string_view path, const ClassicArray& value, std::string_view className,
                                  std::span<const ClassicEnumerationMember> members,
                                  std::span<const ClassicDimension> size) {
    if (value.isEnumeration() && value.className() == className)
        classicCheckEnumeration(path, className, members, value.enumerationMembers());
    classicCheckClass(path, className, value.className());
    classicCheckSize(path, size, value.dimensions());
}

ClassicArray classicConvertToStringClass(std::string_view path, const ClassicArray& value) {
    static constexpr ClassicDimension scalar[] = {classicFixed(1), classicFixed(1)};
    classicCheckClass(path, "string", value.className());
    classicCheckSize(path, scalar, value.dimensions());
    const md::StringArray strings(value.hostValue());
    const md::MATLABString& text = strings[0];
    if (!text.has_value()) classicRaise(ClassicMissingStringErrorId, {std::string(path)});
    md::ArrayFactory factory;
    md::Object converted(std::string(ClassicStringClass), {{"Value", factory.createCharArray(*text)}});
    return ClassicArray(factory.createScalar(converted));
}

}  // namespace drova
