// Meaning checks over random values: the operations compute the functions they claim to, judged by
// numeric evaluation at random points where the variables are non-negative.

#include "AlgebraTestSupport.hpp"

#include "algebra/Expolynomial.hpp"
#include "algebra/SymbolicText.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

using namespace drova;

namespace {

using algebra_test::nearlyEqual;
using algebra_test::magnitudeOf;
using algebra_test::Point;
using algebra_test::Quad;
using algebra_test::RandomAlgebra;
using algebra_test::valueOf;

const Quad tolerance("1e-25");

TEST(Property, SumsDifferencesAndProductsEvaluateAsTheirOperands) {
    RandomAlgebra random(11);
    for (int round = 0; round < 300; ++round) {
        const Expolynomial a = random.expolynomial(4), b = random.expolynomial(4), c = random.expolynomial(4);
        const Expolynomial left = multiply(a, add(b, c));
        const Expolynomial right = add(multiply(a, b), multiply(a, c));
        for (int k = 0; k < 3; ++k) {
            const Point p = random.point();
            const Quad va = valueOf(a, p), vb = valueOf(b, p), vc = valueOf(c, p);
            const Quad scale = magnitudeOf(a, p) * (magnitudeOf(b, p) + magnitudeOf(c, p));
            EXPECT_TRUE(nearlyEqual(valueOf(left, p), va * (vb + vc), tolerance, scale)) << round;
            EXPECT_TRUE(nearlyEqual(valueOf(right, p), va * (vb + vc), tolerance, scale)) << round;
            EXPECT_TRUE(nearlyEqual(valueOf(subtract(b, c), p), vb - vc, tolerance, scale)) << round;
        }
        EXPECT_TRUE(subtract(left, left).isZero());
    }
}

TEST(Property, SubstitutionThenEvaluationIsEvaluationAtTheSubstitutedPoint) {
    RandomAlgebra random(12);
    for (int round = 0; round < 400; ++round) {
        const Expolynomial e = random.expolynomial(3);
        const std::string variable = random.name();
        const LinearForm replacement = random.linearForm(3);
        const Expolynomial substituted = substitute(e, variable, replacement);
        for (int k = 0; k < 3; ++k) {
            const Point p = random.point();
            Point moved = p;
            moved[variable] = algebra_test::valueOf(replacement, p);
            EXPECT_TRUE(nearlyEqual(valueOf(substituted, p), valueOf(e, moved), tolerance, magnitudeOf(substituted, p)))
                << toSymbolicText(e) << " with " << variable << " := " << toSymbolicText(replacement);
        }
    }
}

TEST(Property, AntiderivativeDifferentiatesBackToTheIntegrand) {
    RandomAlgebra random(13);
    const Rational h(1, BigInt("1000000000000"));
    int compared = 0;
    for (int round = 0; round < 400; ++round) {
        const Term term = random.term();
        const std::string variable = random.name();
        const Expolynomial primitive = antiderivative(term, variable);
        for (int k = 0; k < 3; ++k) {
            const Point p = random.point();
            // The primitive leaves out the factors that switch in the variable; compare only where
            // they are 1, away from their switching points.
            bool switchedOn = true;
            for (const auto& form : term.heavisides)
                if (findValue(form.variables, variable) && algebra_test::valueOf(form, p) <= 0) switchedOn = false;
            if (!switchedOn) continue;
            Point above = p, below = p;
            above[variable] += h;
            below[variable] -= h;
            const Quad slope = (valueOf(primitive, above) - valueOf(primitive, below)) / Quad(2 * h);
            EXPECT_TRUE(nearlyEqual(slope, valueOf(term, p), Quad("1e-12"), magnitudeOf(primitive, p)))
                << toSymbolicText(term) << " in " << variable << ": " << toSymbolicText(primitive);
            ++compared;
        }
    }
    EXPECT_GT(compared, 800);
}

// The symbolic text means what the value means: a computer algebra system reads the text (with
// sym(...) as an exact number) and evaluates it exactly at the same point.
TEST(Property, SymbolicTextEvaluatesToTheValue) {
    RandomAlgebra random(14);
    std::ostringstream script;
    script << "import sys\n"
              "from sympy import Rational, Integer, exp, Heaviside, N\n"
              "from sympy.parsing.sympy_parser import parse_expr, standard_transformations, convert_xor\n"
              "def sym(v): return Integer(v)\n"
              "def heaviside(z): return Heaviside(z, 1)\n"
              "for line in sys.stdin:\n"
              "    text, point = line.rstrip('\\n').split('|')\n"
              "    names = {'sym': sym, 'exp': exp, 'heaviside': heaviside}\n"
              "    for item in point.split(','):\n"
              "        k, v = item.split('=')\n"
              "        names[k] = Rational(v)\n"
              "    e = parse_expr(text, local_dict=names, transformations=standard_transformations + (convert_xor,),"
              " evaluate=True)\n"
              "    print(N(e, 40))\n";
    const std::string scriptPath = ::testing::TempDir() + "drova_symbolic_text_check.py";
    const std::string inputPath = ::testing::TempDir() + "drova_symbolic_text_input.txt";
    std::ofstream(scriptPath) << script.str();

    std::vector<std::pair<Quad, Quad>> expected;  // value and magnitude
    {
        std::ofstream input(inputPath);
        for (int round = 0; round < 60; ++round) {
            Expolynomial e = random.expolynomial(4);
            // Large numbers take the quoted form.
            if (round % 10 == 0) e = multiply(Term(Rational(BigInt(1) << 60, 3)), e);
            const Point p = random.point();
            input << toSymbolicText(e) << "|";
            bool first = true;
            for (const auto& [name, value] : p) {
                input << (first ? "" : ",") << name << "=" << toText(value);
                first = false;
            }
            input << "\n";
            expected.emplace_back(valueOf(e, p), magnitudeOf(e, p));
        }
    }
    FILE* pipe = popen(("python3 " + scriptPath + " < " + inputPath).c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string output;
    char buffer[4096];
    while (std::size_t n = fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
    ASSERT_EQ(pclose(pipe), 0) << output;
    std::istringstream lines(output);
    std::string line;
    std::size_t i = 0;
    while (std::getline(lines, line)) {
        ASSERT_LT(i, expected.size());
        EXPECT_TRUE(nearlyEqual(Quad(line), expected[i].first, tolerance, expected[i].second)) << i << ": " << line;
        ++i;
    }
    EXPECT_EQ(i, expected.size());
}

}  // namespace
