function drova_plot_tests(root)
  % drova_plot in Octave: the numbers drawn are Drovarel's and, simulated, within their band
  % and close to the exact curve; the kernel's grid; a picture printed; the messages.
  global drova_plot_root
  drova_plot_root = root;
  set(0, 'defaultfigurevisible', 'off');
  drova_octave_cases('drova_plot', {@failure_against_simulation, @availability_and_kernel, @printed_picture, ...
      @messages, @names_shown_literally});
end

function p = model(name)
  global drova_plot_root
  p = [drova_plot_root '/examples/' name];
end

function gsms = machine_structure()
  % examples/machine.gsms as the structure of Drovasim.
  row = @(varargin) int64([varargin{:}]);
  gsms.Name = 'machine';
  gsms.States = struct('Name', {'Up', 'Down'}, 'DownState', {false, true}, 'Transitions', {row(1), row(2)});
  gsms.Initial = struct('InitialState', int64(1), 'InitialTimers', row(1));
  gsms.Distributions = struct('type', {DistType.Exp, DistType.Deg}, 'parameters', {1/100, 5});
  gsms.Transitions = struct('Source', {int64(1), int64(2)}, 'Distributions', {row(1), row(2)}, ...
      'Destinations', {struct('Target', int64(2), 'Probability', 1, 'New', row(2)), ...
                       struct('Target', int64(1), 'Probability', 1, 'New', row(1))});
end

function failure_against_simulation()
  t = 0:25:300;
  runs = 4000;
  [h, d] = drova_plot(model('machine.gsms'), 'failure', t, runs, machine_structure());
  close(h);
  drova_expect_close(d.exact, 1 - exp(-t / 100), 'exact F');
  sigma = sqrt(d.exact .* (1 - d.exact) / runs);
  if any(abs(d.simulated - d.exact) > 4 * sigma + 1e-12)
    error('drova:test', 'simulated F %s, exact %s', mat2str(d.simulated, 4), mat2str(d.exact, 4));
  end
  if any(d.lower > d.simulated) || any(d.upper < d.simulated) || d.runs ~= runs
    error('drova:test', 'the band does not hold the estimate');
  end
  % The default times reach four mean times to failure in 200 steps.
  [h, d] = drova_plot(model('machine.gsms'));
  close(h);
  drova_expect_close(d.t([1 2 end]), [0 2 400], 'default times');
end

function availability_and_kernel()
  t = [0 3 8 50];
  [h, d] = drova_plot(model('machine.gsms'), 'availability', t);
  close(h);
  drova_expect_close(d.exact, Drovarel(model('machine.gsms'), t, 'availability'), 'A');
  drova_expect_close(d.exact(2), exp(-0.03), 'A(3)');
  [h, d] = drova_plot(model('machine.gsms'), 'kernel', t);
  close(h);
  if ~isequal(size(d.exact), [2 2 4]) || ~isequal(d.names, {'Up'; 'Down'})
    error('drova:test', 'kernel of size %s, names %s', mat2str(size(d.exact)), strjoin(d.names', ','));
  end
  drova_expect_close(squeeze(d.exact(1, 2, :))', 1 - exp(-t / 100), 'K(Up, Down)');
  drova_expect_close(squeeze(d.exact(2, 1, :))', [0 0 1 1], 'K(Down, Up)');
end

function printed_picture()
  file = [tempname() '.png'];
  h = drova_plot(model('redundant.gsms'), 'failure', 0:1000:20000);
  print(h, file, '-dpng');
  close(h);
  info = dir(file);
  delete(file);
  if isempty(info) || info.bytes < 5000
    error('drova:test', 'no picture printed');
  end
end

function messages()
  drova_expect_error(@() drova_plot(model('machine.gsms'), 'mttf'), ...
      'The measure must be ''failure'', ''availability'' or ''kernel''');
  drova_expect_error(@() drova_plot(model('machine.gsms'), 'availability', [0 1], 10, machine_structure()), ...
      ['Drovasim gives first-passage times, which make the failure probability only; ' ...
       'drova plot --sim simulates the availability']);
  drova_expect_error(@() drova_plot(model('machine.gsms'), 'failure', [0 1], 10), ...
      'A simulation needs the model as the structure gsms that Drovasim takes');
  drova_expect_error(@() drova_plot(model('missing.gsms')), ...
      sprintf('Could not open the file "%s"', model('missing.gsms')));
end

function names_shown_literally()
  % A model named my_machine is titled so, not with a subscript.
  text = fileread(model('machine.gsms'));
  file = [tempname() '.gsms'];
  out = fopen(file, 'w');
  fprintf(out, '%s', ['my_machine' text(numel('machine') + 1:end)]);
  fclose(out);
  [h, ~] = drova_plot(file, 'failure', [0 10 20]);
  delete(file);
  heading = get(get(get(h, 'currentaxes'), 'title'), {'string', 'interpreter'});
  close(h);
  if ~strcmp(heading{1}, 'my_machine: failure probability F(t)') || ~strcmp(heading{2}, 'none')
    error('drova:test', 'the title is "%s" with the interpreter %s', heading{1}, heading{2});
  end
end
