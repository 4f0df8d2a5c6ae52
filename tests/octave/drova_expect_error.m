function drova_expect_error(call, message, identifier)
  % drova_expect_error(call, message [, identifier]): fails unless call() raises an error
  % with exactly this message (and this identifier, when given).
  try
    call();
  catch err
    if ~strcmp(err.message, message)
      error('drova:test', 'expected the error "%s", got "%s"', message, err.message);
    end
    if nargin > 2 && ~strcmp(err.identifier, identifier)
      error('drova:test', 'expected the identifier "%s", got "%s"', identifier, err.identifier);
    end
    return;
  end
  error('drova:test', 'expected the error "%s", but the call succeeded', message);
end
