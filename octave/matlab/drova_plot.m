function [h, data] = drova_plot(model, measure, times, runs, gsms)
% drova_plot  Draw a GSMS file's failure probability, availability or SMS kernel, exact and
% against simulation.
%
%   drova_plot(model)                                   F(t), exact, on the default times
%   drova_plot(model, 'failure', times)
%   drova_plot(model, 'failure', times, runs, gsms)     and the empirical F(t) of runs of
%                                                       Drovasim with its 95% (Wilson) band
%   drova_plot(model, 'availability', times)            A(t) and its long-run value
%   drova_plot(model, 'kernel', times)                  one small chart per kernel entry
%   [h, data] = drova_plot(...)
%
% model names a GSMS file; times is a double row of times of at least 0 in increasing order, or
% [] for the default: 200 steps over four mean times to failure for the failure probability,
% over the time the availability takes to settle, and over four mean sojourns in the slowest
% state of the SMS for the kernel. gsms is the model as the structure Drovasim takes (see
% drova_demo); Drovasim gives first-passage times only, so only the failure probability is
% simulated here (drova plot --sim simulates the availability too).
%
% h is the figure. data holds the numbers drawn: t and exact (for the kernel, exact(i, j, k)
% = K_ij(t(k)) and names), and with a simulation runs, simulated, lower and upper.
%
% Example:
%
%   pkg load drova
%   drova_plot('examples/redundant.gsms', 'failure', 0:500:60000);
%
% See also Drovarel, Drovasim.

  if nargin < 2 || isempty(measure)
    measure = 'failure';
  end
  if ~any(strcmp(measure, {'failure', 'availability', 'kernel'}))
    error('drova:plot', 'The measure must be ''failure'', ''availability'' or ''kernel''');
  end
  name = model_name(model);
  if nargin < 3 || isempty(times)
    times = default_times(model, measure);
  end
  if nargin < 4
    runs = 0;
  end
  if runs > 0 && ~strcmp(measure, 'failure')
    error('drova:plot', ['Drovasim gives first-passage times, which make the failure probability only; ' ...
                         'drova plot --sim simulates the availability']);
  end
  if runs > 0 && nargin < 5
    error('drova:plot', 'A simulation needs the model as the structure gsms that Drovasim takes');
  end
  times = double(times(:)');
  data = struct('t', times);
  h = figure();

  if strcmp(measure, 'kernel')
    [K, names] = Drovarel(model, times, 'kernel');
    n = numel(names);
    data.exact = K;
    data.names = names;
    for i = 1:n
      for j = 1:n
        subplot(n, n, (i - 1) * n + j);
        plot(times, squeeze(K(i, j, :)), 'Color', [0.75 0.22 0.17], 'LineWidth', 1.5);
        ylim([-0.02 1.05]);
        grid on;
        title([names{i} ' -> ' names{j}], 'Interpreter', 'none');
      end
    end
    return;
  end

  if strcmp(measure, 'failure')
    data.exact = Drovarel(model, times, 'reliability');
    quantity = 'F(t)';
    what = 'failure probability F(t)';
  else
    [data.exact, steady] = Drovarel(model, times, 'availability');
    quantity = 'A(t)';
    what = 'availability A(t)';
  end
  hold on;
  labels = {};
  if runs > 0
    T = Drovasim(int64(runs), times(end), gsms);
    reached = arrayfun(@(t) sum(T <= t), times);
    [data.simulated, data.lower, data.upper] = wilson(reached, runs);
    data.runs = runs;
    fill([times fliplr(times)], [data.lower fliplr(data.upper)], [0.62 0.79 0.88], 'EdgeColor', 'none');
    plot(times, data.simulated, 'Color', [0.42 0.68 0.84], 'LineWidth', 4);
    labels = {'95% band of the simulation', sprintf('simulated, %d runs', runs)};
  end
  plot(times, data.exact, 'Color', [0.75 0.22 0.17], 'LineWidth', 1.5);
  labels{end + 1} = ['exact ' quantity];
  if strcmp(measure, 'availability')
    plot(times([1 end]), [steady steady], '--', 'Color', [0.3 0.3 0.3]);
    labels{end + 1} = sprintf('long run %.10g', steady);
  end
  hold off;
  grid on;
  xlabel('t');
  ylabel(quantity);
  title([name ': ' what], 'Interpreter', 'none');
  legend(labels, 'Location', 'southoutside', 'Orientation', 'horizontal', 'Interpreter', 'none');
end

function name = model_name(model)
  % The first line of a GSMS file is the model's name; a net is named by its file.
  [~, stem, extension] = fileparts(model);
  if strcmp(extension, '.toml')
    name = stem;
    return;
  end
  file = fopen(model, 'r');
  if file < 0
    error('drova:plot', 'Could not open the file "%s"', model);
  end
  name = strtrim(fgetl(file));
  fclose(file);
  if ~ischar(name) || isempty(name)
    [~, name] = fileparts(model);
  end
end

function [p, lower, upper] = wilson(successes, trials)
  % The share and its Wilson score interval at 95%.
  z = 1.959963984540054;
  p = successes / trials;
  centre = (p + z^2 / (2 * trials)) / (1 + z^2 / trials);
  half = z * sqrt(p .* (1 - p) / trials + z^2 / (4 * trials^2)) / (1 + z^2 / trials);
  % The interval always holds the estimate; rounding must not push it past 0 or 1.
  lower = max(0, min(p, centre - half));
  upper = min(1, max(p, centre + half));
end

function times = default_times(model, measure)
  steps = 200;
  if strcmp(measure, 'kernel')
    [~, ~, scale] = Drovarel(model, [], 'kernel');
    last = 4 * scale;
  else
    [~, mttf, ~, ~, given] = Drovarel(model, []);
    if ~isfinite(mttf)
      mttf = given;
    end
    last = 4 * mttf;
    if strcmp(measure, 'availability')
      % Until A(t) stays within 1% of its largest distance from the long-run value.
      probes = [0 logspace(log10(mttf / 1e4), log10(4 * mttf), 60)];
      [a, steady] = Drovarel(model, probes, 'availability');
      away = abs(a - steady);
      k = find(away > max(away) / 100, 1, 'last');
      last = probes(min(k + 1, numel(probes)));
    end
  end
  times = linspace(0, last, steps + 1);
end
