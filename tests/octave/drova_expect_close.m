function drova_expect_close(actual, expected, what)
  % drova_expect_close(actual, expected, what): fails unless the numbers agree to 1e-12
  % (relative to their size).
  if ~isequal(size(actual), size(expected))
    error('drova:test', '%s: expected size %s, got %s', what, mat2str(size(expected)), mat2str(size(actual)));
  end
  scale = max(1, abs(expected));
  if any(abs(actual(:) - expected(:)) > 1e-12 * scale(:))
    error('drova:test', '%s: expected %s, got %s', what, mat2str(expected, 17), mat2str(actual, 17));
  end
end
