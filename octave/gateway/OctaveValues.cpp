#include "octave/gateway/OctaveValues.hpp"

#include "octave/gateway/OctaveHost.hpp"

#include <algorithm>
#include <cstdint>
#include <type_traits>

namespace drova::gateway {

namespace md = matlab::data;

namespace {

// The hidden property through which each element of a sym array refers to its host value.
constexpr const char* SymbolicReference = "(host value)";
// Octave's stand-in for a sym, which Octave cannot pass to an extension itself.
constexpr const char* SymbolicStandIn = "DrovaSym";
// Objects may hold objects; a chain longer than this is taken for a cycle.
constexpr int MaxDepth = 64;

const md::ArrayFactory factory;

md::ArrayDimensions dimensionsOf(const mxArray* value) {
    const mwSize* dims = mxGetDimensions(value);
    return md::ArrayDimensions(dims, dims + mxGetNumberOfDimensions(value));
}

bool isCharRow(const mxArray* value) {
    return mxIsChar(value) && mxGetNumberOfDimensions(value) == 2 &&
           (mxGetM(value) == 1 || mxGetNumberOfElements(value) == 0);
}

// The characters as 16-bit units; Octave's bytes keep their values, so that a byte outside
// ASCII stays outside it.
std::u16string unitsOf(const mxArray* value) {
    const std::size_t count = mxGetNumberOfElements(value);
    std::u16string units(count, u'\0');
    const mxChar* chars = count ? mxGetChars(value) : nullptr;
    for (std::size_t i = 0; i < count; ++i)
        units[i] = static_cast<char16_t>(static_cast<std::make_unsigned_t<mxChar>>(chars[i]));
    return units;
}

template <typename T>
md::Array numbersOf(const mxArray* value) {
    const auto* data = static_cast<const T*>(mxGetData(value));
    return factory.createArray<T>(dimensionsOf(value), std::vector<T>(data, data + mxGetNumberOfElements(value)));
}

md::Array logicalsOf(const mxArray* value) {
    const mxLogical* data = mxGetLogicals(value);
    std::vector<bool> flags;
    for (std::size_t i = 0; i < mxGetNumberOfElements(value); ++i) flags.push_back(data[i] != 0);
    return factory.createArray<bool>(dimensionsOf(value), std::move(flags));
}

md::Array charsOf(const mxArray* value) {
    const std::u16string units = unitsOf(value);
    return factory.createArray<char16_t>(dimensionsOf(value), std::vector<char16_t>(units.begin(), units.end()));
}

// A value the model has no kind for: an object array of its class without properties.
md::Array opaque(const mxArray* value, const std::string& className) {
    std::vector<md::Object> objects(mxGetNumberOfElements(value), md::Object(className));
    return factory.createObjectArray(dimensionsOf(value), className, std::move(objects));
}

bool isBuiltInClass(mxClassID id) {
    switch (id) {
    case mxCELL_CLASS: case mxSTRUCT_CLASS: case mxLOGICAL_CLASS: case mxCHAR_CLASS: case mxDOUBLE_CLASS:
    case mxSINGLE_CLASS: case mxINT8_CLASS: case mxUINT8_CLASS: case mxINT16_CLASS: case mxUINT16_CLASS:
    case mxINT32_CLASS: case mxUINT32_CLASS: case mxINT64_CLASS: case mxUINT64_CLASS: case mxFUNCTION_CLASS:
        return true;
    default:
        return false;
    }
}

bool isSymbolic(const std::string& className) { return className == "sym" || className == SymbolicStandIn; }

// An object of a class defined in the MATLAB language (not a sym, not MATLAB's string).
bool isObject(const mxArray* value) {
    const std::string className = mxGetClassName(value);
    return !isBuiltInClass(mxGetClassID(value)) && !isSymbolic(className) && className != "string";
}

class DepthGuard {
public:
    explicit DepthGuard(int& depth) : depth_(depth) {
        if (++depth_ > MaxDepth)
            throw GatewayError("Drova:octave:nestedTooDeeply", "The arguments hold values nested more than " +
                                                                    std::to_string(MaxDepth) + " levels deep");
    }
    ~DepthGuard() { --depth_; }
    DepthGuard(const DepthGuard&) = delete;
    DepthGuard& operator=(const DepthGuard&) = delete;

private:
    int& depth_;
};

ValuePlace inner(const ValuePlace& outer, ValuePlace::Kind kind, const std::string& name) {
    return {kind, name, outer.path + "." + name};
}

}  // namespace

std::optional<md::Array> OctaveValues::Rules::read(OctaveValues&, const mxArray*, const ValuePlace&) const {
    return std::nullopt;
}

OctaveValues::~OctaveValues() {
    for (mxArray* value : owned_) mxDestroyArray(value);
}

std::vector<md::Array> OctaveValues::readArguments(int nrhs, const mxArray* prhs[],
                                                   const std::vector<std::string>& names) {
    std::vector<md::Array> arguments;
    for (int i = 0; i < nrhs; ++i) {
        const auto index = static_cast<std::size_t>(i);
        const std::string name = index < names.size() ? names[index] : "input" + std::to_string(i + 1);
        arguments.push_back(read(prhs[i], {ValuePlace::Kind::Argument, name, name}));
    }
    return arguments;
}

md::Array OctaveValues::read(const mxArray* value, const ValuePlace& place) {
    if (value == nullptr) return factory.createArray<double>({0, 0});  // a field never set reads as []
    if (std::optional<md::Array> special = rules_.read(*this, value, place)) return std::move(*special);
    const DepthGuard guard(depth_);
    const std::string className = mxGetClassName(value);
    if (mxIsSparse(value) || mxIsComplex(value)) return opaque(value, className);
    switch (mxGetClassID(value)) {
    case mxDOUBLE_CLASS: return numbersOf<double>(value);
    case mxINT32_CLASS: return numbersOf<std::int32_t>(value);
    case mxINT64_CLASS: return numbersOf<std::int64_t>(value);
    case mxLOGICAL_CLASS: return logicalsOf(value);
    case mxCHAR_CLASS:
        return isCharRow(value) ? md::Array(factory.createScalar(unitsOf(value))) : charsOf(value);
    case mxCELL_CLASS: return readCell(value, place);
    case mxSTRUCT_CLASS: return readStruct(value, place);
    default: break;
    }
    if (isSymbolic(className)) return readSymbolic(value, false);
    if (className == "string") {
        // MATLAB's strings, which the classic interface reads only as characters.
        std::vector<OctaveArray> texts = callOctave("cellstr", 1, {value});
        return readCell(texts.at(0).get(), place);
    }
    if (isObject(value)) return readObjects(value, place);
    return opaque(value, className);
}

md::Array OctaveValues::readCell(const mxArray* value, const ValuePlace& place) {
    const std::size_t count = mxGetNumberOfElements(value);
    std::vector<const mxArray*> cells(count);
    for (std::size_t i = 0; i < count; ++i) cells[i] = mxGetCell(value, i);
    auto present = [](const mxArray* cell) { return cell != nullptr; };
    if (std::all_of(cells.begin(), cells.end(), [&](const mxArray* c) { return present(c) && isCharRow(c); })) {
        std::vector<md::MATLABString> texts;
        for (const mxArray* cell : cells) texts.emplace_back(unitsOf(cell));
        return factory.createArray<md::MATLABString>(dimensionsOf(value), std::move(texts));
    }
    const std::string className = present(cells[0]) ? mxGetClassName(cells[0]) : "";
    const bool sameObjects = std::all_of(cells.begin(), cells.end(), [&](const mxArray* c) {
        return present(c) && isObject(c) && mxGetNumberOfElements(c) == 1 && className == mxGetClassName(c);
    });
    if (!sameObjects) return opaque(value, "cell");
    const DepthGuard guard(depth_);
    std::vector<md::Object> objects;
    const ValuePlace element{ValuePlace::Kind::Element, place.name, place.path};
    for (const mxArray* cell : cells) objects.push_back(readObject(cell, 0, className, element));
    return factory.createObjectArray(dimensionsOf(value), className, std::move(objects));
}

md::Array OctaveValues::readStruct(const mxArray* value, const ValuePlace& place) {
    std::vector<std::string> fields;
    for (int k = 0; k < mxGetNumberOfFields(value); ++k) fields.emplace_back(mxGetFieldNameByNumber(value, k));
    md::StructArray structs = factory.createStructArray(dimensionsOf(value), fields);
    for (std::size_t i = 0; i < mxGetNumberOfElements(value); ++i)
        for (std::size_t k = 0; k < fields.size(); ++k)
            structs[i][fields[k]] = read(mxGetFieldByNumber(value, i, static_cast<int>(k)),
                                         inner(place, ValuePlace::Kind::Field, fields[k]));
    return structs;
}

md::Array OctaveValues::readObjects(const mxArray* value, const ValuePlace& place) {
    const std::string className = mxGetClassName(value);
    std::vector<md::Object> objects;
    for (std::size_t i = 0; i < mxGetNumberOfElements(value); ++i)
        objects.push_back(readObject(value, i, className, place));
    return factory.createObjectArray(dimensionsOf(value), className, std::move(objects));
}

md::Object OctaveValues::readObject(const mxArray* value, std::size_t index, const std::string& className,
                                    const ValuePlace& place) {
    md::Object object(className);
    for (const std::string& name : propertyNames(value, className)) {
        const OctaveArray property(mxGetProperty(value, index, name.c_str()));
        if (property) object.setProperty(name, read(property.get(), inner(place, ValuePlace::Kind::Property, name)));
    }
    return object;
}

const std::vector<std::string>& OctaveValues::propertyNames(const mxArray* value, const std::string& className) {
    auto known = propertyNames_.find(className);
    if (known != propertyNames_.end()) return known->second;
    std::vector<OctaveArray> listed = callOctave("properties", 1, {value});
    std::vector<std::string> names;
    for (std::size_t i = 0; i < mxGetNumberOfElements(listed.at(0).get()); ++i)
        names.push_back(octaveText(mxGetCell(listed[0].get(), i)));
    return propertyNames_.emplace(className, std::move(names)).first->second;
}

md::Array OctaveValues::readSymbolic(const mxArray* value, bool owned) {
    if (owned) owned_.push_back(const_cast<mxArray*>(value));
    const auto reference = static_cast<std::int64_t>(symbolic_.size());
    symbolic_.push_back(value);
    // A sym matrix is one object to the interface; its size is the host's size().
    std::vector<OctaveArray> size = callOctave("size", 1, {value});
    const md::TypedArray<double> extents(numbersOf<double>(size.at(0).get()));
    md::ArrayDimensions dims;
    for (double extent : extents) dims.push_back(static_cast<std::size_t>(extent));
    std::size_t count = 1;
    for (std::size_t extent : dims) count *= extent;
    const md::Object element("sym", {{SymbolicReference, factory.createScalar(reference)}});
    return factory.createObjectArray(dims, "sym", std::vector<md::Object>(count, element));
}

const mxArray* OctaveValues::symbolic(const md::Array& value) const {
    if (value.getType() != md::ArrayType::OBJECT || value.getClassName() != "sym" || value.isEmpty())
        return nullptr;
    const md::ObjectArray objects(value);
    const md::Array* reference = objects[0].findProperty(SymbolicReference);
    if (reference == nullptr) return nullptr;
    const auto index = static_cast<std::size_t>(static_cast<std::int64_t>((*reference)[0]));
    return index < symbolic_.size() ? symbolic_[index] : nullptr;
}

md::Array OctaveValues::adoptSymbolic(mxArray* value) { return readSymbolic(value, true); }

std::optional<md::Array> OctaveValues::readEnumeration(const mxArray* value, const md::EnumerationClass& enumClass,
                                                       bool addUnknownNames) {
    const std::string className = mxGetClassName(value);
    std::string name;
    if (isCharRow(value)) {
        name = octaveText(value);
    } else if (mxIsNumeric(value) && !mxIsComplex(value) && mxGetNumberOfElements(value) == 1) {
        const double number = mxGetScalar(value);
        auto member = std::find_if(enumClass.members.begin(), enumClass.members.end(),
                                   [&](const auto& m) { return static_cast<double>(m.second) == number; });
        if (member == enumClass.members.end()) return std::nullopt;
        name = member->first;
    } else if ((className == enumClass.name || className == "string") && mxGetNumberOfElements(value) == 1) {
        // A member of MATLAB's enumeration class, or a MATLAB string: its text.
        std::vector<OctaveArray> text = callOctave("char", 1, {value});
        name = octaveText(text.at(0).get());
    } else {
        return std::nullopt;
    }
    md::EnumerationClass withName = enumClass;
    const bool known = std::any_of(enumClass.members.begin(), enumClass.members.end(),
                                   [&](const auto& m) { return m.first == name; });
    if (!known) {
        if (!addUnknownNames) return std::nullopt;
        std::int64_t next = 1;
        for (const auto& member : enumClass.members) next = std::max(next, member.second + 1);
        withName.members.emplace_back(name, next);
    }
    return factory.createEnumArray({1, 1}, std::move(withName), {name});
}

std::optional<md::Array> OctaveValues::readEmptyCellAsObjects(const mxArray* value, const std::string& className) {
    if (!mxIsCell(value) || mxGetNumberOfElements(value) != 0) return std::nullopt;
    return factory.createObjectArray(dimensionsOf(value), className, {});
}

namespace {

std::vector<mwSize> hostDimensions(const md::Array& value) {
    const md::ArrayDimensions dims = value.getDimensions();
    return std::vector<mwSize>(dims.begin(), dims.end());
}

template <typename T>
mxArray* writeNumbers(const md::Array& value, mxClassID classId) {
    const std::vector<mwSize> dims = hostDimensions(value);
    mxArray* result = mxCreateNumericArray(dims.size(), dims.data(), classId, mxREAL);
    const md::TypedArray<T> numbers(value);
    std::copy(numbers.begin(), numbers.end(), static_cast<T*>(mxGetData(result)));
    return result;
}

mxArray* writeChars(const md::Array& value) {
    const std::vector<mwSize> dims = hostDimensions(value);
    mxArray* result = mxCreateCharArray(dims.size(), dims.data());
    const md::CharArray chars(value);
    std::transform(chars.begin(), chars.end(), mxGetChars(result), [](char16_t c) { return static_cast<mxChar>(c); });
    return result;
}

mxArray* writeStrings(const md::Array& value) {
    const md::StringArray strings(value);
    if (value.getNumberOfElements() == 1) return mxCreateString(std::string(strings[0]).c_str());
    const std::vector<mwSize> dims = hostDimensions(value);
    mxArray* result = mxCreateCellArray(dims.size(), dims.data());
    for (std::size_t i = 0; i < value.getNumberOfElements(); ++i)
        mxSetCell(result, i, mxCreateString(std::string(strings[i]).c_str()));
    return result;
}

mxArray* writeLogicals(const md::Array& value) {
    const std::vector<mwSize> dims = hostDimensions(value);
    mxArray* result = mxCreateLogicalArray(dims.size(), dims.data());
    const md::TypedArray<bool> flags(value);
    std::copy(flags.begin(), flags.end(), mxGetLogicals(result));
    return result;
}

}  // namespace

mxArray* writeOctave(const md::Array& value) {
    switch (value.getType()) {
    case md::ArrayType::MATLAB_STRING: return writeStrings(value);
    case md::ArrayType::DOUBLE: return writeNumbers<double>(value, mxDOUBLE_CLASS);
    case md::ArrayType::INT32: return writeNumbers<std::int32_t>(value, mxINT32_CLASS);
    case md::ArrayType::INT64: return writeNumbers<std::int64_t>(value, mxINT64_CLASS);
    case md::ArrayType::LOGICAL: return writeLogicals(value);
    case md::ArrayType::CHAR: return writeChars(value);
    default:
        throw GatewayError("Drova:octave:unsupportedResult",
                           "A result of class " + value.getClassName() + " cannot be handed to the host");
    }
}

std::string octaveText(const mxArray* value) {
    std::string text;
    for (char16_t unit : unitsOf(value)) {
        // Octave's bytes are kept as they are; 16-bit units outside ASCII have no byte.
        if (sizeof(mxChar) == 1 || unit < 0x80) text.push_back(static_cast<char>(unit));
        else text.push_back('?');
    }
    return text;
}

}  // namespace drova::gateway
