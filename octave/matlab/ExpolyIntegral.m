classdef ExpolyIntegral
  % ExpolyIntegral  One integral of a nested integral that Drovaint evaluates exactly.
  %
  %   e = ExpolyIntegral(distribution, vars, var, a, b)
  %
  % The integral of the density of `distribution` (an ExpolyDistribution) at the linear form
  % `vars` (an ExpolyLinearForm), over the variable named `var` (a string scalar in MATLAB,
  % a character row in Octave), from the linear form `a` to the linear form `b`.
  %
  %   r = Drovaint(proper, improper)
  %
  % takes two rows of ExpolyIntegral objects: `proper` the integrals from A to B, the first
  % the outermost; `improper` the integrals from A to infinity, whose B must be the zero
  % form. Octave cannot concatenate objects with [a, b]: build a row by indexing
  % (p(1) = a; p(2) = b;) or pass a cell array {a, b}; {} passes none. The result is
  % symbolic-math text in t (or the variables left free): with the symbolic package,
  %
  %   syms t; p = eval(r);
  %
  % Example (the probability that an exponential time of rate 3 ends by t while one of
  % rate 2, started with it, still runs):
  %
  %   form = @(v) ExpolyLinearForm(1, v);
  %   none = ExpolyLinearForm();
  %   inner = ExpolyIntegral(ExpolyDistribution('Exp', 2), form('x'), 'x', form('y'), none);
  %   outer = ExpolyIntegral(ExpolyDistribution('Exp', 3), form('y'), 'y', none, form('t'));
  %   Drovaint(outer, inner)     % -3/sym(5)*exp(-5*t)+3/sym(5)

  properties
    Distribution = ExpolyDistribution()
    Vars = ExpolyLinearForm()
    Var = 'x'
    A = ExpolyLinearForm()
    B = ExpolyLinearForm()
  end

  methods
    function obj = ExpolyIntegral(distribution, vars, var, a, b)
      if nargin >= 1, obj.Distribution = distribution; end
      if nargin >= 2, obj.Vars = vars; end
      if nargin >= 3, obj.Var = var; end
      if nargin >= 4, obj.A = a; end
      if nargin >= 5, obj.B = b; end
    end
  end
end
