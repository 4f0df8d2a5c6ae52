% Drovasim  First-passage times of a GSMS to its down states, by Monte Carlo simulation.
%
%   times = Drovasim(int64(N), T, gsms)
%
% Simulates the model N times and returns a row with the time at which each run first entered
% a down state, in run order. Runs that pass the horizon T (a double; Inf for none) first, or
% get stuck in a state with no running timer, give no time.
%
% gsms is a structure with the fields Name, States (Name, DownState, Transitions), Initial
% (InitialState, InitialTimers), Distributions (type, parameters) and Transitions (Source,
% Distributions, Destinations with Target, Probability, New); indices count from 1. A type is
% 'Deg' ([d]), 'Exp' ([rate]), 'Uni' ([lower, upper]) or 'Lognormal' ([mu, sigma]), or its
% value 1 to 4 (DistType).
%
% The random numbers come from MATLAB's default stream, which starts from seed 0 each time
% Drovasim is loaded: the first call after starting Octave, or after clear Drovasim, gives the
% numbers of drova sim ... --seed 0. Ctrl-C interrupts a call that does not end.
%
% Example (drova_demo builds the structure of examples/machine.gsms):
%
%   pkg load drova
%   times = Drovasim(int64(1000), 100, gsms);
%
% See also DistType, Drovakonv, drova_demo.
