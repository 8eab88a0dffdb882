import math, random, struct
from decimal import Decimal
import numpy as np

def digits_exp(s):
    d = Decimal(s).normalize()
    sign, digits, exp = d.as_tuple()
    ds = ''.join(map(str, digits))
    return ds, len(ds) - 1 + exp

def positional(ds, e, frac_always):
    if e < 0:
        return '0.' + '0' * (-e - 1) + ds
    if e + 1 >= len(ds):
        return ds + '0' * (e + 1 - len(ds)) + ('.0' if frac_always else '')
    return ds[:e + 1] + '.' + ds[e + 1:]

def exponential(ds, e, plus):
    m = ds[0] + ('.' + ds[1:] if len(ds) > 1 else '')
    return m + 'e' + ('-' if e < 0 else ('+' if plus else '')) + str(abs(e))

def forms(x, shortest):
    if math.isnan(x): return ('NaN', 'NaN', 'null')
    if math.isinf(x): return (('-inf',) * 2 if x < 0 else ('inf',) * 2) + ('null',)
    sign = '-' if math.copysign(1, x) < 0 else ''
    if x == 0: return (sign + '0', sign + '0.0', sign + '0.0')
    ds, e = digits_exp(shortest(abs(x)))
    plain = sign + positional(ds, e, False)
    a = abs(x)
    lo, hi = (1e-4, 1e16) if shortest is repr else (np.float32(1e-4), np.float32(1e16))
    debug = sign + (positional(ds, e, True) if lo <= a < hi else exponential(ds, e, False))
    js = sign + (positional(ds, e, True) if -5 <= e <= 15 else exponential(ds, e, True))
    return plain, debug, js

def f32_shortest(a):
    return np.format_float_scientific(np.float32(a), unique=True)

random.seed(20261206)
doubles = [1.0, -0.0, 0.0, 0.1, 1e20, 1e-7, float('nan'), float('inf'), float('-inf'), 2.5, 0.1 + 0.2,
           123456789.125, 5e-324, 1.5e300, 12345.0, 1e16, 1e15, 1e-5, 0.25, -2.5e-10, 0.0001, 1e-4,
           math.nextafter(1e-4, 0), math.nextafter(1e16, 0), math.nextafter(1e16, math.inf),
           9999999999999998.0, 123.456, 1e-6, 1.7976931348623157e308, 2.2250738585072014e-308,
           2.225073858507201e-308, 2.0**53, 2.0**63, 2.0**64, -1e300, 0.5, 3.0, 1e21, 1e22, 1e23,
           4.35, 0.3, 2.0**-1074 * 3, 9007199254740993.0, 1e-5 * 0.999999, 0.00001234, 1.234e-5,
           99999.99999999999, 1e100, 1234567890123456789.0, 0.1e-3]
for _ in range(40):
    bits = random.getrandbits(64)
    doubles.append(struct.unpack('<d', struct.pack('<Q', bits))[0])
for _ in range(40):
    doubles.append(float('%de%d' % (random.randint(1, 10**random.randint(1, 17)), random.randint(-330, 300))))
doubles = [d for d in doubles if not (math.isnan(d) and struct.pack('<d', d) != struct.pack('<d', float('nan')))]

floats = [1.0, -0.0, 0.1, 1e20, 1e-7, float('nan'), float('inf'), float('-inf'), 2.5, 3.4028235e38,
          1e-45, 1.1754944e-38, 16777217.0, 0.3, 1e-4, 1e16, 123.456, 0.2, 1/3]
for _ in range(30):
    bits = random.getrandbits(32)
    f = struct.unpack('<f', struct.pack('<I', bits))[0]
    if not math.isnan(f): floats.append(f)

def cstr(s): return '"' + s + '"'
print('// Generated with CPython 3.11 repr() and NumPy float32 formatting.')
print('const NumberFormsCase kDoubleCases[] = {')
for d in doubles:
    p, g, j = forms(d, repr)
    bits = struct.unpack('<Q', struct.pack('<d', d))[0]
    print('    {0x%016xULL, %s, %s, %s},' % (bits, cstr(p), cstr(g), cstr(j)))
print('};')
print('const NumberFormsCase kFloatCases[] = {')
for f in floats:
    f = float(np.float32(f))
    p, g, j = forms(f, f32_shortest)
    bits = struct.unpack('<I', struct.pack('<f', f))[0]
    print('    {0x%08xULL, %s, %s, %s},' % (bits, cstr(p), cstr(g), cstr(j)))
print('};')
