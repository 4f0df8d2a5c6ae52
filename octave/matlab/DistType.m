classdef DistType
  % DistType  The kinds of timer distribution that Drovasim samples.
  %
  %   DistType.Deg         deterministic, parameters [delay]           (value 1)
  %   DistType.Exp         exponential, parameters [rate]              (value 2)
  %   DistType.Uni         uniform, parameters [lower, upper]          (value 3)
  %   DistType.Lognormal   lognormal, parameters [mu, sigma]           (value 4)
  %
  % MATLAB holds these as members of an enumeration. Octave has no enumerations, so here
  % each is the member's name; the Octave gateway of Drovasim takes a member's name or its
  % value as the type of a distribution in gsms.Distributions.

  properties (Constant)
    Deg = 'Deg'
    Exp = 'Exp'
    Uni = 'Uni'
    Lognormal = 'Lognormal'
  end
end
