#pragma once
// MATLAB's 16-bit text to 8-bit ASCII and back; any character outside ASCII fails with
// "Input data can only contain ASCII characters". And UTF-8 text, as documents hold it, in
// MATLAB's 16-bit units.

#include "host/HostApi.hpp"

#include <string>
#include <string_view>

namespace drova {

DROVA_HOST_API std::string toAsciiText(std::u16string_view text);
DROVA_HOST_API std::u16string toUtf16Text(std::string_view ascii);
// Text that is known to be valid UTF-8, as UTF-16 (characters beyond the 16-bit range as
// surrogate pairs); nothing is checked.
DROVA_HOST_API std::u16string utf8ToUtf16(std::string_view utf8);

}  // namespace drova
