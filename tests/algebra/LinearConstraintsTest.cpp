#include "AlgebraTestSupport.hpp"

#include "algebra/LinearConstraints.hpp"

#include <gtest/gtest.h>

#include <array>
#include <optional>

using namespace drova;

namespace {

using algebra_test::form;
using algebra_test::Point;
using algebra_test::text;
using algebra_test::valueOf;

const Rational half(1, 2);

TEST(LinearConstraints, BoundsOnOneVariableMeetOnlyWhenTheIntervalIsNotEmpty) {
    EXPECT_FALSE(feasible({form({{"t", 1}}, -2), form({{"t", -1}}, 1)}));  // t >= 2 and t <= 1
    // Non-strict at both ends: t = 1 alone satisfies t >= 1 and t <= 1.
    EXPECT_TRUE(feasible({form({{"t", 1}}, -1), form({{"t", -1}}, 1)}));
    EXPECT_FALSE(feasible({form({{"t", 1}}, -1), form({{"t", -1}}, half)}));
    // t <= 0 holds at t = 0; t <= -1/3 never for t >= 0.
    EXPECT_TRUE(feasible({form({{"t", -1}}, 0)}));
    EXPECT_TRUE(feasible({form({{"t", -1}}, 0), form({{"t", 2}}, 0)}));
    EXPECT_FALSE(feasible({form({{"t", -1}}, Rational(-1, 3))}));
    EXPECT_TRUE(feasible({}));
}

TEST(LinearConstraints, EqualitiesFromDeterministicFiringsAndTheSignOfTheVariables) {
    // t = x + 1 (two opposite factors) with x in [3, 2]: empty; with x >= 2: a ray.
    const LinearForm up = form({{"t", 1}, {"x", -1}}, -1), down = form({{"t", -1}, {"x", 1}}, 1);
    EXPECT_FALSE(feasible({up, down, form({{"x", -1}}, 2), form({{"x", 1}}, -3)}));
    EXPECT_TRUE(feasible({up, down, form({{"x", 1}}, -2)}));
    // y >= x + 1 and y <= 0 would hold for x = -1, y = 0, but the variables are non-negative.
    EXPECT_FALSE(feasible({form({{"x", -1}, {"y", 1}}, -1), form({{"y", -1}}, 0)}));
    // x + y >= 1 with x, y <= 1/2: only the point (1/2, 1/2); with y <= 1/3: nothing.
    EXPECT_TRUE(feasible({form({{"x", 1}, {"y", 1}}, -1), form({{"x", -1}}, half), form({{"y", -1}}, half)}));
    EXPECT_FALSE(feasible(
        {form({{"x", 1}, {"y", 1}}, -1), form({{"x", -1}}, half), form({{"y", -1}}, Rational(1, 3))}));
    // x > t and t > x cannot both hold; x >= t and t >= x can.
    EXPECT_FALSE(feasible({form({{"t", 1}, {"x", -1}}, Rational(-1, 4)), form({{"t", -1}, {"x", 1}}, 0)}));
    EXPECT_TRUE(feasible({form({{"t", 1}, {"x", -1}}, 0), form({{"t", -1}, {"x", 1}}, 0)}));
}

TEST(LinearConstraints, MinimumAndImplication) {
    bool infeasible = true;
    // Unbounded below: -t over t >= 1.
    EXPECT_FALSE(minimumOf(form({{"t", -1}}, 0), {form({{"t", 1}}, -1)}, &infeasible));
    EXPECT_FALSE(infeasible);
    EXPECT_FALSE(minimumOf(form({{"t", 1}}, 0), {form({{"t", 1}}, -2), form({{"t", -1}}, 1)}, &infeasible));
    EXPECT_TRUE(infeasible);
    // t + x - 1/2 over t + x >= 3/2 and x <= 1: 1.
    const std::optional<Rational> least =
        minimumOf(form({{"t", 1}, {"x", 1}}, -half), {form({{"t", 1}, {"x", 1}}, Rational(-3, 2)), form({{"x", -1}}, 1)});
    ASSERT_TRUE(least);
    EXPECT_EQ(*least, Rational(1));
    // With no constraint the least value is at the origin.
    EXPECT_EQ(minimumOf(form({{"t", 2}}, Rational(-5)), {}), Rational(-5));

    EXPECT_TRUE(impliedBy({form({{"t", 1}}, -2)}, form({{"t", 1}}, -1)));
    EXPECT_FALSE(impliedBy({form({{"t", 1}}, -1)}, form({{"t", 1}}, -2)));
    // x >= t >= 1 gives x >= 1, and at the boundary the implied bound holds with equality.
    EXPECT_TRUE(impliedBy({form({{"t", -1}, {"x", 1}}, 0), form({{"t", 1}}, -1)}, form({{"x", 1}}, -1)));
    EXPECT_FALSE(impliedBy({form({{"t", -1}, {"x", 1}}, 0), form({{"t", 1}}, -1)},
                           form({{"x", 1}}, Rational(-11, 10))));
    // Non-negative variables: t <= 2 is implied by t + x <= 2.
    EXPECT_TRUE(impliedBy({form({{"t", -1}, {"x", -1}}, 2)}, form({{"t", -1}}, 2)));
    // An empty system implies everything.
    EXPECT_TRUE(impliedBy({form({{"t", 1}}, -2), form({{"t", -1}}, 1)}, form({{"x", -1}}, -7)));
}

TEST(LinearConstraints, PruningDropsTheImpossibleTermAndTheImpliedFactors) {
    Term impossible(Rational(3), 0, {{"t", Rational(-1)}}, {{"t", 2u}},
                    {form({{"t", 1}, {"x", -1}}, -1), form({{"x", 1}}, -1), form({{"t", -1}}, Rational(3, 2))});
    ASSERT_EQ(impossible.heavisides.size(), 3u);  // beyond what normalise sees
    EXPECT_TRUE(pruneHeavisides(impossible));
    EXPECT_EQ(impossible, ZeroTerm);

    // t >= x + 1 and x >= 1 imply t >= 2 (and t >= 1/2); the two that imply stay, in order.
    Term implied(Rational(1), 0, {}, {},
                 {form({{"t", 1}}, -2), form({{"t", 1}, {"x", -1}}, -1), form({{"x", 1}}, -1), form({{"t", 2}}, -1)});
    EXPECT_TRUE(pruneHeavisides(implied));
    ASSERT_EQ(implied.heavisides.size(), 2u);
    EXPECT_EQ(implied.heavisides[0], form({{"t", 1}, {"x", -1}}, -1));
    EXPECT_EQ(implied.heavisides[1], form({{"x", 1}}, -1));

    // Nothing to drop: the term is left as it was, and so is the sum.
    Term kept(Rational(1), 0, {}, {}, {form({{"t", 1}}, -1), form({{"t", -1}}, 1)});
    const Term before = kept;
    EXPECT_FALSE(pruneHeavisides(kept));
    EXPECT_EQ(kept, before);

    // Two terms that differ only in an implied factor become like terms and merge.
    Expolynomial sum({Term(Rational(1), 0, {}, {}, {form({{"t", 1}}, -2)}),
                      Term(Rational(2), 0, {}, {}, {form({{"t", 1}}, -2), form({{"t", 1}, {"x", 1}}, -1)})});
    pruneHeavisides(sum);
    ASSERT_EQ(sum.terms.size(), 1u);
    EXPECT_EQ(sum.terms[0].coefficient, Rational(3));
}

// The vertices of the polyhedron {constraints >= 0, t, x, y >= 0}, found independently of the
// simplex: every point where three of the bounding planes (the constraints' and the coordinate
// planes) meet in one point and all constraints hold. A non-empty polyhedron in the non-negative
// orthant has a vertex, so it is empty exactly when there is none.
std::vector<Point> vertices(const std::vector<LinearForm>& constraints) {
    static const std::array<std::string, 3> names{"t", "x", "y"};
    std::vector<std::pair<std::array<Rational, 3>, Rational>> planes;  // a.v + c = 0
    for (const LinearForm& f : constraints) {
        std::array<Rational, 3> a{};
        for (const auto& [name, value] : f.variables)
            for (std::size_t i = 0; i < 3; ++i)
                if (name == names[i]) a[i] = value;
        planes.emplace_back(a, f.constant);
    }
    for (std::size_t i = 0; i < 3; ++i) {
        std::array<Rational, 3> a{};
        a[i] = 1;
        planes.emplace_back(a, Rational(0));
    }
    const auto det = [](const std::array<std::array<Rational, 3>, 3>& m) {
        return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) - m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
               m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
    };
    std::vector<Point> result;
    for (std::size_t i = 0; i < planes.size(); ++i)
        for (std::size_t j = i + 1; j < planes.size(); ++j)
            for (std::size_t k = j + 1; k < planes.size(); ++k) {
                const std::array<std::array<Rational, 3>, 3> m{planes[i].first, planes[j].first, planes[k].first};
                const Rational d = det(m);
                if (d == 0) continue;
                const std::array<Rational, 3> rhs{-planes[i].second, -planes[j].second, -planes[k].second};
                Point point;
                for (std::size_t c = 0; c < 3; ++c) {
                    auto replaced = m;
                    for (std::size_t r = 0; r < 3; ++r) replaced[r][c] = rhs[r];
                    point[names[c]] = det(replaced) / d;
                }
                bool inside = point["t"] >= 0 && point["x"] >= 0 && point["y"] >= 0;
                for (const LinearForm& f : constraints) inside = inside && algebra_test::valueOf(f, point) >= 0;
                if (inside) result.push_back(point);
            }
    return result;
}

TEST(LinearConstraints, RandomSystemsAgreeWithTheirVertices) {
    algebra_test::RandomAlgebra random(20261210);
    int empty = 0, nonEmpty = 0;
    for (int round = 0; round < 600; ++round) {
        std::vector<LinearForm> constraints;
        for (int i = random.integer(1, 5); i > 0; --i) constraints.push_back(random.linearForm(3));
        const std::vector<Point> corners = vertices(constraints);
        ASSERT_EQ(feasible(constraints), !corners.empty()) << "round " << round;
        ++(corners.empty() ? empty : nonEmpty);
        if (corners.empty()) continue;
        // A bounded minimum is the least value over the vertices.
        const LinearForm objective = random.linearForm(3);
        const std::optional<Rational> least = minimumOf(objective, constraints);
        Rational atVertices = algebra_test::valueOf(objective, corners.front());
        for (const Point& p : corners) atVertices = std::min(atVertices, algebra_test::valueOf(objective, p));
        if (least) {
            EXPECT_EQ(*least, atVertices) << "round " << round;
        } else {
            // Unbounded below: the objective also goes below its least value at the vertices.
            std::vector<LinearForm> below = constraints;
            below.push_back(subtract(LinearForm(atVertices - 1), objective));
            EXPECT_FALSE(vertices(below).empty()) << "round " << round;
        }
    }
    EXPECT_GT(empty, 50);
    EXPECT_GT(nonEmpty, 50);
}

TEST(LinearConstraints, PrunedTermsKeepTheirValueAtEveryNonNegativePoint) {
    algebra_test::RandomAlgebra random(7);
    int dropped = 0, shortened = 0;
    for (int round = 0; round < 1500; ++round) {
        const Expolynomial original = random.expolynomial(4, 5);
        Expolynomial pruned = original;
        pruneHeavisides(pruned);
        for (const Term& term : original.terms) {
            Term copy = term;
            pruneHeavisides(copy);
            if (copy == ZeroTerm && !(term == ZeroTerm)) ++dropped;
            else if (copy.heavisides.size() < term.heavisides.size()) ++shortened;
        }
        // The points that matter most lie on the switching planes: the vertices of each term's
        // factors, and random points besides.
        std::vector<Point> points;
        for (const Term& term : original.terms)
            for (const Point& p : vertices(term.heavisides)) points.push_back(p);
        for (int i = 0; i < 20; ++i)
            points.push_back({{"t", abs(random.rational())}, {"x", abs(random.rational())}, {"y", abs(random.rational())}});
        for (const Point& p : points)
            ASSERT_TRUE(algebra_test::nearlyEqual(valueOf(pruned, p), valueOf(original, p), algebra_test::Quad("1e-28"),
                                                  algebra_test::magnitudeOf(original, p)))
                << text(original) << " -> " << text(pruned);
    }
    EXPECT_GT(dropped, 20);
    EXPECT_GT(shortened, 20);
}

}  // namespace
