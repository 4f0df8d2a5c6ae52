#pragma once
// The host's arrays: the values that pass between the host and the extension modules, one
// concept per header under host/data/. Class names, shapes and element kinds behave as
// MATLAB's own: double, logical, int32, int64, char, string (with missing values), struct,
// objects of a named class, enumeration members and sym values (see host/Sym.hpp). Text is
// 16-bit inside and 8-bit ASCII at the boundary.
//
// An Array is a value: copies share their elements until one of them is changed.

#include "host/data/Array.hpp"
#include "host/data/ArrayElementRef.hpp"
#include "host/data/ArrayFactory.hpp"
#include "host/data/ArrayType.hpp"
#include "host/data/Enumeration.hpp"
#include "host/data/Exception.hpp"
#include "host/data/MATLABString.hpp"
#include "host/data/Object.hpp"
#include "host/data/Struct.hpp"
#include "host/data/Text.hpp"
#include "host/data/TypedArray.hpp"
