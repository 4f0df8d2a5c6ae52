"""Reads the text Drovakonv returns from standard input and checks its meaning with SymPy.

    symbolic_check.py rows T      prints, per row of a kernel matrix, the sum of its entries at t = T
    symbolic_check.py equals E    prints "equal" when the expression equals E for every t > 0

heaviside(0) is read as 1, as the results intend.
"""
import sys

import sympy
from sympy.parsing.sympy_parser import convert_xor, parse_expr, standard_transformations

t = sympy.Symbol("t", positive=True)
NAMES = {
    "t": t,
    "sym": lambda value: sympy.Rational(str(value)),
    "exp": sympy.exp,
    "heaviside": lambda argument: sympy.Heaviside(argument, 1),
}


def read(text):
    return parse_expr(text, local_dict=NAMES, transformations=standard_transformations + (convert_xor,))


def main():
    text = sys.stdin.read().strip()
    mode, argument = sys.argv[1], sys.argv[2]
    if mode == "rows":
        rows = text.strip("[]").strip("\n").split("\n")
        for row in rows:
            total = sum(read(entry).subs(t, sympy.Rational(argument)) for entry in row.split())
            print(sympy.N(total, 30))
    elif mode == "equals":
        difference = sympy.simplify(read(text) - read(argument))
        print("equal" if difference == 0 else "differ: " + str(difference))


main()
