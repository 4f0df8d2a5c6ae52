function drova_int_tests()
  % Drovaint called from Octave: ExpolyIntegral objects in, symbolic-math text out, its
  % meaning checked with the symbolic package, and the module's messages as Octave errors.
  drova_octave_cases('Drovaint', {@worked_example, @rows_by_indexing_or_cells, @sum_of_two_exponentials, ...
      @uniform_and_degenerate, @distribution_type_names_and_values, @checks_of_the_arguments, ...
      @failures_inside_the_objects, @text_conversions});
end

function f = form(varargin)
  % A linear form with coefficient 1 for each name given.
  f = ExpolyLinearForm(ones(1, nargin), varargin);
end

function e = integral(type, parameters, vars, var, a, b)
  e = ExpolyIntegral(ExpolyDistribution(type, parameters), vars, var, a, b);
end

function [outer, inner] = worked_pair()
  none = ExpolyLinearForm();
  inner = integral('Exp', 2, form('x'), 'x', form('y'), none);
  outer = integral('Exp', 3, form('y'), 'y', none, form('t'));
end

function worked_example()
  [outer, inner] = worked_pair();
  r = Drovaint(outer, inner);
  if ~ischar(r) || ~strcmp(r, '-3/sym(5)*exp(-5*t)+3/sym(5)')
    error('drova:test', 'unexpected text %s', disp(r));
  end
  drova_expect_close(squeeze(drova_sym_value(r, [1 2]))', 3/5 * (1 - exp(-5 * [1 2])), 'P(Y <= t < X)');
end

function rows_by_indexing_or_cells()
  [outer, inner] = worked_pair();
  proper(1) = outer;
  improper(1) = inner;
  expected = Drovaint(outer, inner);
  if ~strcmp(Drovaint(proper, improper), expected) || ~strcmp(Drovaint({outer}, {inner}), expected)
    error('drova:test', 'an object row and a cell array of the objects do not give the same text');
  end
  if ~strcmp(Drovaint({}, {}), '1') || ~strcmp(Drovaint(outer([]), cell(1, 0)), '1')
    error('drova:test', 'no integrals must give 1');
  end
  % Without a requested output the text is still the answer.
  Drovaint(outer, inner);
  if ~strcmp(ans, expected)
    error('drova:test', 'ans is not the text');
  end
end

function sum_of_two_exponentials()
  % P(X + Y <= t) for X ~ Exp(1) and Y ~ Exp(2): the outer integral over y from 0 to t, the
  % inner one over x from 0 to t - y (a form with two names given as a cell array).
  none = ExpolyLinearForm();
  outer = integral('Exp', 2, form('y'), 'y', none, form('t'));
  inner = integral('Exp', 1, form('x'), 'x', none, ExpolyLinearForm([1 -1], {'t', 'y'}));
  proper(1) = outer;
  proper(2) = inner;
  r = Drovaint(proper, {});
  times = [1 3];
  drova_expect_close(squeeze(drova_sym_value(r, times))', 1 - 2 * exp(-times) + exp(-2 * times), 'P(X + Y <= t)');
end

function uniform_and_degenerate()
  % P(U + 2 <= t) for U ~ Uni(1, 3): a uniform inside a deterministic delay of 2, with the
  % uniform's bounds as rational objects in a cell array.
  none = ExpolyLinearForm();
  uniform = ExpolyDistribution(ExpolyDistributionType.Uni, {ExpolyRational('1'), ExpolyRational(3)});
  outer = integral('Deg', ExpolyRational('4', '2'), form('d'), 'd', none, form('t'));
  inner = ExpolyIntegral(uniform, form('u'), 'u', none, ExpolyLinearForm([1 -1], {'t', 'd'}));
  r = Drovaint({outer, inner}, {});
  drova_expect_close(squeeze(drova_sym_value(r, [2 4 6]))', [0 0.5 1], 'P(U + 2 <= t)');
end

function distribution_type_names_and_values()
  [outer, inner] = worked_pair();
  expected = Drovaint(outer, inner);
  for type = {'Exp', 2, ExpolyDistributionType.Exp, int32(2)}
    outer.Distribution.DistributionType = type{1};
    if ~strcmp(Drovaint(outer, inner), expected)
      error('drova:test', 'DistributionType %s is not Exp', disp(type{1}));
    end
  end
  outer.Distribution.DistributionType = 'Lognormal';
  drova_expect_error(@() Drovaint(outer, inner), ...
      'Distribution type Lognormal is not supported; it must be Exp, Deg or Uni');
  % A value that is no member's stays a number, which is no enumeration.
  outer.Distribution.DistributionType = 7;
  drova_expect_error(@() Drovaint(outer, inner), 'Can''t convert the Array to this TypedArray');
end

function checks_of_the_arguments()
  [outer, inner] = worked_pair();
  drova_expect_error(@() Drovaint(outer), 'Two inputs required');
  drova_expect_error(@() Drovaint(outer, inner, inner), 'Two inputs required');
  drova_expect_error(@() Drovaint(1, 'x'), 'First input must be an array of ExpolyIntegral objects');
  drova_expect_error(@() Drovaint(outer, {1}), 'Second input must be an array of ExpolyIntegral objects');
  drova_expect_error(@() Drovaint({outer, ExpolyRational()}, {}), ...
      'First input must be an array of ExpolyIntegral objects');
  column(2, 1) = outer;
  drova_expect_error(@() Drovaint(column, {}), 'First input must be 1-by-n dimension');
  drova_expect_error(@() Drovaint({}, {inner; inner}), 'Second input must be 1-by-n dimension');
  drova_expect_error(@() Drovaint(outer, inner, 'x'), 'Two inputs required');
  try
    [a, b] = Drovaint(outer, inner);
    error('drova:test', 'two outputs were accepted');
  catch err
    if ~strcmp(err.identifier, 'MATLAB:unassignedOutputs')
      error('drova:test', 'unexpected error for two outputs: %s', err.message);
    end
  end
end

function failures_inside_the_objects()
  [outer, inner] = worked_pair();
  bad = outer;
  bad.Distribution.Symbolic = false;
  drova_expect_error(@() Drovaint(bad, inner), 'Distribution must be symbolic');
  bad = inner;
  bad.B = form('t');
  drova_expect_error(@() Drovaint(outer, bad), 'Improper integral must not have an upper bound');
  bad = outer;
  bad.Distribution.RationalParameters = {ExpolyRational(3, 0)};
  drova_expect_error(@() Drovaint(bad, inner), 'Integer division by zero');
  bad.Distribution.RationalParameters = {};
  drova_expect_error(@() Drovaint(bad, inner), 'Distribution type Exp needs 1 rational parameter, but 0 were given');
  bad.Distribution.RationalParameters = {ExpolyRational(-3)};
  drova_expect_error(@() Drovaint(bad, inner), 'The rate must be positive');
  bad = outer;
  bad.Vars.VarConstants = 1;   % a double, not int32
  drova_expect_error(@() Drovaint(bad, inner), 'Can''t convert the Array to this TypedArray');
  bad = outer;
  bad.Distribution = ExpolyRational();
  drova_expect_error(@() Drovaint(bad, inner), 'Unrecognized property ''DistributionType'' for class ''ExpolyRational''.');
end

function text_conversions()
  [outer, inner] = worked_pair();
  % A character row and a cell array of character rows are strings; a character matrix is not.
  renamed = outer;
  renamed.Var = {'y'};
  renamed.Vars.Vars = {'y'};
  if ~strcmp(Drovaint(renamed, inner), Drovaint(outer, inner))
    error('drova:test', 'a cell array of one name is not that name');
  end
  renamed.Var = ['y'; 'y'];
  drova_expect_error(@() Drovaint(renamed, inner), 'Can''t convert the Array to this TypedArray');
  renamed.Var = 'y';
  renamed.Vars.Vars = {'y', 2};
  drova_expect_error(@() Drovaint(renamed, inner), 'Can''t convert the Array to this TypedArray');
  renamed.Vars.Vars = {char([121 233])};   % a byte outside ASCII
  drova_expect_error(@() Drovaint(renamed, inner), 'Input data can only contain ASCII characters');
end
