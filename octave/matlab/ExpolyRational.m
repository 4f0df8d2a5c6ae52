classdef ExpolyRational
  % ExpolyRational  An exact rational number for Drovaint: Numenator / Denominator.
  %
  %   r = ExpolyRational(numerator)               % over 1
  %   r = ExpolyRational(numerator, denominator)
  %
  % Drovaint reads the properties Numenator and Denominator (spelled so), each a string
  % scalar in MATLAB or a character row in Octave holding a whole number such as '3' or
  % '-7', or a fraction such as '3/4'. Integers given as numbers are written as text.
  %
  %   ExpolyRational('3', '4'), ExpolyRational(3, 4) and ExpolyRational('3/4') are 3/4.

  properties
    Numenator = '0'
    Denominator = '1'
  end

  methods
    function obj = ExpolyRational(numerator, denominator)
      if nargin >= 1
        obj.Numenator = ExpolyRational.text(numerator);
      end
      if nargin >= 2
        obj.Denominator = ExpolyRational.text(denominator);
      end
    end
  end

  methods (Static, Access = private)
    function t = text(value)
      % Whole numbers become their decimal text; anything else is kept for Drovaint to judge.
      if isnumeric(value) && isscalar(value) && isreal(value) && value == fix(value)
        t = sprintf('%d', value);
      else
        t = value;
      end
    end
  end
end
