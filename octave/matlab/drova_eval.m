function value = drova_eval(text)
  % drova_eval  The symbolic value of a text that Drovakonv or Drovaint returns.
  %
  %   K = drova_eval(text)
  %
  % The same as `syms t; K = eval(text)` with the symbolic package, except that it also
  % reads kernel matrices with a row of plain numbers (such as a row of zeros), which
  % Octave's [ ] cannot join to rows of symbolic values: each row is read on its own and
  % the rows are joined with vertcat.
  t = sym('t');   % the time variable of the texts
  text = strtrim(text);
  if isempty(text) || text(1) ~= '['
    value = sym(eval(text));
    return;
  end
  rows = strsplit(text(2:end-1), "\n");
  rows = rows(~cellfun(@(row) all(isspace(row)), rows));
  value = sym(zeros(0, 0));
  for k = 1:numel(rows)
    value = vertcat(value, sym(eval(['[' rows{k} ']'])));
  end
end
