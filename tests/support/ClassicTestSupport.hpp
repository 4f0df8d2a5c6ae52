#pragma once
// Test support for the classic run time: a random source that hands out
// chosen numbers and logs what was drawn, and a catcher for host errors.

#include "host/classic/ClassicError.hpp"
#include "host/classic/ClassicRandom.hpp"

#include <gtest/gtest.h>

#include <deque>
#include <stdexcept>
#include <string>
#include <utility>

using namespace drova;

// Replaces the host's generator while it lives. Each draw must match the next
// scripted kind ('u' uniform, 'n' normal); a draw beyond the script or of the
// wrong kind throws std::logic_error, which no ClassicError check accepts.
// drawn logs the kinds actually drawn.
class ScriptedRandom : public ClassicRandomSource {
public:
    explicit ScriptedRandom(std::deque<std::pair<char, double>> script = {}) : script_(std::move(script)) {
        previous_ = classicUseRandomSource(this);
    }
    ~ScriptedRandom() override { classicUseRandomSource(previous_); }
    ScriptedRandom(const ScriptedRandom&) = delete;
    ScriptedRandom& operator=(const ScriptedRandom&) = delete;

    double uniform() override { return next('u'); }
    double normal() override { return next('n'); }
    bool finished() const { return script_.empty(); }

    std::string drawn;

private:
    double next(char kind) {
        if (script_.empty() || script_.front().first != kind)
            throw std::logic_error(std::string("unscripted draw of kind ") + kind + " after \"" + drawn + "\"");
        drawn += kind;
        double value = script_.front().second;
        script_.pop_front();
        return value;
    }

    std::deque<std::pair<char, double>> script_;
    ClassicRandomSource* previous_;
};

inline std::pair<char, double> U(double value) { return {'u', value}; }
inline std::pair<char, double> N(double value) { return {'n', value}; }

// Runs body, which must end with a host error; returns that error.
template <class Body>
ClassicError expectClassicError(Body&& body) {
    try {
        body();
    } catch (const ClassicError& e) {
        return e;
    }
    ADD_FAILURE() << "no host error was raised";
    return ClassicError("none", {});
}
