#pragma once
// The high-precision number type of the closed-form measures (mean times, absorption
// probabilities, steady state), and Eigen matrices over it.

#include <boost/multiprecision/cpp_bin_float.hpp>
#include <boost/multiprecision/eigen.hpp>

#include <Eigen/Dense>

namespace drova::measures {

// 50 decimal digits: the sums of the long-run values and the Taylor series of the solution before
// the first change of the kernel are formed in this type, so that their cancellations cost no
// visible digits.
using HighPrecision = boost::multiprecision::cpp_bin_float_50;
using HighPrecisionMatrix = Eigen::Matrix<HighPrecision, Eigen::Dynamic, Eigen::Dynamic>;
using HighPrecisionVector = Eigen::Matrix<HighPrecision, Eigen::Dynamic, 1>;

}  // namespace drova::measures
