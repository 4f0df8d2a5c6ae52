#pragma once
// What drova reliability and drova availability share: the reading of --times, the call of the
// Drovarel module as MATLAB would make it, the default times, and the writing of numbers.

#include "host/MatlabData.hpp"

#include <optional>
#include <string>
#include <vector>

namespace drova::cli::measures {

// A comma-separated list of decimal numbers of at least 0, each finite ("1000", "2.5", "1e4");
// std::invalid_argument saying what is wrong, for the command to report.
std::vector<double> parseTimes(const std::string& text);

// "A:B:STEP": the times A, A + STEP, ... up to B, each the double nearest its exact decimal (so
// 0:1:0.1 gives 0.3, not 0.30000000000000004); at most MostGridTimes of them.
// std::invalid_argument saying what is wrong.
std::vector<double> parseTimeGrid(const std::string& text);
inline constexpr std::size_t MostGridTimes = 10001;

// The times 0, STEP, 2 STEP, ... up to the first at or past `end` (> 0), with STEP the smallest of
// 1, 2 and 5 times a power of ten that takes at most `steps` steps to reach `end`.
std::vector<double> gridUpTo(double end, int steps);

// Drovarel(model, times, measure[, from]) through the module's exports, with `nargout` outputs.
std::vector<matlab::data::Array> callDrovarel(std::size_t nargout, const std::string& model,
                                              const std::vector<double>& times, const std::string& measure,
                                              const std::optional<std::string>& from = std::nullopt);

// The times used when --times is absent, around the time scale T (the mean time to failure):
// the 1-2-5 series (..., 100, 200, 500, 1000, ...) from its largest value at most
// lowestFraction * T to its smallest value at least 4T. Just 0 when T is 0.
std::vector<double> defaultTimes(double scale, double lowestFraction);

// The series for the reliability, from MTTF/100, and for the availability, which settles at the
// pace of single failures and repairs rather than of system failures, from MTTF/10^4.
inline constexpr double ReliabilityLowestFraction = 1e-2;
inline constexpr double AvailabilityLowestFraction = 1e-4;

// The default times of a model: around its mean time to failure from the initial state or `from`
// (of the runs that fail, when some never do); none when that does not exist.
std::optional<std::vector<double>> defaultTimesOf(const std::string& model, double lowestFraction,
                                                  const std::optional<std::string>& from = std::nullopt);

// 17 significant digits, as JSON numbers (null when not finite).
std::string jsonNumber(double value);
// A JSON string.
std::string jsonString(const std::string& text);
// A JSON array of jsonNumber.
std::string jsonArray(const std::vector<double>& values);

// The shortest text that reads back as the value: the times as the user wrote them.
std::string shortText(double value);
// 12 significant digits, for the tables.
std::string tableNumber(double value);

std::vector<double> doubles(const matlab::data::Array& array);

}  // namespace drova::cli::measures
