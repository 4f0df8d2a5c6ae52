#include "cli/Chart.hpp"

#include "cli/Gnuplot.hpp"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <initializer_list>

namespace drova::cli {

namespace {

const char* const ExactColour = "#c0392b";
const char* const SimulatedColour = "#6baed6";
const char* const BandColour = "#9ecae1";

std::string number(double value) {
    char text[40];
    const int length = std::snprintf(text, sizeof text, "%.17g", value);
    return std::string(text, static_cast<std::size_t>(length));
}

// One line of the data: the numbers, tab-separated.
void appendRow(std::string& data, std::initializer_list<double> values) {
    const char* separator = "";
    for (const double value : values) {
        data += separator;
        data += number(value);
        separator = "\t";
    }
    data += '\n';
}

std::string terminal(const ImageFile& image, int width, int height, int fontSize) {
    const std::string size = " size " + std::to_string(width) + "," + std::to_string(height);
    const std::string font = " noenhanced font 'DejaVu Sans," + std::to_string(fontSize) + "'";
    const std::string kind = image.format == ImageFormat::Svg ? "svg" + size + " dynamic" + font +
                                                                    " background rgb 'white'"
                                                              : "pngcairo" + size + font;
    return "set terminal " + kind + "\nset output " + gnuplotString(image.path) + "\n";
}

std::string datablock(const std::string& name, const std::string& data) {
    return "$" + name + " << EOD\n" + data + "EOD\n";
}

std::string xRange(const std::vector<double>& times) {
    if (times.size() < 2) return "";
    return "set xrange [" + number(times.front()) + ":" + number(times.back()) + "]\n";
}

// The range of the value axis: from 0 where asked; around the values when they are (nearly) all
// the same, which gnuplot would otherwise spread over a range too narrow for its ticks.
std::string valueRange(const CurveChart& chart) {
    std::vector<double> values = chart.exact;
    if (const auto& s = chart.simulated) {
        values.insert(values.end(), s->lower.begin(), s->lower.end());
        values.insert(values.end(), s->upper.begin(), s->upper.end());
    }
    if (chart.longRun) values.push_back(*chart.longRun);
    if (values.empty()) return "";
    const auto [low, high] = std::minmax_element(values.begin(), values.end());
    if (*high - *low <= 1e-9 * std::max(1.0, std::abs(*high)))
        return "set yrange [" + number(*low - 0.01) + ":" + number(*high + 0.01) + "]\n";
    return chart.fromZero ? "set yrange [0:*]\n" : "";
}

}  // namespace

std::optional<ImageFormat> imageFormatOf(const std::string& path) {
    std::string ending = path.size() >= 4 ? path.substr(path.size() - 4) : "";
    for (char& c : ending) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (ending == ".png") return ImageFormat::Png;
    if (ending == ".svg") return ImageFormat::Svg;
    return std::nullopt;
}

std::string curveData(const CurveChart& chart) {
    std::string data = "# " + chart.title + "\n# t\t" + chart.quantity;
    if (chart.simulated)
        data += "\tsimulated (" + std::to_string(chart.simulated->runs) + " runs)\t95% lower\t95% upper";
    data += "\n";
    for (std::size_t k = 0; k < chart.times.size(); ++k) {
        if (const auto& s = chart.simulated)
            appendRow(data, {chart.times[k], chart.exact[k], s->estimate[k], s->lower[k], s->upper[k]});
        else
            appendRow(data, {chart.times[k], chart.exact[k]});
    }
    return data;
}

std::string curveScript(const CurveChart& chart, const ImageFile& image) {
    std::string script = terminal(image, 960, 600, 11);
    script += "set title " + gnuplotString(chart.title) + " font ',13'\n";
    script += "set xlabel 't'\nset ylabel " + gnuplotString(chart.quantity) + "\n";
    // The legend in a row under the chart, clear of the curves and of the axis label.
    script += "set grid\nset bmargin 6.5\n"
              "set key at screen 0.5, screen 0.035 center center horizontal samplen 3 spacing 1.2 width 1\n";
    script += valueRange(chart);
    script += xRange(chart.times);
    script += datablock("data", curveData(chart));
    std::vector<std::string> plots;
    if (const auto& s = chart.simulated) {
        plots.push_back(std::string("$data using 1:4:5 with filledcurves fillcolor rgb '") + BandColour +
                        "' fillstyle transparent solid 0.6 noborder title '95% band of the simulation'");
        // Broad under the exact curve, which shows through where the two agree.
        plots.push_back(std::string("$data using 1:3 with lines linewidth 5 linecolor rgb '") + SimulatedColour +
                        "' title " + gnuplotString("simulated, " + std::to_string(s->runs) + " runs"));
    }
    plots.push_back(std::string("$data using 1:2 with lines linewidth 1.5 linecolor rgb '") + ExactColour +
                    "' title " + gnuplotString("exact " + chart.quantity));
    if (chart.longRun)
        plots.push_back("$data using 1:(" + number(*chart.longRun) +
                        ") with lines dashtype 2 linecolor rgb 'gray30' title " +
                        gnuplotString("long run " + number(*chart.longRun).substr(0, 12)));
    script += "plot ";
    for (std::size_t k = 0; k < plots.size(); ++k) script += (k ? ", \\\n     " : "") + plots[k];
    return script + "\n";
}

std::string kernelData(const KernelChart& chart) {
    std::string data = "# " + chart.title + "\n";
    const std::size_t n = chart.names.size();
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = 0; j < n; ++j) {
            // Blocks are two blank lines apart, so that gnuplot's "index" picks one.
            if (i + j > 0) data += "\n\n";
            data += "# K(" + chart.names[i] + " -> " + chart.names[j] + ")(t)\n# t\tK\n";
            for (std::size_t k = 0; k < chart.times.size(); ++k) appendRow(data, {chart.times[k], chart.values[i][j][k]});
        }
    return data;
}

std::string kernelScript(const KernelChart& chart, const ImageFile& image) {
    const std::size_t n = chart.names.size();
    // Small charts of 320 by 240 points for a few states, down to 200 by 150 for many.
    const int cellWidth = n <= 3 ? 320 : 200 + static_cast<int>(120 * 3 / n);
    const int cellHeight = cellWidth * 3 / 4;
    const int cells = static_cast<int>(n);
    std::string script = terminal(image, cells * cellWidth, cells * cellHeight + 50, n <= 3 ? 10 : 8);
    script += datablock("kernel", kernelData(chart));
    script += "set multiplot layout " + std::to_string(n) + "," + std::to_string(n) + " title " +
              gnuplotString(chart.title) + "\n";
    script += "unset key\nset grid\nset yrange [-0.02:1.05]\nset ytics 0, 0.5, 1\n" + xRange(chart.times);
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = 0; j < n; ++j) {
            script += "set title " + gnuplotString(chart.names[i] + " -> " + chart.names[j]) + "\n";
            script += "plot $kernel index " + std::to_string(i * n + j) +
                      " using 1:2 with lines linewidth 1.5 linecolor rgb '" + ExactColour + "'\n";
        }
    return script + "unset multiplot\n";
}

}  // namespace drova::cli
