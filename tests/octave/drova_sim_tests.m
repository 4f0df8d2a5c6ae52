function drova_sim_tests(root, drova)
  % Drovasim called from Octave with a struct model: the results, their agreement with the
  % drova command on the same model, the generator's start, and the module's errors.
  global drova_sim_root drova_sim_command
  drova_sim_root = root;
  drova_sim_command = drova;
  drova_octave_cases('Drovasim', {@machine_runs, @same_runs_as_drova_sim, @type_names_and_values, ...
      @checks_of_the_model, @interrupt_ends_the_call});
end

function r = row(varargin)
  r = int64([varargin{:}]);
end

function gsms = machine()
  % examples/machine.gsms as MATLAB holds it: Up fails at rate 1/100, Down is repaired in 5.
  gsms.Name = 'machine';
  gsms.States = struct('Name', {'Up', 'Down'}, 'DownState', {false, true}, 'Transitions', {row(1), row(2)});
  gsms.Initial = struct('InitialState', int64(1), 'InitialTimers', row(1));
  gsms.Distributions = struct('type', {DistType.Exp, DistType.Deg}, 'parameters', {0.01, 5});
  gsms.Transitions = struct('Source', {int64(1), int64(2)}, 'Distributions', {row(1), row(2)}, ...
      'Destinations', {struct('Target', int64(2), 'Probability', 1, 'New', row(2)), ...
                       struct('Target', int64(1), 'Probability', 1, 'New', row(1))});
end

function machine_runs()
  % Each run ends at the first failure, when that comes before the horizon: with 1000 runs
  % and P(failure by 100) = 1 - exp(-1) about 632 results, all in (0, 100].
  times = Drovasim(int64(1000), 100, machine());
  if ~strcmp(class(times), 'double') || size(times, 1) ~= 1
    error('drova:test', 'the result is not a double row');
  end
  if numel(times) < 560 || numel(times) > 700
    error('drova:test', '%d of 1000 runs failed by 100', numel(times));
  end
  if any(times <= 0 | times > 100)
    error('drova:test', 'a time outside (0, 100]');
  end
  if ~isempty(Drovasim(int64(0), 100, machine()))
    error('drova:test', 'zero runs gave results');
  end
end

function same_runs_as_drova_sim()
  % A freshly loaded gateway draws from seed 0, as drova sim does; the struct built here and
  % drova's reading of examples/machine.gsms are the same model.
  global drova_sim_root drova_sim_command
  clear Drovasim
  times = Drovasim(int64(50), 100, machine());
  [status, out] = system(sprintf('"%s" sim "%s/examples/machine.gsms" --runs 50 --horizon 100', ...
                                 drova_sim_command, drova_sim_root));
  if status ~= 0
    error('drova:test', 'drova sim failed: %s', out);
  end
  expected = sscanf(out, '%f')';
  if ~isequal(times, expected)
    error('drova:test', 'Drovasim gave %s, drova sim %s', mat2str(times, 17), mat2str(expected, 17));
  end
  % The stream goes on from call to call.
  if isequal(Drovasim(int64(50), 100, machine()), times)
    error('drova:test', 'a second call repeated the first one''s numbers');
  end
end

function type_names_and_values()
  clear Drovasim
  expected = Drovasim(int64(20), 100, machine());
  for type = {'Exp', 2, int64(2)}
    gsms = machine();
    gsms.Distributions(1).type = type{1};
    clear Drovasim
    if ~isequal(Drovasim(int64(20), 100, gsms), expected)
      error('drova:test', 'type %s is not Exp', disp(type{1}));
    end
  end
  % Drovasim without an output still answers.
  clear Drovasim
  Drovasim(int64(20), 100, machine());
  if ~isequal(ans, expected)
    error('drova:test', 'ans is not the result');
  end
end

function checks_of_the_model()
  gsms = machine();
  drova_expect_error(@() Drovasim(20, 100, gsms), 'simulations must be of class int64, not double.', ...
      'EMLRT:runTime:ClassMismatch');
  drova_expect_error(@() Drovasim(int64(20), 100), 'Wrong number of inputs: simulateGSMS takes 3 inputs.', ...
      'EMLRT:runTime:WrongNumberOfInputs');
  bad = gsms;
  bad.Distributions(1).type = 'Weibull';
  drova_expect_error(@() Drovasim(int64(20), 100, bad), ...
      'gsms.Distributions.type must be of class DistType, not string.', 'EMLRT:runTime:ClassMismatch');
  bad = gsms;
  bad.Distributions(2).type = 5;
  drova_expect_error(@() Drovasim(int64(20), 100, bad), ...
      'gsms.Distributions.type must be of class DistType, not double.', 'EMLRT:runTime:ClassMismatch');
  bad = gsms;
  bad.States(1).Name = ['Up'; 'Up'];
  drova_expect_error(@() Drovasim(int64(20), 100, bad), 'gsms.States.Name must be of class string, not char.', ...
      'EMLRT:runTime:ClassMismatch');
  bad = gsms;
  bad.States(2).Transitions = int64([]);   % 0-by-0, not a row
  drova_expect_error(@() Drovasim(int64(20), 100, bad), ...
      'gsms.States.Transitions must be of size 1x:Inf, not 0x0.', 'EMLRT:runTime:SizeMismatch');
  bad = gsms;
  bad.Initial = rmfield(bad.Initial, 'InitialTimers');
  drova_expect_error(@() Drovasim(int64(20), 100, bad), ...
      'gsms.Initial must be a structure with exactly the fields InitialState, InitialTimers; it has the fields InitialState.', ...
      'EMLRT:runTime:FieldNamesMismatch');
  bad = gsms;
  bad.States(1).Transitions = row(3);
  drova_expect_error(@() Drovasim(int64(20), 100, bad), ...
      'Index 3 is out of bounds for transitions: the valid range is 1 to 2.', 'EMLRT:runTime:IndexOutOfBounds');
  bad = gsms;
  bad.Distributions(1).parameters = complex(0.01, 1);
  drova_expect_error(@() Drovasim(int64(20), 100, bad), 'Can''t convert the Array to this TypedArray');
end

function interrupt_ends_the_call()
  % Two states that hand a zero delay back and forth never reach a down state: only Ctrl-C
  % (SIGINT, sent from the shell a moment after the call has begun) ends the call.
  gsms.Name = 'loop';
  gsms.States = struct('Name', {'A', 'B'}, 'DownState', {false, false}, 'Transitions', {row(1), row(2)});
  gsms.Initial = struct('InitialState', int64(1), 'InitialTimers', row(1));
  gsms.Distributions = struct('type', {'Deg'}, 'parameters', {0});
  gsms.Transitions = struct('Source', {int64(1), int64(2)}, 'Distributions', {row(1), row(1)}, ...
      'Destinations', {struct('Target', int64(2), 'Probability', 1, 'New', row(1)), ...
                       struct('Target', int64(1), 'Probability', 1, 'New', row(1))});
  system(sprintf('(sleep 2; kill -INT %d) > /dev/null 2>&1 &', getpid()));
  drova_expect_error(@() Drovasim(int64(1), Inf, gsms), 'Operation interrupted by the user.', ...
      'EMLRT:runTime:UserInterrupt');
end
