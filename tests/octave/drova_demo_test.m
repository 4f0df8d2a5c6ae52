function drova_demo_test()
  % The demo runs from the top folder of the sources, and what it leaves agrees with itself.
  drova_octave_cases('demo', {@demo_results});
end

function demo_results()
  drova_demo
  t = sym('t');
  drova_expect_close(double(subs(K, t, 100)), [0, 1 - exp(-1); 1, 0], 'K at 100');
  for time = [3 20 200]
    drova_expect_close(double(subs(I, t, time)), double(subs(P, t, time)), sprintf('integral and path at %d', time));
  end
  reached = mean(times <= 100) * numel(times) / runs;
  if abs(reached - (1 - exp(-1))) > 0.02
    error('drova:test', '%.4f of the runs reached Down by 100', reached);
  end
end
