function drova_package_test(root, prefix)
  % drova_package_test(root, prefix): the Octave package of an installation under prefix
  % (cmake --install build --prefix PREFIX) installs with pkg into prefix/octave, loads with
  % pkg load drova, and its gateways work from there with the host's libraries beside them.
  % root is the top folder of the sources.
  pkg('prefix', fullfile(prefix, 'octave'), fullfile(prefix, 'octave'));
  pkg('local_list', fullfile(prefix, 'octave_packages'));
  drova_octave_cases('package', {@() installs_and_loads(prefix), @() calls_use_the_package(root, prefix), ...
                                 @help_texts, @() help_beside_gateways_keeps_the_calls(root)});
end

function installs_and_loads(prefix)
  archive = glob(fullfile(prefix, 'share', 'drova', 'drova-*.tar.gz'));
  if numel(archive) ~= 1
    error('drova:test', 'expected one package archive in %s/share/drova', prefix);
  end
  pkg('install', archive{1});
  pkg('load', 'drova');
  list = pkg('list');
  names = cellfun(@(p) p.name, list, 'UniformOutput', false);
  if ~any(strcmp(names, 'drova'))
    error('drova:test', 'pkg list does not show drova');
  end
end

function calls_use_the_package(root, prefix)
  % The gateway called is the package's, and so are the host's libraries it loaded.
  installed = fullfile(prefix, 'octave');
  if ~strncmp(which('Drovakonv'), installed, numel(installed))
    error('drova:test', 'Drovakonv comes from %s, not from the package', which('Drovakonv'));
  end
  r = Drovakonv(fullfile(root, 'examples', 'machine.gsms'), int64([1 2]), int64([1 1]));
  if ~strcmp(r, '-1*exp(1/sym(20))*exp(-1/sym(100)*t)*heaviside(t-5)+1*heaviside(t-5)')
    error('drova:test', 'unexpected path expression %s', r);
  end
  times = Drovasim(int64(3), 1000, drova_machine());
  if numel(times) ~= 3 || any(times <= 0)
    error('drova:test', 'unexpected simulation result');
  end
  maps = fileread('/proc/self/maps');
  lines = regexp(maps, '[^\n]*libdrova_host\.so[^\n]*', 'match');
  if isempty(lines)
    error('drova:test', 'libdrova_host.so is not loaded');
  end
  for k = 1:numel(lines)
    if isempty(strfind(lines{k}, installed))
      error('drova:test', 'a host library outside the package is loaded: %s', lines{k});
    end
  end
end

function help_texts()
  expected = {'Drovakonv', 'The expression of one path, or the SMS kernel matrix'; ...
              'Drovaint', 'The exact value of a nested integral'; ...
              'Drovasim', 'First-passage times of a GSMS'};
  for k = 1:rows(expected)
    text = evalc(sprintf('help %s', expected{k, 1}));
    if isempty(strfind(text, expected{k, 2})) || isempty(strfind(text, 'Example'))
      error('drova:test', 'help %s says: %s', expected{k, 1}, text);
    end
  end
end

function help_beside_gateways_keeps_the_calls(root)
  % The help files stand next to the gateways; the calls still reach the gateways.
  if ~strcmp(Drovaint({}, {}), '1')
    error('drova:test', 'Drovaint({}, {}) is not 1');
  end
  drova_expect_error(@() Drovakonv(fullfile(root, 'examples', 'none.gsms'), int64(1), int64(1)), ...
                     'Path to GSMS file is invalid');
end

function gsms = drova_machine()
  % examples/machine.gsms as the structure of Drovasim.
  gsms.Name = 'machine';
  gsms.States = struct('Name', {'Up', 'Down'}, 'DownState', {false, true}, 'Transitions', {int64(1), int64(2)});
  gsms.Initial = struct('InitialState', int64(1), 'InitialTimers', int64(1));
  gsms.Distributions = struct('type', {'Exp', 'Deg'}, 'parameters', {0.01, 5});
  gsms.Transitions = struct('Source', {int64(1), int64(2)}, 'Distributions', {int64(1), int64(2)}, ...
                            'Destinations', {struct('Target', int64(2), 'Probability', 1, 'New', int64(2)), ...
                                             struct('Target', int64(1), 'Probability', 1, 'New', int64(1))});
end
