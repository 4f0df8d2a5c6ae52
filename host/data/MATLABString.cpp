#include "host/data/MATLABString.hpp"

#include "host/data/Exception.hpp"
#include "host/data/Text.hpp"

namespace matlab::data {

const String& MATLABString::operator*() const {
    if (!text_) throw MissingStringException();
    return *text_;
}

MATLABString::operator std::string() const { return drova::toAsciiText(**this); }

}  // namespace matlab::data
