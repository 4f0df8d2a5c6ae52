#include "modules/rel/MexFunction.hpp"

#include "formats/InputFile.hpp"
#include "formats/ModelFile.hpp"
#include "modules/ModelWarnings.hpp"
#include "host/MatlabEngine.hpp"
#include "host/classic/ClassicError.hpp"
#include "host/classic/ClassicRuntime.hpp"
#include "measures/SolveControl.hpp"
#include "modules/rel/GsmsMeasures.hpp"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <optional>
#include <stdexcept>
#include <vector>

#include <unistd.h>

namespace drova::rel {

using matlab::data::Array;
using matlab::data::ArrayDimensions;
using matlab::data::CharArray;
using matlab::data::StringArray;
using matlab::data::TypedArray;
using matlab::mex::ArgumentList;

namespace {

// The most outputs a measure gives: six for the reliability and the availability (the sixth the
// error bound at each time), three for the kernel.
constexpr std::size_t MostOutputs = 6;
constexpr std::size_t NamesOutput = 5;
constexpr std::size_t KernelOutputs = 3;

std::string shortest(double value) {
    char text[64];
    const auto [end, error] = std::to_chars(text, text + sizeof text, value);
    return error == std::errc() ? std::string(text, end) : std::string("?");
}

// A row, a column or an empty array: the times may come as any vector.
bool isVectorOrEmpty(const Array& input) {
    const ArrayDimensions dims = input.getDimensions();
    return dims.size() == 2 && (dims[0] <= 1 || dims[1] <= 1);
}

Gsms readModel(const std::string& path) {
    std::ifstream file = openInputFile(path);
    if (!file.is_open()) throw std::invalid_argument("Path to GSMS file is invalid");
    return drova::readModel(file, path);
}

// The texts as a column of strings.
Array column(matlab::data::ArrayFactory& factory, const std::vector<std::string>& texts) {
    std::vector<matlab::data::MATLABString> strings;
    for (const std::string& text : texts) strings.emplace_back(toUtf16Text(text));
    return factory.createArray<matlab::data::MATLABString>({texts.size(), 1}, std::move(strings));
}

// warning(id, "%s", message), so that the text is shown as it is.
void warn(matlab::engine::MATLABEngine& engine, const char* identifier, const std::string& message) {
    if (message.empty()) return;
    matlab::data::ArrayFactory factory;
    engine.feval(u"warning", 0,
                 {factory.createCharArray(identifier), factory.createCharArray("%s"), factory.createCharArray(message)});
}

void warnOfBound(matlab::engine::MATLABEngine& engine, const BoundNotes& notes) {
    warn(engine, "Drova:rel:errorBound", notes.limitReached);
    warn(engine, "Drova:rel:notComputed", notes.notComputed);
}

// While a measure is solved: the host's interrupt flag (Ctrl-C) ends the solve between steps, and
// while standard error is a terminal a line there shows how far a long solve is.
class MeasureSolve {
public:
    MeasureSolve()
        : onTerminal_(isatty(STDERR_FILENO) == 1),
          control_(classicInterruptFlag(), onTerminal_ ? show : std::function<void(const measures::SolveProgress&)>(),
                   onTerminal_ ? erase : std::function<void()>()) {}

    // Runs `solve`; an interrupted solve ends the call with the run time's interrupt error.
    template <typename Solve>
    auto operator()(Solve solve) {
        try {
            return solve();
        } catch (const measures::SolveInterrupted&) {
            classicInterruptFlag()->store(false, std::memory_order_relaxed);
            throw matlab::engine::MATLABException(std::string(ClassicInterruptErrorId),
                                                  classicMessageText(ClassicInterruptErrorId, {}));
        }
    }

private:
    static void show(const measures::SolveProgress& progress) {
        std::fprintf(stderr, "\r\033[K%s: %zu states, %zu of %zu steps", progress.stage, progress.states,
                     progress.done, progress.total);
        if (progress.secondsLeft >= 0) std::fprintf(stderr, ", %.0f s left", progress.secondsLeft);
        std::fputs(" (Ctrl-C stops)", stderr);
        std::fflush(stderr);
    }
    static void erase() {
        std::fputs("\r\033[K", stderr);
        std::fflush(stderr);
    }

    bool onTerminal_;
    measures::SolveControl control_;
};

}  // namespace

MexFunction::MexFunction() : engine_(getEngine()) {}

void MexFunction::operator()(ArgumentList outputs, ArgumentList inputs) {
    checkInputs(inputs, outputs.size());
    auto text = [](const Array& input) -> std::string {
        if (input.getType() == matlab::data::ArrayType::MATLAB_STRING) return StringArray(input)[0];
        return CharArray(input).toAscii();
    };
    const std::string path = text(inputs[0]);
    const TypedArray<double> timeValues(inputs[1]);
    std::vector<Rational> times;
    for (std::size_t k = 0; k < timeValues.getNumberOfElements(); ++k) times.push_back(timeOfDouble(timeValues[k]));
    const std::string measure = inputs.size() >= 3 ? text(inputs[2]) : "reliability";
    std::optional<std::string> from;
    if (inputs.size() == 4) from = text(inputs[3]);

    const Gsms model = readModel(path);
    warnOfAges(*engine_, model);
    const double tolerance = toleranceFromEnvironment();
    const std::size_t count = times.size();
    auto row = [&](const std::vector<double>& values) {
        return factory_.createArray<double>({1, values.size()}, values);
    };
    if (measure == "kernel") {
        const GsmsKernel kernel = kernelOf(model, times);
        const std::size_t n = kernel.names.size();
        // K(i, j, k), column-major: element (i, j, k) at i + j * n + k * n * n.
        std::vector<double> values(n * n * count);
        for (std::size_t i = 0; i < n; ++i)
            for (std::size_t j = 0; j < n; ++j)
                for (std::size_t k = 0; k < count; ++k) values[i + j * n + k * n * n] = kernel.values[i][j][k];
        const std::vector<Array> results{factory_.createArray<double>({n, n, count}, std::move(values)),
                                         column(factory_, kernel.names),
                                         factory_.createScalar(kernel.timeScale)};
        for (std::size_t k = 0; k < outputs.size(); ++k) outputs[k] = results[k];
        return;
    }
    if (measure == "reliability") {
        const GsmsReliability r = MeasureSolve()([&] { return reliabilityOf(model, times, from, tolerance); });
        warnOfBound(*engine_, r);
        const std::vector<Array> results{row(r.failure),         factory_.createScalar(r.mttf),
                                         factory_.createScalar(r.neverFails), row(r.reliability),
                                         factory_.createScalar(r.mttfGivenFailure), row(r.errorBound)};
        for (std::size_t k = 0; k < outputs.size(); ++k) outputs[k] = results[k];
        return;
    }
    const GsmsAvailability a = MeasureSolve()([&] { return availabilityOf(model, times, from, tolerance); });
    warnOfBound(*engine_, a);
    const std::size_t states = model.stateCount();
    std::vector<Array> results{row(a.availability), factory_.createScalar(a.steadyAvailability)};
    // Column-major, as MATLAB holds a matrix: element (s, k) at s + k * states.
    std::vector<double> probabilities(states * count);
    for (std::size_t s = 0; s < states; ++s)
        for (std::size_t k = 0; k < count; ++k) probabilities[s + k * states] = a.states[s][k];
    results.push_back(factory_.createArray<double>({states, count}, std::move(probabilities)));
    results.push_back(factory_.createArray<double>({states, 1}, a.steadyStates));
    if (outputs.size() >= NamesOutput) {
        std::vector<std::string> names;
        for (const GsmsState& s : model.states()) names.push_back(s.name);
        results.push_back(column(factory_, names));
        results.push_back(row(a.errorBound));
    }
    for (std::size_t k = 0; k < outputs.size(); ++k) outputs[k] = results[k];
}

void MexFunction::checkInputs(const ArgumentList& inputs, std::size_t outputCount) {
    if (inputs.size() < 2 || inputs.size() > 4)
        raise("Two to four inputs required: path, times, and optionally the measure (\"reliability\", "
              "\"availability\" or \"kernel\") and the name of the starting state");
    if (outputCount > MostOutputs) raise("Too many outputs: Drovarel gives at most six");
    if (!isText(inputs[0])) raise("First input must be a string scalar or character row");
    if (!isA(inputs[1], "double")) raise("Second input must be a double");
    if (!isVectorOrEmpty(inputs[1])) raise("Second input must be a vector of times (a row or a column)");
    const TypedArray<double> times(inputs[1]);
    for (std::size_t k = 0; k < times.getNumberOfElements(); ++k) {
        const double t = times[k];
        if (!std::isfinite(t) || t < 0)
            raise("Second input must hold finite times of at least 0; element " + std::to_string(k + 1) + " is " +
                  shortest(t));
    }
    bool kernel = false;
    if (inputs.size() >= 3) {
        bool known = false;
        if (isText(inputs[2])) {
            const std::string measure = inputs[2].getType() == matlab::data::ArrayType::MATLAB_STRING
                                            ? std::string(StringArray(inputs[2])[0])
                                            : CharArray(inputs[2]).toAscii();
            known = measure == "reliability" || measure == "availability" || measure == "kernel";
            kernel = measure == "kernel";
        }
        if (!known) raise("Third input must be \"reliability\", \"availability\" or \"kernel\"");
    }
    if (kernel && outputCount > KernelOutputs) raise("Too many outputs: the kernel gives at most three");
    if (kernel && inputs.size() == 4)
        raise("The kernel takes no starting state: it is the same from every state");
    if (inputs.size() == 4 && !isText(inputs[3]))
        raise("Fourth input must be a string scalar or character row: the name of the starting state");
}

bool MexFunction::isText(const Array& input) {
    if (isA(input, "string")) return input.getNumberOfElements() == 1 && input.getDimensions().size() == 2;
    if (!isA(input, "char")) return false;
    const ArrayDimensions dims = input.getDimensions();
    return dims.size() == 2 && dims[0] <= 1;
}

bool MexFunction::isA(const Array& input, const std::string& className) {
    const std::vector<Array> answer = engine_->feval(u"isa", 1, {input, factory_.createCharArray(className)});
    return TypedArray<bool>(answer.at(0))[0];
}

void MexFunction::raise(const std::string& message) {
    engine_->feval(u"error", 0, {factory_.createScalar(message)});
    // MATLAB's error does not come back; should it ever, the call must still end here.
    throw std::runtime_error(message);
}

}  // namespace drova::rel
