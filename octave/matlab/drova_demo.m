% drova_demo  Drova from GNU Octave: convert a model, read its kernel with the symbolic
% package, integrate a nested integral, and simulate the same model.
%
% Run it in the top folder of the Drova sources, with the package installed (pkg install) or
% straight from the build folder:
%
%   octave-cli --eval "pkg load drova; drova_demo"
%   octave-cli --eval "addpath('build/octave'); drova_demo"
%
% It works on examples/machine.gsms, or on the file named by the variable `model` when that
% is set: a machine that fails after an exponential time of rate 1/100 (state Up, 1) and is
% repaired in exactly 5 (state Down, 2). It leaves K, P, I and times in the workspace.

pkg load symbolic
if ~exist('model', 'var')
  model = 'examples/machine.gsms';
end
syms t

% 1. The SMS kernel, exact: K(i, j) is the probability that the next state is j, reached by
%    time t, starting in i. Drovakonv returns MATLAB symbolic-math text.
text = Drovakonv(model, sym(0), 0, false);
printf('Kernel of %s, as Drovakonv returns it:\n%s\n', model, text);
K = drova_eval(text);
printf('\nK at t = 100 (K(1,2) is 1 - exp(-1)):\n');
disp(double(subs(K, t, 100)));

% 2. One path: failing (transition 1), then being repaired (transition 2), by time t.
P = drova_eval(Drovakonv(model, int64([1 2]), int64([1 1])));
printf('P(failed and repaired by t) = %s\n', char(P));

% 3. The same probability as a nested integral: the failure time y (density of Exp(1/100))
%    from 0 to t, and inside it the repair time d (Deg(5)) from 0 to t - y.
none = ExpolyLinearForm();
failure = ExpolyIntegral(ExpolyDistribution(ExpolyDistributionType.Exp, ExpolyRational(1, 100)), ...
                         ExpolyLinearForm(1, 'y'), 'y', none, ExpolyLinearForm(1, 't'));
repair = ExpolyIntegral(ExpolyDistribution(ExpolyDistributionType.Deg, 5), ...
                        ExpolyLinearForm(1, 'd'), 'd', none, ExpolyLinearForm([1 -1], {'t', 'y'}));
I = drova_eval(Drovaint({failure, repair}, {}));
printf('The nested integral = %s\n', char(I));
printf('At t = 20: path %.15f, integral %.15f\n', double(subs(P, t, 20)), double(subs(I, t, 20)));

% 4. Monte Carlo: the times at which runs of the same model first reach Down, within 200.
row = @(varargin) int64([varargin{:}]);
gsms.Name = 'machine';
gsms.States = struct('Name', {'Up', 'Down'}, 'DownState', {false, true}, 'Transitions', {row(1), row(2)});
gsms.Initial = struct('InitialState', int64(1), 'InitialTimers', row(1));
gsms.Distributions = struct('type', {DistType.Exp, DistType.Deg}, 'parameters', {1/100, 5});
gsms.Transitions = struct('Source', {int64(1), int64(2)}, 'Distributions', {row(1), row(2)}, ...
    'Destinations', {struct('Target', int64(2), 'Probability', 1, 'New', row(2)), ...
                     struct('Target', int64(1), 'Probability', 1, 'New', row(1))});
runs = 10000;
times = Drovasim(int64(runs), 200, gsms);
printf('%d of %d runs reached Down by 200; by 100: %.4f of the runs (the kernel: %.4f)\n', ...
       numel(times), runs, mean(times <= 100) * numel(times) / runs, double(subs(K(1, 2), t, 100)));
