function gsms = drova_load_model(path)
% drova_load_model  The structure gsms of a model file, as Drovasim takes it.
%
%   gsms = drova_load_model(path)
%
% path names a GSMS text file (.gsms), a stochastic Petri net (.toml), whose GSMS is built, or a
% JSON document of the structure (any other name), read as drova sim reads them. Every list of
% the structure is a 1-by-n row: States, Distributions, Transitions and each transition's
% Destinations are structure rows, the indices int64 rows counting from 1, the parameters double
% rows. Each distribution's type is the member of DistType (in Octave, which has no
% enumerations, the member's name, which Drovasim takes alike).
%
% A file that cannot be read ends the call with the reader's message, which says what and where.
%
% Example:
%
%   pkg load drova
%   gsms = drova_load_model('examples/machine.gsms');
%   times = Drovasim(int64(1000), 100, gsms);
%
% See also Drovasim, drova_plot.

  if nargin ~= 1
    error('drova:loadModel', 'drova_load_model takes one input: the path of a model file');
  end
  if isstring(path)
    path = char(path);
  end
  gsms = drova_model_structure(path);
  if ~exist('OCTAVE_VERSION', 'builtin')
    % MATLAB has the enumeration: each type becomes its member.
    for k = 1:numel(gsms.Distributions)
      gsms.Distributions(k).type = DistType.(gsms.Distributions(k).type);
    end
  end
end
