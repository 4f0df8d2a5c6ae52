#include "host/data/ArrayElementRef.hpp"

#include "host/data/ArrayData.hpp"

#include <cmath>
#include <limits>
#include <type_traits>

namespace matlab::data {

using detail::ArrayAccess;
using detail::Elements;

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

}  // namespace matlab::data
