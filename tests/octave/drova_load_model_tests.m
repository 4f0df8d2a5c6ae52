function drova_load_model_tests(root)
  % drova_load_model: the structure of a .gsms file, its JSON form and a net, shaped as Drovasim
  % takes it, and the readers' messages.
  global drova_load_root
  drova_load_root = root;
  drova_octave_cases('drova_load_model', {@gsms_file_as_drovasim_takes_it, @json_and_gsms_agree, ...
      @net_file, @messages});
end

function p = file(name)
  global drova_load_root
  p = [drova_load_root '/' name];
end

function r = row(varargin)
  r = int64([varargin{:}]);
end

function gsms_file_as_drovasim_takes_it()
  gsms = drova_load_model(file('examples/machine.gsms'));
  expected.Name = 'machine';
  expected.States = struct('Name', {'Up', 'Down'}, 'DownState', {false, true}, 'Transitions', {row(1), row(2)});
  expected.Initial = struct('InitialState', int64(1), 'InitialTimers', row(1));
  expected.Distributions = struct('type', {DistType.Exp, DistType.Deg}, 'parameters', {1/100, 5});
  expected.Transitions = struct('Source', {int64(1), int64(2)}, 'Distributions', {row(1), row(2)}, ...
      'Destinations', {struct('Target', int64(2), 'Probability', 1, 'New', row(2)), ...
                       struct('Target', int64(1), 'Probability', 1, 'New', row(1))});
  if ~isequal(gsms, expected)
    error('drova:test', 'the structure of machine.gsms differs from the one written by hand');
  end
  % Drovasim takes it as it is, and gives what it gives for the structure written by hand.
  clear Drovasim;
  loaded = Drovasim(int64(200), 100, gsms);
  clear Drovasim;
  written = Drovasim(int64(200), 100, expected);
  if ~isequal(loaded, written)
    error('drova:test', 'Drovasim gives other times for the loaded structure');
  end
end

function json_and_gsms_agree()
  % The README's JSON model is the same model: jsondecode would give columns, the loader rows.
  fromJson = drova_load_model(file('examples/machine.json'));
  fromGsms = drova_load_model(file('examples/machine.gsms'));
  if ~isequal(fromJson, fromGsms)
    error('drova:test', 'machine.json and machine.gsms give different structures');
  end
  if size(fromJson.States, 1) ~= 1 || size(fromJson.Transitions(1).Destinations, 1) ~= 1
    error('drova:test', 'a list is not a row');
  end
  % An empty list is 1-by-0, as Drovasim wants it.
  redundant = drova_load_model(file('examples/redundant.gsms'));
  if ~isequal(size(redundant.Transitions(4).Destinations(1).New), [1 0])
    error('drova:test', 'an empty list of restarted timers is not 1-by-0');
  end
  times = Drovasim(int64(100), 100, redundant);
  if ~isrow(times) && ~isempty(times)
    error('drova:test', 'Drovasim refused the structure of redundant.gsms');
  end
end

function net_file()
  gsms = drova_load_model(file('examples/pumps.toml'));
  if isempty(gsms.States) || ~isfield(gsms.States, 'DownState')
    error('drova:test', 'the net gave no states');
  end
  Drovasim(int64(10), 10, gsms);
end

function messages()
  drova_expect_error(@() drova_load_model(file('examples/no-such.gsms')), ...
      ['Could not open the file "' file('examples/no-such.gsms') '"']);
  drova_expect_error(@() drova_load_model(file('tests/data/check/flag-not-boolean.gsms')), ...
      'Could not read the flag of state 0 at line 3');
  drova_expect_error(@() drova_load_model(file('tests/data/sim/missing-key.json')), ...
      'gsms.Initial: expected the key InitialTimers (the keys are InitialState, InitialTimers)');
end
