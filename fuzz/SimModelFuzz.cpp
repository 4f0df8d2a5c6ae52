// Fuzz target: the models of drova sim. A text that starts with "{" is read as the JSON document,
// any other as a .gsms file mapped to the simulator's records; the model is then built as the
// MATLAB structure and simulated by the Drovasim entry in this process, with two runs and a short
// horizon. Every input either gives times or fails with an error; a crash or a leak is a fault.
// A model whose runs cannot end (a cycle of zero delays before any down state) runs until the
// user interrupts it, as in MATLAB: a watchdog interrupts each call after two seconds.

#include "formats/SimModelJson.hpp"
#include "gsms/ReadGsms.hpp"
#include "host/MatlabData.hpp"
#include "host/classic/ClassicModule.hpp"
#include "host/classic/ClassicRandom.hpp"
#include "host/classic/ClassicRuntime.hpp"
#include "modules/sim/Drovasim.hpp"
#include "modules/sim/GsmsStructure.hpp"
#include "simulate/GsmsToSim.hpp"

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <sstream>
#include <mutex>
#include <string>
#include <vector>
#include <thread>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    try {
        std::istringstream in(text);
        const std::size_t start = text.find_first_not_of(" \t\r\n");
        const drova::SimModel model = start != std::string::npos && text[start] == '{'
                                          ? drova::readSimModelJson(in)
                                          : drova::simModelOf(drova::readGsms(in));
        const matlab::data::ArrayFactory factory;
        const std::vector<matlab::data::Array> inputs{factory.createScalar(std::int64_t{2}),
                                                      factory.createScalar(10.0), drova::sim::hostValueOf(model)};
        drova::classicSeedGenerator(1);
        drova::classicInterruptFlag()->store(false);
        std::mutex mutex;
        std::condition_variable finished;
        bool done = false;
        std::thread watchdog([&] {
            std::unique_lock lock(mutex);
            if (!finished.wait_for(lock, std::chrono::seconds(2), [&] { return done; }))
                drova::classicRequestInterrupt();
        });
        try {
            drova::classicCallMexFunction(&mexFunction, 1, inputs, "Drovasim");
        } catch (...) {
            {
                const std::lock_guard lock(mutex);
                done = true;
            }
            finished.notify_one();
            watchdog.join();
            throw;
        }
        {
            const std::lock_guard lock(mutex);
            done = true;
        }
        finished.notify_one();
        watchdog.join();
    } catch (const std::exception&) {
        // The model or the module refused the input: the message is the user's answer.
    }
    return 0;
}
