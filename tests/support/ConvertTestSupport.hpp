#pragma once
// Models for the conversion tests, numeric values of results, and the messages of failures.

#include "Failure.hpp"
#include "RunDrova.hpp"

#include "algebra/Expolynomial.hpp"
#include "algebra/SymbolicText.hpp"
#include "convert/ConversionContext.hpp"
#include "gsms/ReadGsms.hpp"

#include <functional>
#include <fstream>
#include <stdexcept>
#include <string>

using namespace drova;

// A model under tests/data/konv, or under examples/ when the name starts with "examples/".
inline Gsms konvModel(const std::string& name) {
    const std::string path = name.rfind("examples/", 0) == 0 ? std::string(DROVA_SOURCE_DIR) + "/" + name
                                                            : testData("konv/" + name);
    std::ifstream in(path);
    if (!in) throw std::runtime_error("cannot open " + path);
    return readGsms(in);
}

inline std::string text(const Expolynomial& e) { return toSymbolicText(e); }

// The value of an expression in t at `time`, summed term by term in 113-bit floating point.
inline double valueOf(const Expolynomial& e, const Rational& time) {
    boost::multiprecision::cpp_bin_float_quad sum = 0;
    for (const Term& term : e.terms) sum += valueAt(term, "t", time);
    return static_cast<double>(sum);
}

inline Expolynomial pathOf(const Gsms& model, const Path& path) { return ConversionContext(model).pathExpression(path); }

