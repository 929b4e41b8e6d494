// Double-double arithmetic: a value held as the unevaluated sum of two doubles, about 106 bits of
// precision, built from IEEE double operations only. Every step is an exactly rounded add,
// subtract, multiply or divide, so the results are the same bits on every platform (this needs
// no fused multiply-add and no x87 arithmetic, which the build rules out).
#pragma once

namespace player::dd {

struct DoubleDouble {
  double hi;
  double lo;  // |lo| <= half an ulp of hi
};

// a + b exactly, as a rounded sum and its error.
inline DoubleDouble twoSum(double a, double b) {
  const double sum = a + b;
  const double bPart = sum - a;
  const double error = (a - (sum - bPart)) + (b - bPart);
  return {sum, error};
}

// a + b exactly when |a| >= |b|.
inline DoubleDouble quickTwoSum(double a, double b) {
  const double sum = a + b;
  return {sum, b - (sum - a)};
}

// a split into two halves of 26 bits each (Dekker), so that products of halves are exact.
inline DoubleDouble split(double a) {
  const double scaled = 134217729.0 * a;  // 2^27 + 1
  const double high = scaled - (scaled - a);
  return {high, a - high};
}

// a x b exactly, as a rounded product and its error.
inline DoubleDouble twoProduct(double a, double b) {
  const double product = a * b;
  const DoubleDouble as = split(a);
  const DoubleDouble bs = split(b);
  const double error = ((as.hi * bs.hi - product) + as.hi * bs.lo + as.lo * bs.hi) + as.lo * bs.lo;
  return {product, error};
}

inline DoubleDouble fromDouble(double a) {
  return {a, 0.0};
}

inline DoubleDouble add(DoubleDouble a, DoubleDouble b) {
  DoubleDouble high = twoSum(a.hi, b.hi);
  const DoubleDouble low = twoSum(a.lo, b.lo);
  high.lo += low.hi;
  high = quickTwoSum(high.hi, high.lo);
  high.lo += low.lo;
  return quickTwoSum(high.hi, high.lo);
}

inline DoubleDouble add(DoubleDouble a, double b) {
  DoubleDouble sum = twoSum(a.hi, b);
  sum.lo += a.lo;
  return quickTwoSum(sum.hi, sum.lo);
}

inline DoubleDouble multiply(DoubleDouble a, DoubleDouble b) {
  DoubleDouble product = twoProduct(a.hi, b.hi);
  product.lo += a.hi * b.lo + a.lo * b.hi;
  return quickTwoSum(product.hi, product.lo);
}

inline DoubleDouble multiply(DoubleDouble a, double b) {
  DoubleDouble product = twoProduct(a.hi, b);
  product.lo += a.lo * b;
  return quickTwoSum(product.hi, product.lo);
}

// a / b for a divisor b that is not 0.
inline DoubleDouble divide(DoubleDouble a, double b) {
  const double quotient = a.hi / b;
  const DoubleDouble back = twoProduct(quotient, b);
  const double remainder = ((a.hi - back.hi) - back.lo) + a.lo;
  return quickTwoSum(quotient, remainder / b);
}

// a / b for a divisor b that is not 0: three quotient digits, each from the remainder so far.
inline DoubleDouble divide(DoubleDouble a, DoubleDouble b) {
  const double first = a.hi / b.hi;
  DoubleDouble remainder = add(a, multiply(b, -first));
  const double second = remainder.hi / b.hi;
  remainder = add(remainder, multiply(b, -second));
  const double third = remainder.hi / b.hi;
  return add(quickTwoSum(first, second), third);
}

}  // namespace player::dd
