% Drovaint  The exact value of a nested integral of distribution densities.
%
%   r = Drovaint(proper, improper)
%
% proper and improper are rows of ExpolyIntegral objects (an object row built by indexing, a
% cell array of objects, or {} for none). Each object is
%
%   ExpolyIntegral(Distribution, Vars, Var, A, B)
%
% with an ExpolyDistribution (DistributionType 'Exp', 'Deg' or 'Uni' and its parameters as
% ExpolyRational objects), the argument Vars at which the density is evaluated, the integration
% variable Var (a character row), and the lower and upper limits A and B (ExpolyLinearForm
% objects; B is the zero form ExpolyLinearForm() for an improper integral). The first proper
% object is the outermost integral; the improper objects are taken first, from the last to the
% first, starting from the constant 1, and their result is what the innermost proper integral
% integrates against. The result r is MATLAB symbolic-math text; with both rows empty it is '1'.
%
% Example: the probability that an exponential time of rate 3 ends by t while an exponential
% time of rate 2 started with it is still running.
%
%   pkg load drova
%   form = @(v) ExpolyLinearForm(1, v);  none = ExpolyLinearForm();
%   inner = ExpolyIntegral(ExpolyDistribution('Exp', 2), form('x'), 'x', form('y'), none);
%   outer = ExpolyIntegral(ExpolyDistribution('Exp', 3), form('y'), 'y', none, form('t'));
%   Drovaint(outer, inner)          % -3/sym(5)*exp(-5*t)+3/sym(5)
%
% See also ExpolyIntegral, ExpolyDistribution, ExpolyLinearForm, ExpolyRational, Drovakonv.
