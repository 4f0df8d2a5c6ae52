% Drovarel  Failure probability, MTTF and availability of a GSMS, from its exact kernel.
%
%   [F, mttf, neverFails, R, mttfGivenFailure] = Drovarel(path, times)
%   [F, mttf, neverFails, R, mttfGivenFailure] = Drovarel(path, times, "reliability", from)
%   [A, steady, P, steadyStates, names]        = Drovarel(path, times, "availability", from)
%
% path names a GSMS file; times is a double row of finite times of at least 0 (each read as the
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
% Models for which a measure does not exist (no down state, a down state never left for the
% availability, a cycle through states outside the SMS) end the call with an error saying so.
%
% Example:
%
%   pkg load drova
%   [F, mttf] = Drovarel('examples/redundant.gsms', [1000 8760 22084])
%
% See also Drovakonv, Drovasim.
