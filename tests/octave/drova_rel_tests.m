function drova_rel_tests(root)
  % Drovarel called from Octave: the failure probability and mean time to failure of the bundled
  % models against their closed forms, the availability with its state probabilities, the
  % starting state, and the module's messages as Octave errors.
  global drova_rel_root
  drova_rel_root = root;
  drova_octave_cases('Drovarel', {@machine_reliability, @redundant_mean_time_to_failure, ...
      @machine_availability, @starting_state, @checks_of_the_arguments, @models_without_the_measure, ...
      @net_models});
end

function p = model(name)
  global drova_rel_root
  p = [drova_rel_root '/examples/' name];
end

function machine_reliability()
  % Up fails at rate 1/100 into the down state Down.
  t = [0 3 50 200];
  [F, mttf, neverFails, R] = Drovarel(model('machine.gsms'), t);
  drova_expect_close(F, 1 - exp(-t / 100), 'F');
  drova_expect_close(R, exp(-t / 100), 'R');
  drova_expect_close(mttf, 100, 'mttf');
  drova_expect_close(neverFails, 0, 'never fails');
  % One output, and no times at all.
  drova_expect_close(Drovarel(model('machine.gsms'), 50), 1 - exp(-1/2), 'F alone');
  [none, mttf] = Drovarel(model('machine.gsms'), []);
  if ~isempty(none)
    error('drova:test', 'F at no times is %s', mat2str(none));
  end
  drova_expect_close(mttf, 100, 'mttf without times');
end

function redundant_mean_time_to_failure()
  % Two units failing at rate 1/1000, one crew repairing in exactly 24.
  g = exp(-24 / 1000);
  [F, mttf] = Drovarel(model('redundant.gsms'), [0 1000 10000], 'reliability');
  textbook = (3 - 2 * g) / (2 / 1000 * (1 - g));
  if abs(mttf - textbook) > 1e-10 * textbook
    error('drova:test', 'mttf %.17g, textbook %.17g', mttf, textbook);
  end
  if F(1) ~= 0 || ~(F(2) > 0 && F(2) < F(3) && F(3) < 1)
    error('drova:test', 'F = %s', mat2str(F, 17));
  end
end

function machine_availability()
  % Up for Exp(1/100), then Down for exactly 5.
  [A, steady, P, steadyStates, names] = Drovarel(model('machine.gsms'), [3 8], 'availability');
  a8 = exp(-8 / 100) + 3 / 100 * exp(-3 / 100);
  drova_expect_close(A, [exp(-3 / 100), a8], 'A');
  drova_expect_close(P, [exp(-3 / 100), a8; 1 - exp(-3 / 100), 1 - a8], 'P');
  drova_expect_close(steady, 100 / 105, 'steady');
  drova_expect_close(steadyStates, [100; 5] / 105, 'steady states');
  if ~isequal(names, {'Up'; 'Down'})
    error('drova:test', 'the names are not {Up; Down}');
  end
end

function starting_state()
  [F, mttf] = Drovarel(model('machine.gsms'), [0 1], 'reliability', 'Down');
  drova_expect_close(F, [1 1], 'F from Down');
  drova_expect_close(mttf, 0, 'mttf from Down');
  % Starting in Down, the machine is up once the repair is over.
  A = Drovarel(model('machine.gsms'), [4 5], 'availability', 'Down');
  drova_expect_close(A, [0 1], 'A from Down');
end

function checks_of_the_arguments()
  file = model('machine.gsms');
  drova_expect_error(@() Drovarel(file), ['Two to four inputs required: path, times, and optionally the ' ...
      'measure ("reliability", "availability" or "kernel") and the name of the starting state']);
  drova_expect_error(@() Drovarel(1, 1), 'First input must be a string scalar or character row');
  drova_expect_error(@() Drovarel(file, int64(1)), 'Second input must be a double');
  drova_expect_error(@() Drovarel(file, [1 2; 3 4]), 'Second input must be a vector of times (a row or a column)');
  % A column of times gives the same row as a row of them.
  drova_expect_close(Drovarel(file, [0; 50; 100]), Drovarel(file, [0 50 100]), 'a column of times');
  drova_expect_error(@() Drovarel(file, [1 -2]), ...
      'Second input must hold finite times of at least 0; element 2 is -2');
  drova_expect_error(@() Drovarel(file, NaN), 'Second input must hold finite times of at least 0; element 1 is nan');
  drova_expect_error(@() Drovarel(file, 1, 'mttf'), 'Third input must be "reliability", "availability" or "kernel"');
  drova_expect_error(@() Drovarel(file, 1, 'reliability', 2), ...
      'Fourth input must be a string scalar or character row: the name of the starting state');
end

function models_without_the_measure()
  drova_expect_error(@() Drovarel([model('machine.gsms') '.missing'], 1), 'Path to GSMS file is invalid');
  drova_expect_error(@() Drovarel(model('machine.gsms'), 1, 'reliability', 'Sideways'), ...
      'The model has no state named "Sideways"');
end

function net_models()
  % A net (.toml) is read by the module as a GSMS file is: the 2-out-of-3 pumps against the
  % machine-repairman mean time to failure, and the states named by their markings.
  l = 1 / 2000;
  q = 1 - exp(-2 * l * 48);
  [F, mttf] = Drovarel(model('pumps.toml'), [0 1000]);
  drova_expect_close(mttf, 1 / (3 * l * q) + 1 / (2 * l), 'pumps mttf');
  if F(1) ~= 0
    error('drova:test', 'F(0) of the pumps is %g', F(1));
  end
  [A, steady, P, steadyStates, names] = Drovarel(model('pumps.toml'), 1000, 'availability');
  if abs(steady - 0.998300627538421) > 1e-12
    error('drova:test', 'the pumps long-run availability is %.17g', steady);
  end
  if ~isequal(names{3}, 'working1_broken2[repair]')
    error('drova:test', 'the third state is %s', names{3});
  end
end
