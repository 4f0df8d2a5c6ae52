function v = drova_sym_value(text, times)
  % v = drova_sym_value(text, times): evaluates a module's symbolic-math text in t with the
  % symbolic package (syms t; K = eval(text)) and returns its values at the given times
  % (integers, exact), one page of v per time for a matrix.
  pkg load symbolic
  t = sym('t');
  K = eval(text);
  v = zeros([size(K), numel(times)]);
  for k = 1:numel(times)
    v(:, :, k) = double(subs(K, t, sym(times(k))));
  end
end
