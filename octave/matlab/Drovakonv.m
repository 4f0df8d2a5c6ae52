% Drovakonv  The expression of one path, or the SMS kernel matrix, of a GSMS file.
%
%   r = Drovakonv(path, int64([T1 T2 ...]), int64([D1 D2 ...]))
%   r = Drovakonv(path, sym(X), Y, collect)
%
% Reads the GSMS text file `path` and answers, in exact rational arithmetic, with MATLAB
% symbolic-math text in the time variable t (a character row in Octave).
%
% The path form gives the probability that the process takes the given path and completes it
% by time t: step i takes transition Ti and its Di-th destination, both numbered from 1. The
% two rows are int64 and of equal length (zeros(1, 0, 'int64') for none).
%
% The matrix form gives the SMS kernel: one row and one column per state of the SMS, each
% entry the probability that the next state of the SMS is the column's and is reached by time
% t, starting in the row's state. With a positive time bound X (a sym), a path whose value at
% t = X is at most the threshold Y (a double) is cut off where it leaves the SMS; with collect
% true (a logical) the cut-off paths are added up in an extra last column. X = 0 cuts nothing.
%
% Example, in the top folder of the Drova sources:
%
%   pkg load drova; pkg load symbolic
%   r = Drovakonv('examples/machine.gsms', sym(0), 0, false)
%   syms t; K = drova_eval(r); double(subs(K, t, 100))
%   P = Drovakonv('examples/machine.gsms', int64([1 2]), int64([1 1]))
%
% The results take heaviside(0) as 1; the symbolic package takes it as 1/2, so evaluate
% kernel entries away from their jumps. See also Drovaint, Drovasim, drova_eval, drova_demo.
