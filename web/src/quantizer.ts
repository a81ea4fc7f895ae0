// Float samples rounded to 16 bits with TPDF dither, as quellmar-duck rounds them: the same
// generator (xorshift64*, the same seed, its 53 top bits), two uniform values of one step each, a
// sample already on the grid left undithered, round half to even, limited to the type's range.
// The same audio therefore gives the same file as the tool's.

const kScale = 32768;

// Round half to even, as C's nearbyint does in its default mode.
function nearbyint(x: number): number {
  // Math.round takes a half upwards: an odd result exactly half above `x` was a tie.
  const r = Math.round(x);
  return r - x === 0.5 && (r & 1) !== 0 ? r - 1 : r;
}

export class Quantizer16 {
  private high = 0x9e3779b9;
  private low = 0x7f4a7c15;

  constructor(private readonly dither: boolean) {}

  // A uniform value in [0, 1).
  private uniform(): number {
    let { high, low } = this;
    // state ^= state >> 12
    low = (low ^ ((low >>> 12) | (high << 20))) >>> 0;
    high = (high ^ (high >>> 12)) >>> 0;
    // state ^= state << 25
    high = (high ^ ((high << 25) | (low >>> 7))) >>> 0;
    low = (low ^ (low << 25)) >>> 0;
    // state ^= state >> 27
    low = (low ^ ((low >>> 27) | (high << 5))) >>> 0;
    high = (high ^ (high >>> 27)) >>> 0;
    this.high = high;
    this.low = low;
    // (state * 0x2545f4914f6cdd1d) >> 11, times 2^-53: the low words' full product in 16-bit
    // halves (exact in doubles), the cross products only modulo 2^32.
    const a0 = low & 0xffff;
    const a1 = low >>> 16;
    const middle = a0 * 0x4f6c + a1 * 0xdd1d;
    const lowSum = a0 * 0xdd1d + (middle % 0x10000) * 0x10000;
    const carry = a1 * 0x4f6c + Math.floor(middle / 0x10000) + Math.floor(lowSum / 0x100000000);
    const productLow = lowSum >>> 0;
    const productHigh = (carry + Math.imul(high, 0x4f6cdd1d) + Math.imul(low, 0x2545f491)) >>> 0;
    return (productHigh * 0x200000 + (productLow >>> 11)) * 2 ** -53;
  }

  // One sample (-1..1) as a 16-bit integer.
  convert(sample: number): number {
    const value = sample * kScale;
    let rounded = nearbyint(value);
    if (this.dither && rounded !== value) {
      const first = this.uniform();
      rounded = nearbyint(value + first - this.uniform());
    }
    return Math.min(kScale - 1, Math.max(-kScale, rounded));
  }
}
