classdef ExpolyLinearForm
  % ExpolyLinearForm  A linear form for Drovaint: sum of VarConstants(i) * Vars(i), plus Constant.
  %
  %   f = ExpolyLinearForm(varConstants, vars, constant)
  %   f = ExpolyLinearForm(varConstants, vars)          % constant 0
  %   f = ExpolyLinearForm()                            % the zero form
  %
  % Drovaint reads VarConstants (an int32 row; numbers given are converted), Vars (the
  % variable names: a string array in MATLAB, a character row or a cell array of character
  % rows in Octave) and Constant (an ExpolyRational; a number or text given is converted).
  % Where a form is solved for a variable, its coefficient must be 1 or -1.
  %
  %   ExpolyLinearForm([1 -1], {'x', 'y'}, ExpolyRational(1, 2))   % x - y + 1/2
  %   ExpolyLinearForm(1, 't')                                    % t

  properties
    VarConstants = zeros(1, 0, 'int32')
    Vars = cell(1, 0)
    Constant = ExpolyRational()
  end

  methods
    function obj = ExpolyLinearForm(varConstants, vars, constant)
      if nargin >= 1
        obj.VarConstants = int32(varConstants);
      end
      if nargin >= 2
        obj.Vars = vars;
      end
      if nargin >= 3
        if isa(constant, 'ExpolyRational')
          obj.Constant = constant;
        else
          obj.Constant = ExpolyRational(constant);
        end
      end
    end
  end
end
