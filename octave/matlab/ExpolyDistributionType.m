classdef ExpolyDistributionType
  % ExpolyDistributionType  The kinds of distribution that Drovaint integrates.
  %
  %   ExpolyDistributionType.Deg   deterministic, parameter: delay         (value 1)
  %   ExpolyDistributionType.Exp   exponential, parameter: rate            (value 2)
  %   ExpolyDistributionType.Uni   uniform, parameters: lower, upper bound (value 3)
  %
  % MATLAB holds these as members of an enumeration. Octave has no enumerations, so here
  % each is the member's name; the Octave gateway of Drovaint takes a member's name or its
  % value wherever MATLAB passes the member.

  properties (Constant)
    Deg = 'Deg'
    Exp = 'Exp'
    Uni = 'Uni'
  end
end
