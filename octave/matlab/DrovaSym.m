classdef DrovaSym
  % DrovaSym  A symbolic value on its way into a Drova gateway (used by @sym/Drovakonv).
  %
  %   s = DrovaSym(symbolicValue)
  %
  % Octave cannot hand a sym to a compiled extension, so @sym/Drovakonv wraps each sym
  % argument in a DrovaSym, which the gateway takes for a sym. When Drovakonv asks the
  % host for numden or the text of such a value, the gateway calls numden or char on the
  % DrovaSym, and so on the sym inside it, in Octave's symbolic package.

  properties (SetAccess = private)
    Value
  end

  methods
    function obj = DrovaSym(value)
      obj.Value = value;
    end

    function [n, d] = numden(obj)
      [a, b] = numden(obj.Value);
      n = DrovaSym(a);
      d = DrovaSym(b);
    end

    function c = char(obj)
      c = char(obj.Value);
    end

    function varargout = size(obj, varargin)
      [varargout{1:max(nargout, 1)}] = size(obj.Value, varargin{:});
    end
  end
end
