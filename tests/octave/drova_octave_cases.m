function drova_octave_cases(suite, cases)
  % drova_octave_cases(suite, cases): runs test cases (handles of functions without arguments)
  % and reports each. The line "drova-octave: all N cases passed", which the test runner
  % looks for, comes only when every case passed.
  failed = 0;
  for k = 1:numel(cases)
    name = func2str(cases{k});
    try
      cases{k}();
      printf('ok %d - %s %s\n', k, suite, name);
    catch err
      failed = failed + 1;
      printf('not ok %d - %s %s: %s\n', k, suite, name, err.message);
    end
    fflush(stdout);
  end
  if failed == 0
    printf('drova-octave: all %d cases passed\n', numel(cases));
  else
    printf('drova-octave: %d of %d cases failed\n', failed, numel(cases));
  end
end
