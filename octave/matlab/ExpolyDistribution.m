classdef ExpolyDistribution
  % ExpolyDistribution  The distribution whose density an ExpolyIntegral integrates.
  %
  %   d = ExpolyDistribution(type, parameters)
  %   d = ExpolyDistribution(type, parameters, symbolic)
  %
  % Drovaint reads DistributionType (ExpolyDistributionType.Exp, .Deg or .Uni; in Octave
  % also the name 'Exp' or the value 1), RationalParameters (ExpolyRational objects: one
  % object, an object array, or in Octave a cell array of them; numbers given are converted)
  % and Symbolic (logical; Drovaint requires true, the default here).
  %
  %   Exp: rate.   Deg: delay.   Uni: lower bound, upper bound.
  %
  %   ExpolyDistribution(ExpolyDistributionType.Uni, {ExpolyRational(1), ExpolyRational(3)})
  %   ExpolyDistribution('Exp', 3)

  properties
    DistributionType = ExpolyDistributionType.Exp
    RationalParameters = {}
    Symbolic = true
  end

  methods
    function obj = ExpolyDistribution(type, parameters, symbolic)
      if nargin >= 1
        obj.DistributionType = type;
      end
      if nargin >= 2
        if isnumeric(parameters)
          parameters = arrayfun(@(p) ExpolyRational(p), parameters(:).', 'UniformOutput', false);
        end
        obj.RationalParameters = parameters;
      end
      if nargin >= 3
        obj.Symbolic = symbolic;
      end
    end
  end
end
