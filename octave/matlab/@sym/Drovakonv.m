function varargout = Drovakonv(varargin)
  % Drovakonv for calls with sym arguments, such as Drovakonv(path, sym(10), 1e-6, false).
  %
  % Octave cannot hand a sym to a compiled extension: each sym argument is wrapped in a
  % DrovaSym, which the Drovakonv gateway takes for a sym, and the gateway is called with
  % the arguments otherwise unchanged.
  for k = 1:nargin
    if isa(varargin{k}, 'sym')
      varargin{k} = DrovaSym(varargin{k});
    end
  end
  [varargout{1:max(nargout, 1)}] = Drovakonv(varargin{:});
end
