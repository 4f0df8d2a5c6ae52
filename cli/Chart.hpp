#pragma once
// The charts of drova plot as gnuplot scripts with their data inline: a curve of a measure over
// time, exact and, where simulated, the estimate with its 95% band; and the kernel of a model as
// a grid of small charts, one per entry. The data is also what --keep-data writes: one table
// (or one block per kernel entry) of numbers with 17 significant digits, '#' lines naming it.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace drova::cli {

enum class ImageFormat { Png, Svg };

struct ImageFile {
    std::string path;
    ImageFormat format = ImageFormat::Png;
};

// The format by the file name's ending (.png or .svg, in any case); none for any other.
std::optional<ImageFormat> imageFormatOf(const std::string& path);

struct SimulatedCurve {
    std::int64_t runs = 0;
    std::vector<double> estimate, lower, upper;  // at the chart's times; the band is a 95% interval
};

struct CurveChart {
    std::string title;     // the model's name and the measure
    std::string quantity;  // what the curve is, such as "F(t)": the label of the axis and the columns
    std::vector<double> times;
    std::vector<double> exact;
    std::optional<SimulatedCurve> simulated;
    std::optional<double> longRun;  // a limit drawn as a dashed line
    bool fromZero = false;          // the axis of values starts at 0
};

std::string curveData(const CurveChart& chart);
std::string curveScript(const CurveChart& chart, const ImageFile& image);

struct KernelChart {
    std::string title;
    std::vector<std::string> names;  // the states of the SMS
    std::vector<double> times;
    std::vector<std::vector<std::vector<double>>> values;  // values[i][j][k] = K_ij(times[k])
};

// The most states whose kernel fits on one picture.
inline constexpr std::size_t MostKernelStates = 10;

std::string kernelData(const KernelChart& chart);
std::string kernelScript(const KernelChart& chart, const ImageFile& image);

}  // namespace drova::cli
