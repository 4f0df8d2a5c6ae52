classdef ExpolyDistributionType
  % ExpolyDistributionType  The kinds of distribution that Drovaint integrates.
  %
  %   ExpolyDistributionType.Exp   exponential, parameter: rate            (value 1)
  %   ExpolyDistributionType.Deg   deterministic, parameter: delay         (value 2)
  %   ExpolyDistributionType.Uni   uniform, parameters: lower, upper bound (value 3)
  %
  % MATLAB holds these as members of an enumeration. Octave has no enumerations, so here
  % each is the member's name; the Octave gateway of Drovaint takes a member's name or its
  % value wherever MATLAB passes the member.

  properties (Constant)
    Exp = 'Exp'
    Deg = 'Deg'
    Uni = 'Uni'
  end
end
