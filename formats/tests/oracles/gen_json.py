import json, math, random, struct
random.seed(61206)

def rand_digits(n, lead_nonzero=True):
    s = ''.join(random.choice('0123456789') for _ in range(n))
    if lead_nonzero and n: s = random.choice('123456789') + s[1:]
    return s

def rand_number():
    kind = random.randrange(6)
    sign = random.choice(['', '', '-'])
    if kind == 0:   # integers, up to beyond 64 bits
        return sign + (rand_digits(random.randint(1, 25)) if random.random() < 0.9 else '0')
    if kind == 1:   # fractions
        return sign + random.choice(['0', rand_digits(random.randint(1, 6))]) + '.' + rand_digits(random.randint(1, 20), False)
    if kind == 2:   # exponents
        e = random.choice(['e', 'E']) + random.choice(['', '+', '-']) + str(random.randint(0, 330))
        return sign + rand_digits(random.randint(1, 3)) + random.choice(['', '.' + rand_digits(random.randint(1, 5), False)]) + e
    if kind == 3:   # long significands near halfway points
        return sign + rand_digits(1) + '.' + rand_digits(random.randint(30, 60), False) + 'e' + str(random.randint(-320, 300))
    if kind == 4:   # subnormal range
        return sign + rand_digits(random.randint(1, 17)) + 'e-' + str(random.randint(310, 345))
    return sign + '0.' + '0' * random.randint(0, 12) + rand_digits(random.randint(1, 17))

fixed = ['0', '-0', '1', '-1', '0.1', '1e-7', '1E+2', '2.5e-324', '2.4703282292062328e-324',
         '2.4703282292062327e-324', '1.7976931348623157e308', '1.7976931348623158e308',
         '18446744073709551615', '18446744073709551616', '-9223372036854775808', '-9223372036854775809',
         '9007199254740993', '0.30000000000000004', '1e-400', '-1e-400', '123456789012345678901234567890',
         '0.' + '0' * 400 + '1', '1' + '0' * 300 + '.5', '7.2057594037927933e16', '4.9406564584124654e-324']
tokens = fixed + [rand_number() for _ in range(300)]
tokens = [t for t in tokens if math.isfinite(json.loads(t))]
ws = ['', ' ', '\n', '\t', '\r\n', '  ']
print('// Generated with CPython 3.11 json.loads.')
print('const ValidCase kValidCases[] = {')
for i in range(0, len(tokens) - 2, 3):
    a = tokens[i:i + 3]
    text = random.choice(ws) + '[' + random.choice(ws) + (random.choice(ws) + ',' + random.choice(ws)).join(a) + random.choice(ws) + ']' + random.choice(ws)
    # json.loads reads "-0" as the int 0; as a double it is -0.0.
    vals = [-0.0 if isinstance(v, int) and v == 0 and t.startswith('-') else v for v, t in zip(json.loads(text), a)]
    bits = [struct.unpack('<Q', struct.pack('<d', float(v)))[0] for v in vals]
    esc = json.dumps(text)  # a valid C string literal for this character set
    print('    {%s, {0x%016xULL, 0x%016xULL, 0x%016xULL}},' % (esc, *bits))
print('};')
