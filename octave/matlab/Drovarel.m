% Drovarel  Failure probability, MTTF and availability of a GSMS, from its exact kernel.
%
%   [F, mttf, neverFails, R, mttfGivenFailure] = Drovarel(path, times)
%   [F, mttf, neverFails, R, mttfGivenFailure] = Drovarel(path, times, "reliability", from)
%   [A, steady, P, steadyStates, names]        = Drovarel(path, times, "availability", from)
%   [K, names, timeScale]                       = Drovarel(path, times, "kernel")
%
% path names a GSMS file or a net (.toml); times is a double vector (row or column) of finite times of at least 0 (each read as the
% shortest decimal that gives that double, so 0.3 is 3/10); from is the optional name of the
% starting state (by default the initial state).
%
% "reliability" (the default): F(t), the probability that a down state (flag 1) has been entered
% by t, and R = 1 - F, rows over the times; the mean time to failure (Inf when the system may
% never fail, with that probability in neverFails, and the mean of the runs that fail in
% mttfGivenFailure).
%
% "availability": A(t), the probability of being in an up state at t; P, the probability of each
% state of the model at each time (one row per state); the long-run availability, the long-run
% state probabilities and the state names.
%
% "kernel": the SMS kernel at the times, K(i, j, k) the probability that, having entered state i
% of the SMS at time 0, the next state of the SMS is j and is entered by times(k); the names of the
% states of the SMS; and the largest mean time to leave one of them (a time scale for charts).
%
% Models for which a measure does not exist (no down state, a down state never left for the
% availability, a cycle through states outside the SMS) end the call with an error saying so.
%
% Example:
%
%   pkg load drova
%   [F, mttf] = Drovarel('examples/redundant.gsms', [1000 8760 22084])
%
% See also Drovakonv, Drovasim.
