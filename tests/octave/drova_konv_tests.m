function drova_konv_tests(root)
  % Drovakonv called from Octave: a model file with a sym time bound, the returned text read
  % by the symbolic package and checked numerically, the path variant with int64 rows, and the
  % module's messages as Octave errors.
  global drova_konv_root
  drova_konv_root = root;
  pkg load symbolic
  drova_octave_cases('Drovakonv', {@machine_kernel, @machine_paths, @time_bound_read_through_numden, ...
      @checks_of_the_arguments, @failures_of_the_model_and_path});
end

function p = model(name)
  global drova_konv_root
  p = [drova_konv_root '/examples/' name];
end

function machine_kernel()
  % Up fails at rate 1/100; Down is repaired in exactly 5.
  r = Drovakonv(model('machine.gsms'), sym(0), 0, false);
  syms t
  K = eval(r);
  if ~isequal(size(K), [2 2])
    error('drova:test', 'a kernel of size %s', mat2str(size(K)));
  end
  times = [3 7 50];
  for k = 1:numel(times)
    value = double(subs(K, t, times(k)));
    expected = [0, 1 - exp(-times(k) / 100); times(k) > 5, 0];
    drova_expect_close(value, expected, sprintf('K(%d)', times(k)));
  end
end

function machine_paths()
  % Failing, then repaired: the repair ends 5 after a failure at rate 1/100.
  r = Drovakonv(model('machine.gsms'), int64([1 2]), int64([1 1]));
  drova_expect_close(squeeze(drova_sym_value(r, [4 10 60]))', [0, 1 - exp(-5 / 100), 1 - exp(-55 / 100)], ...
      'P(failed and repaired by t)');
  % Surplus destinations are ignored; no output requested still answers.
  Drovakonv(model('machine.gsms'), int64(1), int64([1 1 1]));
  drova_expect_close(squeeze(drova_sym_value(ans, 20))', 1 - exp(-20 / 100), 'P(failed by t)');
end

function time_bound_read_through_numden()
  % In examples/redundant.gsms the path on which the second unit fails during a repair leaves
  % the SMS; by t it has probability 1 - exp(-min(t, 24)/1000). With threshold 1/1000 it is cut
  % at the bound 1/3 (value 0.00033) but not at the bound 3 (value 0.003); the collected
  % column holds what was cut. The kernel has a row of zeros, which drova_eval reads.
  file = model('redundant.gsms');
  full = drova_eval(Drovakonv(file, sym(0), 0, false));
  cut = drova_eval(Drovakonv(file, sym(1)/3, 1/1000, true));
  kept = drova_eval(Drovakonv(file, sym(3), 1/1000, true));
  t = sym('t');
  for time = [10 30]
    f = double(subs(full, t, time));
    c = double(subs(cut, t, time));
    k = double(subs(kept, t, time));
    lost = 1 - exp(-min(time, 24) / 1000);
    drova_expect_close(c(2:3, 4)', [lost lost], sprintf('collected at %d', time));
    drova_expect_close(c(2, 3), 0, 'cut entry');
    drova_expect_close(k(1:3, 1:3), f, 'kept kernel');
    drova_expect_close(k(:, 4)', [0 0 0 0], 'nothing collected');
    drova_expect_close(f(2, 3), (1 - exp(-24 / 1000)) * (time >= 24), 'repair of B after A');
  end
end

function checks_of_the_arguments()
  file = model('machine.gsms');
  drova_expect_error(@() Drovakonv(file, int64(1)), ['Three inputs (path, transitions, destinations) or four ' ...
      'inputs (path, time bound, threshold, collect flag) required']);
  drova_expect_error(@() Drovakonv(int64(1), int64(1), int64(1)), 'First input must be a string');
  drova_expect_error(@() Drovakonv({file, file}, int64(1), int64(1)), 'First input must be 1-by-1 dimension');
  drova_expect_error(@() Drovakonv(file, 1, int64(1)), 'Second input must be a int64 array');
  drova_expect_error(@() Drovakonv(file, int64([1; 2]), int64([1 1])), 'Second input must have at most one row');
  drova_expect_error(@() Drovakonv(file, int64(1), true), 'Third input must be a int64 array');
  drova_expect_error(@() Drovakonv(file, 10, 0, false), 'Second input must be a sym');
  drova_expect_error(@() Drovakonv(file, sym([1 2]), 0, false), 'Second input must be 1-by-1 dimension');
  drova_expect_error(@() Drovakonv(file, sym(1), single(0), false), 'Third input must be a double');
  drova_expect_error(@() Drovakonv(file, sym(1), 0, 0), 'Fourth input must be a logical');
end

function failures_of_the_model_and_path()
  file = model('machine.gsms');
  drova_expect_error(@() Drovakonv([file '.missing'], int64(1), int64(1)), 'Path to GSMS file is invalid');
  drova_expect_error(@() Drovakonv(file, zeros(1, 0, 'int64'), zeros(1, 0, 'int64')), 'The path has no steps');
  drova_expect_error(@() Drovakonv(file, int64(0), int64(1)), 'Transition 18446744073709551615 does not exist');
  drova_expect_error(@() Drovakonv(file, int64([1 2]), int64(1)), 'Array index is invalid.');
  drova_expect_error(@() Drovakonv(file, sym('x'), 0, false), ...
      'Could not parse the string "x" as a valid rational number.');
end
